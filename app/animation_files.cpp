#include "app/animation_files.h"
#include <math.h>
#include <string.h>
#include "app/file_reading.h"
#include "app/file_writing.h"
#include "character/pose.h"
#include "platform/os.h"

static const uint64_t countBytes = 4;
static const uint64_t poseBytes = sizeof(Pose);

// Poses arrive as raw bytes, so each float is copied out rather than read in place.
static bool posesAreFinite(const uint8_t* bytes, uint64_t count)
{
    for (uint64_t offset = 0; offset < count * poseBytes; offset += sizeof(float))
    {
        float value;
        memcpy(&value, bytes + offset, sizeof value);
        if (!isfinite(value)) return false;
    }
    return true;
}

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

bool saveAnimationFile(const Animation* animation, const char* path)
{
    uint32_t count = animation->frameCount;
    uint8_t header[4] = {(uint8_t)count, (uint8_t)(count >> 8), (uint8_t)(count >> 16), (uint8_t)(count >> 24)};
    const ByteRun runs[2] = {{header, countBytes}, {animation->poses, (uint64_t)count * poseBytes}};
    return saveFileSafely(path, runs, 2);
}

// Checks the file's layout and reads its poses into the arena's free room
// past the current poses, which stay intact. Returns the count, 0 if refused.
static uint32_t stageAnimation(FileHandle file, const Arena* arena, uint32_t maxFrames, uint8_t** staged)
{
    uint64_t size = 0;
    uint8_t header[4];
    if (!osFileSize(file, &size) || size < countBytes) return 0;
    if (!readAt(file, 0, countBytes, header)) return 0;
    uint32_t count = header[0] | (uint32_t)header[1] << 8 | (uint32_t)header[2] << 16 | (uint32_t)header[3] << 24;
    if (count == 0 || count > maxFrames) return 0;

    uint64_t bytes = (uint64_t)count * poseBytes;
    if (size != countBytes + bytes) return 0;
    if (arena->used > arena->capacity || bytes > arena->capacity - arena->used) return 0;
    uint8_t* room = arena->base + arena->used;
    if (!readAt(file, countBytes, bytes, room) || !posesAreFinite(room, count)) return 0;
    *staged = room;
    return count;
}

bool loadAnimationFile(Animation* animation, Arena* poseArena, const char* path, uint32_t maxFrames)
{
    if (!path || path[0] == 0) return false;
    FileHandle file = osOpenForReading(path);
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
