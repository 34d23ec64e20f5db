#pragma once
// Batches over local memory with the game's capacities, read back draw by draw.
#include <stdint.h>
#include <string.h>
#include <algorithm>
#include <string>
#include <vector>
#include "app/arena.h"
#include "character/pose.h"
#include "render/render_batch.h"

inline const Draw& drawAt(const RenderBatch& batch, uint32_t index)
{
    return *(const Draw*)(batch.draws.base + index * drawStride);
}

inline bool sameColor(Color a, Color b) { return memcmp(&a, &b, sizeof a) == 0; }

// Every draw as its count and colour (w white, r red, y yellow, g green, 5 and 7
// grey 50 and 75), point draws with their size: "7w 4w", "9y6".
inline std::string drawList(const RenderBatch& batch)
{
    const struct { Color color; char letter; } names[] = {{colorWhite, 'w'}, {colorRed, 'r'}, {colorYellow, 'y'},
                                                          {colorGreen, 'g'}, {colorGrey50, '5'}, {colorGrey75, '7'}};
    std::string list;
    for (uint32_t i = 0; i < batch.drawCount; ++i)
    {
        const PointDraw& point = *(const PointDraw*)&drawAt(batch, i);
        Color color = batch.kind == Points ? point.color : drawAt(batch, i).color;
        list += (i ? " " : "") + std::to_string(point.count);
        for (const auto& name : names) list += memcmp(&color, &name.color, sizeof color) ? "" : std::string(1, name.letter);
        if (batch.kind == Points) list += std::to_string((int)point.size);
    }
    return list;
}

// The batch's vertex coordinates from the draws in order, x then y: count of them from the first.
inline std::vector<float> vertices(const RenderBatch& batch, size_t first = 0, size_t count = SIZE_MAX)
{
    std::vector<float> all;
    for (uint32_t i = 0; i < batch.drawCount; ++i)
    {
        const Draw& draw = drawAt(batch, i);
        all.insert(all.end(), draw.points, draw.points + draw.count * (batch.kind == Rects ? 4 : 2));
    }
    all.erase(all.begin(), all.begin() + (long)std::min(first, all.size()));
    all.resize(std::min(count, all.size()));
    return all;
}

struct LineBatchFixture
{
    uint8_t memory[16384 + 8192];
    Arena arena = {sizeof memory, 0, memory};
    float projection[16] = {};
    RenderBatch lines = createRenderBatch(&arena, lineBatchSize, 0, projection);
};
