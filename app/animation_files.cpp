#include "app/animation_files.h"
#include <string.h>
#include "app/animation_codec.h"
#include "app/file_reading.h"
#include "app/file_writing.h"
#include "character/pose.h"
#include "platform/os.h"

static const uint64_t poseBytes = sizeof(Pose);

void readBasePose(Pose* pose, const char* path)
{
    FileHandle file = osOpenForReading(path);
    if (file == invalidFile) return;
    uint8_t bytes[sizeof(Pose)];
    // All or nothing: a short or damaged file must not leave half a figure.
    if (readAt(file, 0, poseBytes, bytes) && posesAreFinite(bytes, 1))
        memcpy(pose, bytes, poseBytes);
    osClose(file);
}

static bool saveAnimation(const Animation* animation, const char* path, bool replace)
{
    uint8_t header[animationHeaderBytes];
    encodeAnimationHeader(animation->frameCount, header);
    const ByteRun runs[2] = {{header, animationHeaderBytes},
                             {animation->poses, (uint64_t)animation->frameCount * poseBytes}};
    return replace ? saveFileSafely(path, runs, 2) : saveNewFileSafely(path, runs, 2);
}

bool saveAnimationFile(const Animation* animation, const char* path)
{
    return saveAnimation(animation, path, true);
}

bool saveNewAnimationFile(const Animation* animation, const char* path)
{
    return saveAnimation(animation, path, false);
}

// Reads the whole file into the arena's free room past the current poses,
// which stay intact, and checks it there. Returns the count, 0 if refused.
static uint32_t stageAnimation(FileHandle file, const Arena* arena, uint32_t maxFrames, uint8_t** staged)
{
    uint64_t size = 0;
    if (!osFileSize(file, &size)) return 0;
    if (arena->used > arena->capacity || size > arena->capacity - arena->used) return 0;
    uint8_t* room = arena->base + arena->used;
    if (!readAt(file, 0, size, room)) return 0;
    int64_t count = decodeAnimation(room, size, maxFrames);
    if (count <= 0) return 0;
    *staged = room + animationHeaderBytes;
    return (uint32_t)count;
}

bool loadAnimationFile(Animation* animation, Arena* poseArena, const char* path, uint32_t maxFrames)
{
    // No file has an empty name, so the open refuses it too.
    FileHandle file = path ? osOpenForReading(path) : invalidFile;
    if (file == invalidFile) return false;
    uint8_t* staged = nullptr;
    uint32_t count = stageAnimation(file, poseArena, maxFrames, &staged);
    osClose(file);
    if (count == 0) return false;

    // The staged copy may overlap the poses' final place when the new
    // animation is longer than the old one.
    uint64_t bytes = (uint64_t)count * poseBytes;
    memmove(poseArena->base, staged, bytes);
    poseArena->used = bytes;
    animation->frameCount = count;
    animation->poses = (Pose*)poseArena->base;
    return true;
}
