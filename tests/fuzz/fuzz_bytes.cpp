// Arbitrary bytes as an .anim file for the start-up loader, the Control+O
// loader and the base-pose reader: nothing writes past its memory, what is
// loaded is finite, and a refused file leaves the edited animation as it was.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include "app/animation_codec.h"
#include "app/animation_files.h"
#include "app/file_reading.h"
#include "character/frame_strip.h"
#include "character/pose.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static char path[] = "/tmp/marionette-fuzz-XXXXXX";
    static int made = atexit([] { remove(path); }) == 0 ? mkstemp(path) : -1; // a file of our own, gone at exit
    FILE* file = fopen(path, "wb");
    if (made < 0 || !file || fwrite(data, 1, size, file) != size || fclose(file) != 0) abort();

    static uint8_t memory[4096];
    Arena arena = {sizeof memory, 0, memory};
    Animation* start = loadAnimation(&arena, path);
    if (start && (arena.used != sizeof(Animation) + start->frameCount * sizeof(Pose) ||
                  !posesAreFinite((uint8_t*)start->poses, start->frameCount)))
        abort();

    static Pose poses[maxEditedFrames * 2], before[3];
    for (uint32_t i = 0; i < 3 * 28; ++i) poses[i / 28].points[i % 28] = Vec2{(float)i, 1};
    memcpy(before, poses, sizeof before);
    Arena poseArena = {sizeof poses, sizeof before, (uint8_t*)poses};
    Animation edited = {3, poses};
    bool loaded = loadAnimationFile(&edited, &poseArena, path, maxEditedFrames);
    uint32_t n = edited.frameCount;
    if (loaded ? !n || n > maxEditedFrames || poseArena.used != n * sizeof(Pose) || !posesAreFinite((uint8_t*)poses, n)
               : n != 3 || poseArena.used != sizeof before || memcmp(before, poses, sizeof before) != 0)
        abort();

    Pose base = {};
    readBasePose(&base, path);
    if (!posesAreFinite((uint8_t*)&base, 1)) abort();
    return 0;
}
