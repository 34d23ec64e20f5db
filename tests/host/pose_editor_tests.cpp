#include <math.h>
#include "character/pose_editor.h"
#include "editor_fixture.h"

namespace {

struct PoseEditor : testing::Test, EditorFixture
{
    PoseEditorState editor = initialPoseEditorState();
    Pose pose;

    PoseEditor()
    {
        // Every point far from the mouse positions the tests use, unless a test places it.
        for (uint32_t i = 0; i < 28; ++i) pose.points[i] = {-400.0f, 300.0f + 10.0f * (float)i};
    }

    void run() { updatePoseEditor(&editor, &window, &lines, &points, &rects, &pose); }

    // Runs one frame with the key in the given state and the mouse at (x, y).
    void frameWith(uint32_t key, ButtonState state, int32_t x, int32_t y)
    {
        nextFrame();
        setKey(key, state);
        mouseAt(x, y);
        run();
    }

    void press(uint32_t key) { frameWith(key, Pressed, window.mouseX, window.mouseY); }

    std::vector<uint64_t> selection() const
    {
        return std::vector<uint64_t>(editor.selection, editor.selection + editor.selectionCount);
    }
};

using PoseEditorView = PoseEditor;
using PoseEditorPolylines = PoseEditor;
using PoseEditorDrag = PoseEditor;
using PoseEditorBoxSelection = PoseEditor;
using PoseEditorGrab = PoseEditor;
using PoseEditorClipboard = PoseEditor;
using PoseEditorZoom = PoseEditor;
using PoseEditorHandles = PoseEditor;

TEST_F(PoseEditorView, ShowsPointsAtZoomTimesPointPlusOrigin)
{
    pose.points[0] = {0, 0};
    pose.points[1] = {10, -5};
    run();

    ASSERT_EQ(lines.drawCount, 6u);
    const Draw* ground = drawAt(lines, 0);
    EXPECT_TRUE(sameColor(ground->color, colorGrey50));
    EXPECT_VEC2_EQ(vertexOf(ground, 0), 0, 50);
    EXPECT_VEC2_EQ(vertexOf(ground, 1), 1280, 50);
    EXPECT_VEC2_EQ(vertexOf(drawAt(lines, 1), 0), 640, 0);
    EXPECT_VEC2_EQ(vertexOf(drawAt(lines, 1), 1), 640, 720);

    const Draw* head = drawAt(lines, 2);
    EXPECT_TRUE(sameColor(head->color, colorWhite));
    ASSERT_EQ(head->count, 7u);
    EXPECT_VEC2_EQ(vertexOf(head, 0), 640, 50);
    EXPECT_VEC2_EQ(vertexOf(head, 1), 650, 45);
    EXPECT_VEC2_EQ(vertexOf(head, 6), 640, 50);
    EXPECT_EQ(drawAt(lines, 3)->count, 4u);
    EXPECT_EQ(drawAt(lines, 4)->count, 9u);
    EXPECT_EQ(drawAt(lines, 5)->count, 9u);

    editor.zoom = 2.0f;
    nextFrame();
    run();
    EXPECT_VEC2_EQ(vertexOf(drawAt(lines, 2), 1), 660, 40);
}

TEST_F(PoseEditorView, DigitThreeHidesAndShowsTheGuides)
{
    frameWith(keyDigit(3), Released, 0, 0);
    EXPECT_EQ(editor.showGuides, 0);
    EXPECT_EQ(lines.drawCount, 4u);
    frameWith(keyDigit(3), Released, 0, 0);
    EXPECT_EQ(lines.drawCount, 6u);
}

TEST_F(PoseEditorPolylines, ButtonsAreDrawnAsThreeDrawsAroundTheSelectedOne)
{
    run();
    ASSERT_EQ(rects.drawCount, 3u);
    EXPECT_EQ(drawAt(rects, 0)->count, 0u);
    const Draw* red = drawAt(rects, 1);
    EXPECT_TRUE(sameColor(red->color, colorRed));
    ASSERT_EQ(red->count, 1u);
    EXPECT_VEC2_EQ(vertexOf(red, 0), 5, 665);
    EXPECT_VEC2_EQ(vertexOf(red, 1), 105, 695);
    EXPECT_EQ(drawAt(rects, 2)->count, 3u);
    EXPECT_TRUE(sameColor(drawAt(rects, 2)->color, colorYellow));

    frameWith(KeyMouseLeft, Released, 50, 610); // inside button 2
    EXPECT_EQ(editor.selectedPolyline, 2u);
    EXPECT_EQ(drawAt(rects, 0)->count, 2u);
    EXPECT_EQ(drawAt(rects, 2)->count, 1u);
    EXPECT_VEC2_EQ(vertexOf(drawAt(rects, 1), 0), 5, 595);
}

TEST_F(PoseEditorPolylines, ArrowsWrapAroundAndClearTheSelection)
{
    editor.selection[0] = 2;
    editor.selectionCount = 1;
    press(KeyUp);
    EXPECT_EQ(editor.selectedPolyline, 3u);
    EXPECT_EQ(editor.selectionCount, 0u);
    press(KeyDown);
    EXPECT_EQ(editor.selectedPolyline, 0u);

    nextFrame();
    setKey(KeyUp, Pressed);
    setKey(KeyDown, Pressed);
    run();
    EXPECT_EQ(editor.selectedPolyline, 0u);
}

TEST_F(PoseEditorDrag, LowestIndexWinsOverNearest)
{
    pose.points[0] = {0, 0}; // shown at (640, 50)
    pose.points[1] = {5, 0}; // shown at (645, 50)
    frameWith(KeyMouseLeft, Pressed, 644, 50);
    EXPECT_EQ(editor.draggedPoint, 0);
    EXPECT_VEC2_EQ(pose.points[0], 4, 0);
    EXPECT_VEC2_EQ(pose.points[1], 5, 0);
}

TEST_F(PoseEditorDrag, EightPixelsPicksNinePixelsDoesNot)
{
    pose.points[2] = {0, 0};
    frameWith(KeyMouseLeft, Pressed, 640, 59);
    EXPECT_EQ(editor.draggedPoint, -1);
    EXPECT_VEC2_EQ(pose.points[2], 0, 0);

    frameWith(KeyMouseLeft, Released, 640, 59);
    frameWith(KeyMouseLeft, Pressed, 648, 50);
    EXPECT_EQ(editor.draggedPoint, 2);
    EXPECT_VEC2_EQ(pose.points[2], 8, 0);
}

TEST_F(PoseEditorDrag, DragAtZoomTwoStoresPoseUnitsAndReleaseKeepsThePoint)
{
    editor.zoom = 2.0f;
    editor.selection[0] = 1;
    editor.selectionCount = 1;
    pose.points[0] = {0, 0};
    frameWith(KeyMouseLeft, Pressed, 641, 51);
    EXPECT_EQ(editor.selectionCount, 0u);
    EXPECT_VEC2_EQ(pose.points[0], 0.5f, 0.5f);

    frameWith(KeyMouseLeft, Held, 660, 70);
    EXPECT_VEC2_EQ(pose.points[0], 10, 10);

    frameWith(KeyMouseLeft, Released, 700, 90);
    EXPECT_EQ(editor.draggedPoint, -1);
    EXPECT_VEC2_EQ(pose.points[0], 10, 10);
    frameWith(KeyMouseLeft, Up, 800, 100);
    EXPECT_VEC2_EQ(pose.points[0], 10, 10);
}

TEST_F(PoseEditorDrag, DragAcrossAnArrowSwitchStaysInsideThePose)
{
    pose.points[19 + 8] = {0, 0};
    editor.selectedPolyline = 3;
    frameWith(KeyMouseLeft, Pressed, 640, 50);
    ASSERT_EQ(editor.draggedPoint, 8);

    // Polyline 0 has 6 points: index 8 now counts into polyline 1.
    nextFrame();
    setKey(KeyDown, Pressed);
    mouseAt(650, 60);
    run();
    EXPECT_EQ(editor.selectedPolyline, 0u);
    EXPECT_VEC2_EQ(pose.points[8], 10, 10);
}

struct BoxPoints
{
    // Shown positions at zoom 1: (640,50) (660,70) (680,90) (620,70) (700,50) (740,150).
    static void place(Pose* pose)
    {
        const Vec2 at[6] = {{0, 0}, {20, 20}, {40, 40}, {-20, 20}, {60, 0}, {100, 100}};
        for (uint32_t i = 0; i < 6; ++i) pose->points[i] = at[i];
    }
};

TEST_F(PoseEditorBoxSelection, ArmingShowsACrosshairAndDraggingShowsTheOutline)
{
    BoxPoints::place(&pose);
    frameWith(keyLetter('B'), Pressed, 630, 60);
    EXPECT_EQ(editor.boxSelectMode, 1);
    ASSERT_EQ(lines.drawCount, 2u + 2u + 4u);
    const Draw* across = drawAt(lines, 2);
    EXPECT_TRUE(sameColor(across->color, colorGrey75));
    EXPECT_VEC2_EQ(vertexOf(across, 0), 0, 60);
    EXPECT_VEC2_EQ(vertexOf(across, 1), 1280, 60);
    EXPECT_VEC2_EQ(vertexOf(drawAt(lines, 3), 0), 630, 0);
    EXPECT_VEC2_EQ(vertexOf(drawAt(lines, 3), 1), 630, 720);

    frameWith(KeyMouseLeft, Pressed, 630, 60);
    frameWith(KeyMouseLeft, Held, 650, 80);
    ASSERT_EQ(lines.drawCount, 2u + 1u + 4u); // outline, no crosshair
    const Draw* outline = drawAt(lines, 2);
    ASSERT_EQ(outline->count, 5u);
    EXPECT_VEC2_EQ(vertexOf(outline, 1), 650, 60);
    EXPECT_VEC2_EQ(vertexOf(outline, 2), 650, 80);
    EXPECT_VEC2_EQ(vertexOf(outline, 3), 630, 80);
    EXPECT_VEC2_EQ(vertexOf(outline, 4), 630, 60);
}

std::vector<uint64_t> boxSelect(PoseEditorBoxSelection* test, int32_t ax, int32_t ay, int32_t bx, int32_t by)
{
    test->frameWith(keyLetter('B'), Pressed, ax, ay);
    test->frameWith(KeyMouseLeft, Pressed, ax, ay);
    test->frameWith(KeyMouseLeft, Held, (ax + bx) / 2, (ay + by) / 2);
    test->frameWith(KeyMouseLeft, Released, bx, by);
    EXPECT_EQ(test->editor.boxSelectMode, 0);
    EXPECT_EQ(test->editor.boxDragging, 0);
    return test->selection();
}

TEST_F(PoseEditorBoxSelection, EitherDirectionSelectsTheSamePoints)
{
    BoxPoints::place(&pose);
    EXPECT_EQ(boxSelect(this, 690, 60, 630, 100), (std::vector<uint64_t>{1, 2}));
    EXPECT_VEC2_EQ(editor.boxAnchor, 630, 60);

    press(keyLetter('A')); // clears
    ASSERT_EQ(editor.selectionCount, 0u);
    EXPECT_EQ(boxSelect(this, 630, 60, 690, 100), (std::vector<uint64_t>{1, 2}));
}

TEST_F(PoseEditorBoxSelection, PointsOnTheEdgeAreLeftOut)
{
    BoxPoints::place(&pose);
    EXPECT_EQ(boxSelect(this, 630, 60, 680, 100), (std::vector<uint64_t>{1}));
}

TEST_F(PoseEditorBoxSelection, ASecondBoxAddsWithoutDuplicates)
{
    BoxPoints::place(&pose);
    boxSelect(this, 630, 60, 690, 100);
    EXPECT_EQ(boxSelect(this, 710, 40, 670, 95), (std::vector<uint64_t>{1, 2, 4}));

    ASSERT_EQ(points.drawCount, 2u);
    const PointDraw* red = pointDrawAt(points, 1);
    EXPECT_TRUE(sameColor(red->color, colorRed));
    EXPECT_EQ(red->size, 6.0f);
    ASSERT_EQ(red->count, 3u);
    EXPECT_FLOAT_EQ(red->points[4], 700);
    EXPECT_FLOAT_EQ(red->points[5], 50);
}

TEST_F(PoseEditorBoxSelection, RightPressLeavesBoxModeButStillDrawsTheCrosshair)
{
    press(keyLetter('B'));
    frameWith(KeyMouseRight, Pressed, 300, 300);
    EXPECT_EQ(editor.boxSelectMode, 0);
    EXPECT_EQ(lines.drawCount, 2u + 2u + 4u);
    frameWith(KeyMouseRight, Released, 300, 300);
    EXPECT_EQ(lines.drawCount, 2u + 4u);
}

TEST_F(PoseEditorBoxSelection, AOnAnEmptySelectionSelectsTheWholePolylineAndAgainClears)
{
    editor.selectedPolyline = 3;
    press(keyLetter('A'));
    EXPECT_EQ(selection(), (std::vector<uint64_t>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
    ASSERT_EQ(points.drawCount, 2u);
    EXPECT_EQ(pointDrawAt(points, 1)->count, 9u);

    frameWith(keyLetter('A'), Released, 0, 0);
    press(keyLetter('A'));
    EXPECT_EQ(editor.selectionCount, 0u);
    EXPECT_EQ(points.drawCount, 1u);
}

// Selects polyline 0, grabs at zoom 2 and moves the mouse by (+20, 0).
void grabAndMove(PoseEditorGrab* test)
{
    test->editor.zoom = 2.0f;
    test->frameWith(keyLetter('A'), Pressed, 100, 300);
    test->frameWith(keyLetter('G'), Pressed, 100, 300);
    EXPECT_EQ(test->editor.grabbing, 1);
    test->frameWith(keyLetter('G'), Held, 120, 300);
}

TEST_F(PoseEditorGrab, MovesByMouseMotionOverZoomAndRightClickRestores)
{
    Pose before = pose;
    grabAndMove(this);
    for (uint32_t i = 0; i < 6; ++i) EXPECT_VEC2_EQ(pose.points[i], before.points[i].x + 10, before.points[i].y);
    EXPECT_VEC2_EQ(pose.points[6], before.points[6].x, before.points[6].y);

    frameWith(KeyMouseRight, Pressed, 140, 300);
    EXPECT_EQ(editor.grabbing, 0);
    EXPECT_EQ(memcmp(&pose, &before, sizeof pose), 0);
}

TEST_F(PoseEditorGrab, LeftClickKeepsTheMovedPoints)
{
    Pose before = pose;
    grabAndMove(this);
    frameWith(KeyMouseLeft, Pressed, 140, 300);
    EXPECT_EQ(editor.grabbing, 0);
    frameWith(KeyMouseLeft, Released, 160, 300);
    for (uint32_t i = 0; i < 6; ++i) EXPECT_VEC2_EQ(pose.points[i], before.points[i].x + 10, before.points[i].y);
}

TEST_F(PoseEditorClipboard, ArrowSwitchKeepsItAndPasteTakesTheFirstEntries)
{
    for (uint32_t i = 0; i < 28; ++i) pose.points[i] = {(float)i, (float)(100 + i)};
    Pose before = pose;
    editor.selectedPolyline = 3;
    setKey(KeyControl, Held);
    press(keyLetter('C')); // nine points: 19..27
    press(KeyUp);
    press(KeyUp);
    press(keyLetter('C')); // polyline 1 overwrites entries 0..3 with points 6..9
    press(KeyUp);
    ASSERT_EQ(editor.selectedPolyline, 0u);
    EXPECT_EQ(editor.clipboardValid, 1);
    press(keyLetter('V'));

    for (uint32_t i = 0; i < 4; ++i) EXPECT_VEC2_EQ(pose.points[i], before.points[6 + i].x, before.points[6 + i].y);
    EXPECT_VEC2_EQ(pose.points[4], before.points[23].x, before.points[23].y);
    EXPECT_VEC2_EQ(pose.points[5], before.points[24].x, before.points[24].y);
}

TEST_F(PoseEditorClipboard, ButtonSwitchToAnotherPolylineInvalidatesIt)
{
    Pose before = pose;
    editor.selectedPolyline = 1;
    setKey(KeyControl, Held);
    press(keyLetter('C'));
    frameWith(KeyMouseLeft, Released, 50, 645); // button 1 again: still valid
    EXPECT_EQ(editor.clipboardValid, 1);
    frameWith(KeyMouseLeft, Released, 50, 680); // button 0
    ASSERT_EQ(editor.selectedPolyline, 0u);
    EXPECT_EQ(editor.clipboardValid, 0);
    press(keyLetter('V'));
    EXPECT_EQ(memcmp(&pose, &before, sizeof pose), 0);
}

// Alt and the left button go down at (100, 400) and the mouse moves to (100, y).
void altDrag(PoseEditorZoom* test, int32_t y)
{
    test->nextFrame();
    test->setKey(KeyAlt, Pressed);
    test->setKey(KeyMouseLeft, Pressed);
    test->mouseAt(100, 400);
    test->run();
    test->frameWith(KeyMouseLeft, Held, 100, y);
}

TEST_F(PoseEditorZoom, DraggingDownByATenthOfTheHeightAddsOne)
{
    altDrag(this, 400 - 72);
    EXPECT_FLOAT_EQ(editor.zoom, 2.0f);
    frameWith(KeyMouseLeft, Held, 100, 400 + 720);
    EXPECT_EQ(editor.zoom, 0.05f);
}

TEST_F(PoseEditorZoom, NeverStaysAtZero)
{
    altDrag(this, 400 + 72);
    EXPECT_EQ(editor.zoom, 0.05f);
}

TEST_F(PoseEditorZoom, AZeroZoomHandedInNeverWritesNonFinitePoints)
{
    editor.zoom = 0.0f;
    pose.points[0] = {0, 0};
    frameWith(KeyMouseLeft, Pressed, 640, 50);
    frameWith(KeyMouseLeft, Held, 641, 51);
    EXPECT_EQ(editor.zoom, 0.05f);
    EXPECT_TRUE(isfinite(pose.points[0].x) && isfinite(pose.points[0].y));
    EXPECT_VEC2_EQ(pose.points[0], 20, 20);
}

TEST_F(PoseEditorZoom, AMinimisedWindowLeavesItUnchanged)
{
    window.clientHeight = 0;
    altDrag(this, 300);
    EXPECT_EQ(editor.zoom, 1.0f);
}

TEST_F(PoseEditorHandles, ToggledByDigitsOneAndTwo)
{
    editor.selectedPolyline = 2;
    run();
    ASSERT_EQ(points.drawCount, 1u);
    EXPECT_EQ(pointDrawAt(points, 0)->count, 9u);
    EXPECT_TRUE(sameColor(pointDrawAt(points, 0)->color, colorYellow));

    frameWith(keyDigit(2), Released, 0, 0);
    ASSERT_EQ(points.drawCount, 4u);
    const uint32_t counts[4] = {7, 4, 9, 9};
    for (uint32_t i = 0; i < 4; ++i) EXPECT_EQ(pointDrawAt(points, i)->count, counts[i]);

    frameWith(keyDigit(1), Released, 0, 0);
    EXPECT_EQ(points.drawCount, 0u);
    press(keyLetter('A'));
    ASSERT_EQ(points.drawCount, 1u);
    EXPECT_TRUE(sameColor(pointDrawAt(points, 0)->color, colorRed));
}

TEST_F(PoseEditorView, StateOutOfRangeIsBroughtBackBeforeUse)
{
    editor.selectedPolyline = 9;
    editor.selectionCount = 40;
    editor.draggedPoint = 1000;
    editor.zoom = nanf("");
    run();
    EXPECT_EQ(editor.selectedPolyline, 0u);
    EXPECT_EQ(editor.selectionCount, 0u);
    EXPECT_EQ(editor.draggedPoint, -1);
    EXPECT_EQ(editor.zoom, 0.05f);
}

} // namespace
