#include "app/scenery.h"
#include "character/pose.h"
#include "render/render_batch.h"
#include <string.h>

struct Segment
{
    Vec2 from;
    Vec2 to;
};

// Two groups of floor dashes, then a door frame standing on the floor with a
// small square and a tick at mid-height. Storage order is drawing order.
static const Segment roomSegments[] = {
    {{100, 200}, {105, 200}},     {{130, 200}, {145, 200}},     {{165, 200}, {195, 200}},
    {{210, 200}, {310, 200}},     {{325, 200}, {355, 200}},     {{375, 200}, {390, 200}},
    {{410, 200}, {415, 200}},     {{710, 200}, {715, 200}},     {{740, 200}, {755, 200}},
    {{775, 200}, {805, 200}},     {{820, 200}, {920, 200}},     {{935, 200}, {965, 200}},
    {{985, 200}, {1000, 200}},    {{1020, 200}, {1025, 200}},   {{850, 200}, {850, 400}},
    {{850, 400}, {900, 400}},     {{890, 400}, {890, 200}},     {{900, 400}, {900, 200}},
    {{850, 200}, {900, 200}},     {{875, 302.5f}, {875, 297.5f}}, {{885, 302.5f}, {885, 297.5f}},
    {{875, 302.5f}, {885, 302.5f}}, {{875, 297.5f}, {885, 297.5f}}, {{895, 302.5f}, {895, 297.5f}},
};
static const uint32_t roomSegmentCount = sizeof(roomSegments) / sizeof(roomSegments[0]);
static const uint64_t sceneryBytes = 4 + roomSegmentCount * (4 + sizeof(Segment));
static_assert(roomSegmentCount == 24 && sceneryBytes == 484, "the room is 24 segments in 484 bytes");

static void pushU32(Arena* arena, uint32_t value)
{
    memcpy(pushBytes(arena, sizeof value), &value, sizeof value);
}

void buildScenery(Arena* sceneryArena)
{
    // All or nothing, so a half-written room is never drawn.
    if (sceneryArena->capacity - sceneryArena->used < sceneryBytes) return;
    pushU32(sceneryArena, roomSegmentCount);
    for (uint32_t i = 0; i < roomSegmentCount; ++i)
    {
        pushU32(sceneryArena, 2);
        memcpy(pushBytes(sceneryArena, sizeof(Segment)), &roomSegments[i], sizeof(Segment));
    }
}

void drawScenery(const Arena* sceneryArena, RenderBatch* lines)
{
    const uint8_t* at = sceneryArena->base;
    uint64_t left = sceneryArena->used;
    uint32_t polylines = 0;
    if (left < 4) return;
    memcpy(&polylines, at, 4);
    at += 4;
    left -= 4;
    for (uint32_t i = 0; i < polylines; ++i)
    {
        uint32_t points = 0;
        if (left < 4) return;
        memcpy(&points, at, 4);
        uint64_t pointBytes = (uint64_t)points * sizeof(Vec2);
        // The layout is read, not assumed: stop at the end of what was written.
        if (pointBytes > left - 4) return;
        pushDraw(lines, (const float*)(at + 4), points, colorWhite);
        at += 4 + pointBytes;
        left -= 4 + pointBytes;
    }
}
