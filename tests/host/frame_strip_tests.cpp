#include "character/frame_strip.h"
#include "character/pose_editor.h"
#include "editor_fixture.h"

namespace {

struct FrameStrip : testing::Test, EditorFixture
{
    static const uint32_t arenaPoses = 40;
    Pose poseMemory[arenaPoses];
    Arena poseArena = {sizeof poseMemory, 0, (uint8_t*)poseMemory};
    Animation animation = {0, poseMemory};
    FrameStripState strip = {0};
    PoseEditorState editor = initialPoseEditorState();

    // Frames tagged 0, 1, 2, ... so moves and copies show in the first point.
    void makeFrames(uint32_t count)
    {
        for (uint32_t i = 0; i < count; ++i) poseMemory[i] = numberedPose((float)i);
        animation.frameCount = count;
        poseArena.used = count * sizeof(Pose);
    }

    float tagOf(uint32_t frame) const { return animation.poses[frame].points[0].x / 1000.0f; }

    void run() { updateFrameStrip(&strip, &editor, &window, &lines, &points, &rects, &animation, &poseArena); }

    void clickAt(int32_t x, int32_t y, bool control = false)
    {
        nextFrame();
        setKey(KeyMouseLeft, Released);
        setKey(KeyControl, control ? Held : Up);
        mouseAt(x, y);
        run();
    }

    void release(uint32_t key)
    {
        nextFrame();
        setKey(key, Released);
        run();
    }
};

int32_t boxCentreX(uint32_t box) { return 110 + 20 * (int32_t)box + 7; }

using FrameStripDeletion = FrameStrip;
using FrameStripInsertion = FrameStrip;
using FrameStripSelection = FrameStrip;

TEST_F(FrameStrip, DrawsFourRectangleDrawsAlongTheTopEdge)
{
    makeFrames(3);
    run();
    ASSERT_EQ(rects.drawCount, 4u + 3u); // the strip's four, then the editor's buttons
    EXPECT_EQ(drawAt(rects, 0)->count, 0u);
    const Draw* red = drawAt(rects, 1);
    EXPECT_TRUE(sameColor(red->color, colorRed));
    ASSERT_EQ(red->count, 1u);
    EXPECT_VEC2_EQ(vertexOf(red, 0), 110, 690);
    EXPECT_VEC2_EQ(vertexOf(red, 1), 125, 720);
    const Draw* after = drawAt(rects, 2);
    EXPECT_TRUE(sameColor(after->color, colorYellow));
    ASSERT_EQ(after->count, 2u);
    EXPECT_VEC2_EQ(vertexOf(after, 2), 150, 690);
    EXPECT_VEC2_EQ(vertexOf(after, 3), 165, 720);
    const Draw* add = drawAt(rects, 3);
    EXPECT_TRUE(sameColor(add->color, colorGreen));
    ASSERT_EQ(add->count, 1u);
    EXPECT_VEC2_EQ(vertexOf(add, 0), 170, 690);
    EXPECT_VEC2_EQ(vertexOf(add, 1), 185, 720);

    strip.selectedFrame = 2;
    nextFrame();
    run();
    EXPECT_EQ(drawAt(rects, 0)->count, 2u);
    EXPECT_EQ(drawAt(rects, 2)->count, 0u);
}

TEST_F(FrameStrip, HandsTheSelectedPoseToTheEditor)
{
    makeFrames(3);
    strip.selectedFrame = 1;
    run();
    // Guides first, then the pose's head outline starting at point 0 of frame 1.
    ASSERT_GE(lines.drawCount, 3u);
    EXPECT_VEC2_EQ(vertexOf(drawAt(lines, 2), 0), 640 + 1000, 50);
}

TEST_F(FrameStripSelection, ClickSelectsButAReleaseOnAnEdgeDoesNot)
{
    makeFrames(3);
    clickAt(boxCentreX(2), 705);
    EXPECT_EQ(strip.selectedFrame, 2u);
    clickAt(110, 705); // left edge of box 0
    EXPECT_EQ(strip.selectedFrame, 2u);
    clickAt(boxCentreX(0), 690); // bottom edge
    EXPECT_EQ(strip.selectedFrame, 2u);
    clickAt(boxCentreX(0), 719);
    EXPECT_EQ(strip.selectedFrame, 0u);
}

TEST_F(FrameStripSelection, ArrowsWrapAroundAndRightWinsOverLeft)
{
    makeFrames(4);
    strip.selectedFrame = 3;
    release(KeyRight);
    EXPECT_EQ(strip.selectedFrame, 0u);
    release(KeyLeft);
    EXPECT_EQ(strip.selectedFrame, 3u);
    release(KeyLeft);
    EXPECT_EQ(strip.selectedFrame, 2u);

    nextFrame();
    setKey(KeyLeft, Released);
    setKey(KeyRight, Released);
    run();
    EXPECT_EQ(strip.selectedFrame, 3u);
}

TEST_F(FrameStripSelection, AnOutOfRangeSelectionIsClampedOnEntry)
{
    makeFrames(3);
    strip.selectedFrame = 7;
    run();
    EXPECT_EQ(strip.selectedFrame, 2u);
}

TEST_F(FrameStripDeletion, DeletingTheLastFrameSelectsTheOneBefore)
{
    makeFrames(3);
    strip.selectedFrame = 2;
    clickAt(boxCentreX(2), 705, true);
    EXPECT_EQ(animation.frameCount, 2u);
    EXPECT_EQ(strip.selectedFrame, 1u);
    EXPECT_EQ(poseArena.used, 2 * sizeof(Pose));
    EXPECT_EQ(tagOf(0), 0.0f);
    EXPECT_EQ(tagOf(1), 1.0f);
    // The deletion shows in the same frame: two boxes, the second red.
    EXPECT_EQ(drawAt(rects, 0)->count, 1u);
    EXPECT_VEC2_EQ(vertexOf(drawAt(rects, 1), 0), 130, 690);
    EXPECT_EQ(drawAt(rects, 2)->count, 0u);
}

TEST_F(FrameStripDeletion, DeletingTheFirstFrameMovesTheRestDown)
{
    makeFrames(3);
    strip.selectedFrame = 2;
    Pose second = animation.poses[1];
    clickAt(boxCentreX(0), 705, true);
    EXPECT_EQ(animation.frameCount, 2u);
    EXPECT_EQ(strip.selectedFrame, 0u);
    EXPECT_EQ(poseArena.used, 2 * sizeof(Pose));
    EXPECT_EQ(memcmp(&animation.poses[0], &second, sizeof(Pose)), 0);
    EXPECT_EQ(tagOf(1), 2.0f);
}

TEST_F(FrameStripDeletion, ASingleFrameIsOnlySelected)
{
    makeFrames(1);
    clickAt(boxCentreX(0), 705, true);
    EXPECT_EQ(animation.frameCount, 1u);
    EXPECT_EQ(strip.selectedFrame, 0u);
    EXPECT_EQ(poseArena.used, sizeof(Pose));
}

TEST_F(FrameStripInsertion, DuplicatesTheSelectedFrameAfterItself)
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
    // This frame still shows three boxes and the add box where it was clicked.
    EXPECT_EQ(drawAt(rects, 0)->count + drawAt(rects, 1)->count + drawAt(rects, 2)->count, 3u);
    EXPECT_VEC2_EQ(vertexOf(drawAt(rects, 3), 0), 170, 690);

