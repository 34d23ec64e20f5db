#include "app/file_reading.h"
#include <string.h>
#include "app/animation_codec.h"
#include "character/pose.h"

// Reads until count bytes have arrived. A read that fails, or succeeds with
// nothing (the end of the file), ends the loop instead of being retried.
static bool readFully(FileHandle file, uint8_t* destination, uint64_t count)
{
    uint64_t arrived = 0;
    while (arrived < count)
    {
        uint64_t missing = count - arrived;
        uint32_t request = missing > UINT32_MAX ? UINT32_MAX : (uint32_t)missing;
        uint32_t done = 0;
        if (!osRead(file, destination + arrived, request, &done) || done == 0) break;
        arrived += done;
    }
    return arrived == count;
}

bool readAt(FileHandle file, uint64_t offset, uint64_t count, void* destination)
{
    if (file == invalidFile) return false;
    if (!osSetPosition(file, offset)) return false;
    return readFully(file, (uint8_t*)destination, count);
}

Arena readWholeFile(const char* path, bool addTerminator)
{
    Arena result = {};
    FileHandle file = osOpenForReading(path);
    if (file == invalidFile) return result;

    uint64_t size = 0;
    uint64_t n = 0;
    uint8_t* memory = nullptr;
    if (osFileSize(file, &size) && size < UINT64_MAX)
    {
        n = addTerminator ? size + 1 : size;
        memory = (uint8_t*)osReserveMemory(n);
    }
    if (memory && readFully(file, memory, size))
    {
        if (addTerminator) memory[size] = 0;
        result.capacity = n;
        result.used = n;
        result.base = memory;
    }
    else if (memory)
    {
        osReleaseMemory(memory, n);
    }
    osClose(file);
    return result;
}

// Keeps the record and nothing more: frame count 0, poses at the next free byte.
static void leaveEmpty(Animation* animation, Arena* arena)
{
    animation->frameCount = 0;
    animation->poses = (Pose*)(arena->base + arena->used);
}

// The whole file is read and checked before it counts: a damaged file loads
// as empty rather than as a mix of its poses and whatever the arena held.
Animation* loadAnimation(Arena* arena, const char* path)
{
    Animation* animation = (Animation*)pushBytes(arena, sizeof(Animation));
    if (!animation) return nullptr;
    leaveEmpty(animation, arena);

    FileHandle file = osOpenForReading(path);
    uint64_t size = 0;
    uint8_t* image = nullptr;
    if (file != invalidFile && osFileSize(file, &size)) image = (uint8_t*)pushBytes(arena, size);
    int64_t count = image && readAt(file, 0, size, image) ? decodeAnimation(image, size, UINT32_MAX) : -1;
    osClose(file);
    if (count <= 0)
    {
        if (image) popBytes(arena, size);
        return animation;
    }
    // The poses take the header's place, so the record is followed by its poses.
    memmove(image, image + animationHeaderBytes, size - animationHeaderBytes);
    popBytes(arena, animationHeaderBytes);
    animation->frameCount = (uint32_t)count;
    animation->poses = (Pose*)image;
    return animation;
}
