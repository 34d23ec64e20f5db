#include "app/animation_codec.h"
#include <math.h>
#include <string.h>
#include "character/pose.h"

uint64_t encodedAnimationSize(uint32_t count)
{
    return animationHeaderBytes + (uint64_t)count * sizeof(Pose);
}

void encodeAnimationHeader(uint32_t count, uint8_t header[animationHeaderBytes])
{
    header[0] = (uint8_t)count;
    header[1] = (uint8_t)(count >> 8);
    header[2] = (uint8_t)(count >> 16);
    header[3] = (uint8_t)(count >> 24);
}

// Poses arrive as raw bytes, so each float is copied out rather than read in place.
bool posesAreFinite(const uint8_t* bytes, uint64_t count)
{
    for (uint64_t offset = 0; offset < count * sizeof(Pose); offset += sizeof(float))
    {
        float value;
        memcpy(&value, bytes + offset, sizeof value);
        if (!isfinite(value)) return false;
    }
    return true;
}

int64_t decodeAnimation(const uint8_t* bytes, uint64_t size, uint32_t maxFrames)
{
    if (size < animationHeaderBytes) return -1;
    uint32_t count = bytes[0] | (uint32_t)bytes[1] << 8 | (uint32_t)bytes[2] << 16 | (uint32_t)bytes[3] << 24;
    if (count > maxFrames || size != encodedAnimationSize(count)) return -1;
    if (!posesAreFinite(bytes + animationHeaderBytes, count)) return -1;
    return count;
}
