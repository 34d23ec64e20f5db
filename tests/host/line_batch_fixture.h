#pragma once
// A line batch with the game's capacities over local memory, read back draw by draw.
#include <string.h>
#include <vector>
#include "app/arena.h"
#include "character/pose.h"
#include "render/render_batch.h"

struct LineBatchFixture
{
    uint8_t memory[16384 + 8192];
    Arena arena = {sizeof memory, 0, memory};
    float projection[16] = {};
    RenderBatch lines = createRenderBatch(&arena, LineStrips, 16384, 8192, 24576, 4092, 0, projection);

    const Draw& draw(uint32_t index) const { return *(const Draw*)(lines.draws.base + index * drawStride); }

    std::vector<Vec2> pointsOf(uint32_t index) const
    {
        const Draw& d = draw(index);
        std::vector<Vec2> points(d.count);
        if (d.count) memcpy(points.data(), d.points, d.count * sizeof(Vec2));
        return points;
    }
};

inline bool sameColor(Color a, Color b)
{
    return a.r == b.r && a.g == b.g && a.b == b.b && a.a == b.a;
}
