// Feeds arbitrary bytes as an .anim file to the start-up loader and to the
// editor's load path, and checks that neither writes past its arena nor
// leaves a half-loaded animation behind.
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>
#include "app/animation_files.h"
#include "app/file_reading.h"
#include "character/frame_strip.h"
#include "character/pose.h"

static char filePath[64];

static void writeInput(const uint8_t* data, size_t size)
{
    if (!filePath[0])
    {
        snprintf(filePath, sizeof filePath, "/tmp/marionette-fuzz-%d.anim", (int)getpid());
    }
    FILE* file = fopen(filePath, "wb");
    if (!file) abort();
    if (size) fwrite(data, 1, size, file);
    fclose(file);
}

static void checkStartupLoader()
{
    static uint8_t memory[4096];
    memset(memory, 0, sizeof memory);
    Arena arena = {sizeof memory, 0, memory};
    Animation* animation = loadAnimation(&arena, filePath);
    if (!animation) return;
    if (arena.used > arena.capacity) abort();
    uint64_t expected = sizeof(Animation) + (uint64_t)animation->frameCount * sizeof(Pose);
    if (arena.used != expected) abort();
}

static void checkEditorLoader()
{
    static Pose poses[maxEditedFrames * 2];
    Arena arena = {sizeof poses, 0, (uint8_t*)poses};
    for (uint32_t i = 0; i < 3; ++i)
    {
        for (uint32_t p = 0; p < 28; ++p) poses[i].points[p] = Vec2{(float)i, (float)p};
    }
    arena.used = 3 * sizeof(Pose);
    Animation animation = {3, poses};
    static Pose before[3];
    memcpy(before, poses, sizeof before);

    bool loaded = loadAnimationFile(&animation, &arena, filePath, maxEditedFrames);
    if (!loaded)
    {
        if (animation.frameCount != 3 || animation.poses != poses || arena.used != 3 * sizeof(Pose)) abort();
        if (memcmp(before, poses, sizeof before) != 0) abort();
        return;
    }
    if (animation.frameCount < 1 || animation.frameCount > maxEditedFrames) abort();
    if (animation.poses != poses || arena.used != animation.frameCount * sizeof(Pose)) abort();
    for (uint32_t i = 0; i < animation.frameCount; ++i)
    {
        for (const Vec2& point : poses[i].points)
        {
            if (!isfinite(point.x) || !isfinite(point.y)) abort();
        }
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    writeInput(data, size);
    checkStartupLoader();
    checkEditorLoader();
    Pose base = {};
    readBasePose(&base, filePath);
    return 0;
}
