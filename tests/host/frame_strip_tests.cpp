#include "character/frame_strip.h"
#include "character/pose_editor.h"
#include "editor_fixture.h"

namespace {

struct FrameStrip : testing::Test, EditorFixture
{
    Pose poseMemory[40];
    Arena poseArena = {sizeof poseMemory, 0, (uint8_t*)poseMemory};
    Animation animation = {0, poseMemory};
    FrameStripState strip = {0};
    PoseEditorState editor = initialPoseEditorState();

    // Frame i's points all lie near (1000 i, 0), so moves and copies show in its tag.
    void makeFrames(uint32_t count)
    {
        for (uint32_t f = 0; f < count; ++f)
            for (uint32_t i = 0; i < 28; ++i) poseMemory[f].points[i] = {1000.0f * (float)f + (float)i, -(float)i};
        animation.frameCount = count;
        poseArena.used = count * sizeof(Pose);
    }

    float tagOf(uint32_t frame) const { return animation.poses[frame].points[0].x / 1000.0f; }

    void frameWith(uint32_t key, ButtonState state, int32_t x = 0, int32_t y = 0)
    {
        startFrame(key, state, x, y);
        updateFrameStrip(&strip, &editor, &window, &lines, &points, &rects, &animation, &poseArena);
    }

    void clickAt(int32_t x, int32_t y, bool control = false)
    {
        window.keys[KeyControl] = control ? Held : Up;
        frameWith(KeyMouseLeft, Released, x, y);
    }
};

int32_t boxCentreX(uint32_t box) { return 110 + 20 * (int32_t)box + 7; }

using FrameStripDeletion = FrameStrip;
using FrameStripInsertion = FrameStrip;
using FrameStripSelection = FrameStrip;

TEST_F(FrameStrip, DrawsFramesBeforeSelectedAfterAndTheAddBoxAlongTheTopThenTheSelectedPose)
{
    makeFrames(3);
    frameWith(0, Up);
    ASSERT_EQ(rects.drawCount, 4u + 3u); // the strip's four, then the editor's buttons
    const Color colors[4] = {colorYellow, colorRed, colorYellow, colorGreen};
    const uint32_t counts[4] = {0, 1, 2, 1};
    for (uint32_t i = 0; i < 4; ++i)
    {
        EXPECT_EQ(drawAt(rects, i).count, counts[i]);
        EXPECT_TRUE(sameColor(drawAt(rects, i).color, colors[i]));
    }
    EXPECT_VEC2_EQ(vertexOf(drawAt(rects, 1), 0), 110, 690);
    EXPECT_VEC2_EQ(vertexOf(drawAt(rects, 1), 1), 125, 720);
    EXPECT_VEC2_EQ(vertexOf(drawAt(rects, 2), 3), 165, 720);
    EXPECT_VEC2_EQ(vertexOf(drawAt(rects, 3), 0), 170, 690);

    strip.selectedFrame = 2;
    frameWith(0, Up);
    EXPECT_EQ(drawAt(rects, 0).count, 2u);
    EXPECT_EQ(drawAt(rects, 2).count, 0u);
    // The guides, then the head outline of frame 2's pose.
    EXPECT_VEC2_EQ(vertexOf(drawAt(lines, 2), 0), 640 + 2000, 50);
}

TEST_F(FrameStripSelection, ByAClickInsideABoxNotOnItsEdgeAndByArrowsThatWrapAround)
{
    makeFrames(4);
    clickAt(boxCentreX(2), 705);
    EXPECT_EQ(strip.selectedFrame, 2u);
    clickAt(110, 705); // left edge of box 0
    clickAt(boxCentreX(0), 690); // bottom edge
    EXPECT_EQ(strip.selectedFrame, 2u);
    clickAt(boxCentreX(0), 719);
    EXPECT_EQ(strip.selectedFrame, 0u);

    frameWith(KeyLeft, Released);
    EXPECT_EQ(strip.selectedFrame, 3u);
    frameWith(KeyRight, Released);
    EXPECT_EQ(strip.selectedFrame, 0u);

    strip.selectedFrame = 7; // out of range on entry
    frameWith(0, Up);
    EXPECT_EQ(strip.selectedFrame, 3u);
}

TEST_F(FrameStripDeletion, ControlClickDeletesTheBoxClickedUnlessItIsTheOnlyFrame)
{
    struct Case
    {
        uint32_t frames, selected, clicked;
        uint32_t selectedAfter;
        std::vector<float> tagsAfter;
    };
    const Case cases[] = {
        {3, 2, 2, 1, {0, 1}},
        {3, 2, 0, 0, {1, 2}},
        {1, 0, 0, 0, {0}},
    };
    for (const Case& c : cases)
    {
        makeFrames(c.frames);
        strip.selectedFrame = c.selected;
        clickAt(boxCentreX(c.clicked), 705, true);
        ASSERT_EQ(animation.frameCount, c.tagsAfter.size()) << "clicked " << c.clicked;
        EXPECT_EQ(poseArena.used, c.tagsAfter.size() * sizeof(Pose));
        EXPECT_EQ(strip.selectedFrame, c.selectedAfter);
        for (uint32_t f = 0; f < animation.frameCount; ++f) EXPECT_EQ(tagOf(f), c.tagsAfter[f]);
        // The strip drawn in the same frame already shows the change.
        EXPECT_EQ(drawAt(rects, 0).count + 1 + drawAt(rects, 2).count, animation.frameCount);
    }
}

TEST_F(FrameStripInsertion, DuplicatesTheSelectedFrameAfterItselfAndSelectsTheCopy)
{
    makeFrames(3); // P, Q, R
    strip.selectedFrame = 1;
    Pose q = animation.poses[1];
    clickAt(170 + 7, 705);
    ASSERT_EQ(animation.frameCount, 4u);
    EXPECT_EQ(strip.selectedFrame, 2u);
    EXPECT_EQ(poseArena.used, 4 * sizeof(Pose));
    EXPECT_EQ(tagOf(0), 0.0f);
    EXPECT_EQ(memcmp(&animation.poses[1], &q, sizeof(Pose)), 0);
    EXPECT_EQ(memcmp(&animation.poses[2], &q, sizeof(Pose)), 0);
    EXPECT_EQ(tagOf(3), 2.0f);

    frameWith(0, Up);
    EXPECT_VEC2_EQ(vertexOf(drawAt(rects, 3), 0), 190, 690); // the add box moved right
}

TEST_F(FrameStripInsertion, RefusedAtThirtyTwoFramesOrWhenTheArenaIsFull)
{
    makeFrames(32);
    strip.selectedFrame = 5;
    Pose before[32];
    memcpy(before, poseMemory, sizeof before);
    clickAt(boxCentreX(32), 705);
    EXPECT_EQ(animation.frameCount, 32u);
    EXPECT_EQ(strip.selectedFrame, 5u);
    EXPECT_EQ(poseArena.used, 32 * sizeof(Pose));
    EXPECT_EQ(memcmp(before, poseMemory, sizeof before), 0);

    makeFrames(3);
    poseArena.capacity = 3 * sizeof(Pose);
    clickAt(boxCentreX(3), 705);
    EXPECT_EQ(animation.frameCount, 3u);
    EXPECT_EQ(poseArena.used, 3 * sizeof(Pose));
}

TEST_F(FrameStrip, LoadedAnimationsBeyondThirtyTwoFramesOrWithoutFramesAreLeftAlone)
{
    makeFrames(40);
    strip.selectedFrame = 35;
    frameWith(0, Up);
    EXPECT_EQ(drawAt(rects, 0).count, 32u) << "only the first 32 boxes";
    EXPECT_EQ(drawAt(rects, 1).count, 0u);
    clickAt(boxCentreX(40), 705);
    EXPECT_EQ(animation.frameCount, 40u);

    makeFrames(0);
    strip.selectedFrame = 3;
    clickAt(boxCentreX(0), 705);
    EXPECT_EQ(animation.frameCount, 0u);
    EXPECT_EQ(strip.selectedFrame, 0u);
    EXPECT_EQ(lines.drawCount, 0u) << "no pose to edit";
}

} // namespace
