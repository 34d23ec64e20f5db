#pragma once
// Batches over local memory with the game's capacities, read back draw by draw.
#include <string.h>
#include <vector>
#include "app/arena.h"
#include "character/pose.h"
#include "render/render_batch.h"

inline const Draw& drawAt(const RenderBatch& batch, uint32_t index)
{
    return *(const Draw*)(batch.draws.base + index * drawStride);
}

inline std::vector<Vec2> pointsOf(const Draw& draw)
{
    std::vector<Vec2> points(draw.count);
    if (draw.count) memcpy(points.data(), draw.points, draw.count * sizeof(Vec2));
    return points;
}

inline bool sameColor(Color a, Color b) { return a.r == b.r && a.g == b.g && a.b == b.b && a.a == b.a; }

struct LineBatchFixture
{
    uint8_t memory[16384 + 8192];
    Arena arena = {sizeof memory, 0, memory};
    float projection[16] = {};
    RenderBatch lines = createRenderBatch(&arena, lineBatchSize, 0, projection);

    const Draw& draw(uint32_t index) const { return drawAt(lines, index); }
    std::vector<Vec2> pointsOf(uint32_t index) const { return ::pointsOf(draw(index)); }
};
