#pragma once
// The editor as the program runs it: the frame strip over a local animation,
// which runs the pose editor on the selected pose, one frame at a time in a
// 1280 x 720 window driven by hand.
#include <gtest/gtest.h>
#include <vector>
#include "character/frame_strip.h"
#include "character/pose_editor.h"
#include "line_batch_fixture.h"
#include "platform/window.h"

struct EditorFixture : testing::Test
{
    uint8_t batchMemory[64 * 1024];
    Arena batchArena = {sizeof batchMemory, 0, batchMemory};
    float projection[16] = {};
    RenderBatch lines = createRenderBatch(&batchArena, lineBatchSize, 0, projection);
    RenderBatch points = createRenderBatch(&batchArena, pointBatchSize, 0, projection);
    RenderBatch rects = createRenderBatch(&batchArena, rectBatchSize, 0, projection);
    Window window = {};
    Pose poses[40];
    Arena poseArena = {sizeof poses, 0, (uint8_t*)poses};
    Animation animation = {0, poses};
    FrameStripState strip = {};
    PoseEditorState editor = initialPoseEditorState();

    EditorFixture()
    {
        window.clientWidth = 1280;
        window.clientHeight = 720;
        makeFrames(1);
    }

    // Frame f's point i lies at (1000 f - 400, 300 + 10 i): shown far from the
    // spots the tests click, and tagged with f.
    void makeFrames(uint32_t count)
    {
        for (uint32_t f = 0; f < count; ++f)
            for (uint32_t i = 0; i < 28; ++i) poses[f].points[i] = {1000.0f * (float)f - 400.0f, 300.0f + 10.0f * (float)i};
        animation.frameCount = count;
        poseArena.used = count * sizeof(Pose);
    }

    // The frames moved to heap memory of exactly room poses, so that a write past the arena is caught.
    std::vector<Pose> tight;
    void tightArena(uint32_t room)
    {
        tight = std::vector<Pose>(poses, poses + room);
        animation.poses = tight.data();
        poseArena = {room * sizeof(Pose), animation.frameCount * sizeof(Pose), (uint8_t*)tight.data()};
    }

    float tagOf(uint32_t frame) const { return (animation.poses[frame].points[0].x + 400.0f) / 1000.0f; }
    Pose& pose() { return animation.poses[strip.selectedFrame]; }

    // One frame: keys that changed last frame settle (Pressed becomes Held,
    // Released becomes Up), then this key takes this state and the mouse moves.
    void frame(uint32_t key, ButtonState state, int32_t x, int32_t y)
    {
        resetBatch(&lines);
        resetBatch(&points);
        resetBatch(&rects);
        for (uint8_t& k : window.keys) k = k == Pressed ? (uint8_t)Held : k == Released ? (uint8_t)Up : k;
        window.keys[key] = state;
        window.mouseX = x;
        window.mouseY = y;
        updateFrameStrip(&strip, &editor, &window, &lines, &points, &rects, &animation, &poseArena);
    }

    void press(uint32_t key) { frame(key, Pressed, window.mouseX, window.mouseY); }
    void release(uint32_t key) { frame(key, Released, window.mouseX, window.mouseY); }
    void click(int32_t x, int32_t y) { frame(KeyMouseLeft, Released, x, y); }
};
