#pragma once
// Shared by the frame strip and pose editor tests: a window record driven by
// hand and the three editor batches over local memory.
#include <gtest/gtest.h>
#include "line_batch_fixture.h"
#include "platform/window.h"

struct EditorFixture
{
    uint8_t batchMemory[64 * 1024];
    Arena batchArena = {sizeof batchMemory, 0, batchMemory};
    float projection[16] = {};
    RenderBatch lines = createRenderBatch(&batchArena, lineBatchSize, 0, projection);
    RenderBatch points = createRenderBatch(&batchArena, pointBatchSize, 0, projection);
    RenderBatch rects = createRenderBatch(&batchArena, rectBatchSize, 0, projection);
    Window window = {};

    EditorFixture()
    {
        window.clientWidth = 1280;
        window.clientHeight = 720;
    }

    // Starts a new frame: empty batches, keys that changed last frame settle
    // (Pressed becomes Held, Released becomes Up), then this key and mouse.
    void startFrame(uint32_t key, ButtonState state, int32_t x, int32_t y)
    {
        resetBatch(&lines);
        resetBatch(&points);
        resetBatch(&rects);
        for (uint8_t& k : window.keys)
        {
            if (k == Pressed) k = Held;
            if (k == Released) k = Up;
        }
        window.keys[key] = state;
        window.mouseX = x;
        window.mouseY = y;
    }
};

inline Vec2 vertexOf(const Draw& draw, uint32_t index) { return {draw.points[2 * index], draw.points[2 * index + 1]}; }

inline const PointDraw& pointDrawAt(const RenderBatch& batch, uint32_t index)
{
    return *(const PointDraw*)(batch.draws.base + index * drawStride);
}

#define EXPECT_VEC2_EQ(actual, ex, ey)                                                                                  \
    do                                                                                                                 \
    {                                                                                                                  \
        Vec2 value_ = (actual);                                                                                        \
        EXPECT_FLOAT_EQ(value_.x, (ex));                                                                               \
        EXPECT_FLOAT_EQ(value_.y, (ey));                                                                               \
    } while (0)
