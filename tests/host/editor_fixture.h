#pragma once
// Shared by the frame strip and pose editor tests: a window record driven by
// hand and the three editor batches over local memory, read back draw by draw.
#include <gtest/gtest.h>
#include <string.h>
#include <vector>
#include "app/arena.h"
#include "character/pose.h"
#include "platform/window.h"
#include "render/render_batch.h"

struct EditorFixture
{
    uint8_t batchMemory[64 * 1024];
    Arena batchArena;
    float projection[16];
    RenderBatch lines;
    RenderBatch points;
    RenderBatch rects;
    Window window;

    EditorFixture()
    {
        batchArena = {sizeof batchMemory, 0, batchMemory};
        memset(projection, 0, sizeof projection);
        lines = createRenderBatch(&batchArena, LineStrips, 16384, 8192, 24576, 4092, 0, projection);
        points = createRenderBatch(&batchArena, Points, 16384, 8192, 98304, 20480, 0, projection);
        rects = createRenderBatch(&batchArena, Rects, 2048, 1024, 6144, 1280, 0, projection);
        window = {};
        window.clientWidth = 1280;
        window.clientHeight = 720;
    }

    // Starts a new frame: empty batches, and every key that changed last
    // frame settles (Pressed becomes Held, Released becomes Up).
    void nextFrame()
    {
        resetBatch(&lines);
        resetBatch(&points);
        resetBatch(&rects);
        for (uint8_t& key : window.keys)
        {
            if (key == Pressed) key = Held;
            if (key == Released) key = Up;
        }
    }

    void setKey(uint32_t key, ButtonState state) { window.keys[key] = state; }
    void mouseAt(int32_t x, int32_t y)
    {
        window.mouseX = x;
        window.mouseY = y;
    }
};

inline const Draw* drawAt(const RenderBatch& batch, uint32_t index)
{
    return (const Draw*)(batch.draws.base + index * drawStride);
}

inline const PointDraw* pointDrawAt(const RenderBatch& batch, uint32_t index)
{
    return (const PointDraw*)(batch.draws.base + index * drawStride);
}

inline bool sameColor(Color a, Color b) { return a.r == b.r && a.g == b.g && a.b == b.b && a.a == b.a; }

inline Vec2 vertexOf(const Draw* draw, uint32_t index) { return {draw->points[2 * index], draw->points[2 * index + 1]}; }

// A pose whose every point is distinct and far from every other frame's.
inline Pose numberedPose(float tag)
{
    Pose pose;
    for (uint32_t i = 0; i < 28; ++i) pose.points[i] = {tag * 1000.0f + (float)i, -(float)i};
    return pose;
}

#define EXPECT_VEC2_EQ(actual, ex, ey)                                                                                  \
    do                                                                                                                 \
    {                                                                                                                  \
        Vec2 value_ = (actual);                                                                                        \
        EXPECT_FLOAT_EQ(value_.x, (ex));                                                                               \
        EXPECT_FLOAT_EQ(value_.y, (ey));                                                                               \
    } while (0)