    nextFrame();
    run();
    EXPECT_VEC2_EQ(vertexOf(drawAt(rects, 3), 0), 190, 690);
}

TEST_F(FrameStripInsertion, RefusedAtThirtyTwoFrames)
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
}

TEST_F(FrameStripInsertion, RefusedWhenTheArenaHasNoRoomForAnotherPose)
{
    makeFrames(3);
    poseArena.capacity = 3 * sizeof(Pose);
    clickAt(boxCentreX(3), 705);
    EXPECT_EQ(animation.frameCount, 3u);
    EXPECT_EQ(poseArena.used, 3 * sizeof(Pose));
    EXPECT_EQ(tagOf(1), 1.0f);
}

TEST_F(FrameStrip, MoreFramesThanBoxesDrawsOnlyTheFirstThirtyTwo)
{
    makeFrames(40);
    strip.selectedFrame = 35;
    run();
    EXPECT_EQ(drawAt(rects, 0)->count, 32u);
    EXPECT_EQ(drawAt(rects, 1)->count, 0u);
    EXPECT_EQ(drawAt(rects, 2)->count, 0u);
    EXPECT_EQ(drawAt(rects, 3)->count, 1u);

    strip.selectedFrame = 31;
    nextFrame();
    run();
    EXPECT_EQ(drawAt(rects, 0)->count, 31u);
    EXPECT_EQ(drawAt(rects, 1)->count, 1u);
    EXPECT_EQ(drawAt(rects, 2)->count, 0u);

    clickAt(boxCentreX(40), 705);
    EXPECT_EQ(animation.frameCount, 40u);
}

TEST_F(FrameStrip, AnAnimationWithoutFramesIsLeftAlone)
{
    makeFrames(0);
    strip.selectedFrame = 3;
    clickAt(boxCentreX(0), 705);
    EXPECT_EQ(animation.frameCount, 0u);
    EXPECT_EQ(strip.selectedFrame, 0u);
    EXPECT_EQ(rects.drawCount, 4u);
    EXPECT_EQ(lines.drawCount, 0u);
}

} // namespace
