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
        startFrame(key, state, x, y);
        run();
    }

    void press(uint32_t key) { frameWith(key, Pressed, window.mouseX, window.mouseY); }

    // A fresh editor and keyboard for the next case of a table.
    void restart()
    {
        editor = initialPoseEditorState();
        memset(window.keys, Up, sizeof window.keys);
    }

    std::vector<uint64_t> selection() const
    {
        return std::vector<uint64_t>(editor.selection, editor.selection + editor.selectionCount);
    }

    // Arms box mode and drags a box from (ax, ay) to (bx, by).
    std::vector<uint64_t> boxSelect(int32_t ax, int32_t ay, int32_t bx, int32_t by)
    {
        frameWith(keyLetter('B'), Pressed, ax, ay);
        frameWith(KeyMouseLeft, Pressed, ax, ay);
        frameWith(KeyMouseLeft, Held, (ax + bx) / 2, (ay + by) / 2);
        frameWith(KeyMouseLeft, Released, bx, by);
        EXPECT_EQ(editor.boxSelectMode, 0);
        return selection();
    }
};

using PoseEditorView = PoseEditor;
using PoseEditorPolylines = PoseEditor;
using PoseEditorDrag = PoseEditor;
using PoseEditorBoxSelection = PoseEditor;
using PoseEditorGrab = PoseEditor;
using PoseEditorClipboard = PoseEditor;
using PoseEditorZoom = PoseEditor;

TEST_F(PoseEditorView, ShowsPointsAtZoomTimesPointPlusOriginAboveTheGuides)
{
    pose.points[0] = {0, 0};
    pose.points[1] = {10, -5};
    run();
    ASSERT_EQ(lines.drawCount, 6u); // ground and centre lines, then the four polylines
    EXPECT_TRUE(sameColor(drawAt(lines, 0).color, colorGrey50));
    EXPECT_VEC2_EQ(vertexOf(drawAt(lines, 0), 1), 1280, 50);
    EXPECT_VEC2_EQ(vertexOf(drawAt(lines, 1), 1), 640, 720);
    const Draw& head = drawAt(lines, 2);
    ASSERT_EQ(head.count, 7u);
    EXPECT_VEC2_EQ(vertexOf(head, 0), 640, 50);
    EXPECT_VEC2_EQ(vertexOf(head, 1), 650, 45);

    editor.zoom = 2.0f;
    frameWith(keyDigit(3), Released, 0, 0); // also hides the guides
    ASSERT_EQ(lines.drawCount, 4u);
    EXPECT_VEC2_EQ(vertexOf(drawAt(lines, 0), 1), 660, 40);
}

TEST_F(PoseEditorView, HandlesToggledByDigitsOneAndTwo)
{
    editor.selectedPolyline = 2;
    run();
    ASSERT_EQ(points.drawCount, 1u);
    EXPECT_EQ(pointDrawAt(points, 0).count, 9u);
    EXPECT_TRUE(sameColor(pointDrawAt(points, 0).color, colorYellow));

    frameWith(keyDigit(2), Released, 0, 0);
    ASSERT_EQ(points.drawCount, 4u);
    const uint32_t counts[4] = {7, 4, 9, 9};
    for (uint32_t i = 0; i < 4; ++i) EXPECT_EQ(pointDrawAt(points, i).count, counts[i]);

    frameWith(keyDigit(1), Released, 0, 0);
    EXPECT_EQ(points.drawCount, 0u);
    press(keyLetter('A'));
    ASSERT_EQ(points.drawCount, 1u);
    EXPECT_TRUE(sameColor(pointDrawAt(points, 0).color, colorRed));
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

    // Zero would make the window-to-pose conversion divide by zero.
    editor.zoom = 0.0f;
    pose.points[0] = {0, 0};
    frameWith(KeyMouseLeft, Pressed, 640, 50);
    frameWith(KeyMouseLeft, Held, 641, 51);
    EXPECT_EQ(editor.zoom, 0.05f);
    EXPECT_VEC2_EQ(pose.points[0], 20, 20);
}

TEST_F(PoseEditorPolylines, ButtonsAreThreeDrawsAroundTheSelectedOneAndAClickOrAnArrowSelects)
{
    run();
    ASSERT_EQ(rects.drawCount, 3u);
    EXPECT_EQ(drawAt(rects, 0).count, 0u);
    EXPECT_TRUE(sameColor(drawAt(rects, 1).color, colorRed));
    EXPECT_VEC2_EQ(vertexOf(drawAt(rects, 1), 0), 5, 665);
    EXPECT_VEC2_EQ(vertexOf(drawAt(rects, 1), 1), 105, 695);
    EXPECT_EQ(drawAt(rects, 2).count, 3u);

    frameWith(KeyMouseLeft, Released, 50, 610); // inside button 2
    EXPECT_EQ(editor.selectedPolyline, 2u);
    EXPECT_EQ(drawAt(rects, 0).count, 2u);
    EXPECT_VEC2_EQ(vertexOf(drawAt(rects, 1), 0), 5, 595);

    // Arrows wrap around.
    editor.selectedPolyline = 0;
    editor.selection[0] = 2;
    editor.selectionCount = 1;
    press(KeyUp);
    EXPECT_EQ(editor.selectedPolyline, 3u);
    EXPECT_EQ(editor.selectionCount, 0u);
    press(KeyDown);
    EXPECT_EQ(editor.selectedPolyline, 0u);
}

TEST_F(PoseEditorDrag, APressBelowNinePixelsPicksTheLowestIndexAndMovesItOntoTheMouse)
{
    // Mouse x, y and the point picked: 4 px from point 2 but 1 px from point 3; 8 px; 9 px; point 3 alone.
    const int32_t cases[][3] = {{644, 50, 2}, {640, 58, 2}, {640, 59, -1}, {653, 50, 3}};
    for (const auto& c : cases)
    {
        restart();
        pose.points[2] = {0, 0}; // shown at (640, 50)
        pose.points[3] = {5, 0}; // shown at (645, 50)
        frameWith(KeyMouseLeft, Pressed, c[0], c[1]);
        EXPECT_EQ(editor.draggedPoint, c[2]) << c[0] << ", " << c[1];
        for (int32_t i = 2; i < 4; ++i)
            if (i == c[2]) EXPECT_VEC2_EQ(pose.points[i], c[0] - 640, c[1] - 50);
            else EXPECT_VEC2_EQ(pose.points[i], 5 * (i - 2), 0);
    }
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
    frameWith(KeyMouseLeft, Up, 800, 100);
    EXPECT_VEC2_EQ(pose.points[0], 10, 10);
}

TEST_F(PoseEditorBoxSelection, EachBoxAddsWhatIsStrictlyInsideWithoutDuplicates)
{
    // Shown at (640,50) (660,70) (680,90) (620,70) (700,50) (740,150).
    const Vec2 at[6] = {{0, 0}, {20, 20}, {40, 40}, {-20, 20}, {60, 0}, {100, 100}};
    memcpy(pose.points, at, sizeof at);
    EXPECT_EQ(boxSelect(690, 60, 630, 100), (std::vector<uint64_t>{1, 2}));
    // (700, 50) lies on the left edge and stays out; (740, 150) is inside.
    EXPECT_EQ(boxSelect(700, 40, 750, 160), (std::vector<uint64_t>{1, 2, 5}));
    EXPECT_EQ(boxSelect(710, 40, 670, 95), (std::vector<uint64_t>{1, 2, 5, 4}));

    ASSERT_EQ(points.drawCount, 2u);
    const PointDraw& red = pointDrawAt(points, 1);
    EXPECT_TRUE(sameColor(red.color, colorRed));
    ASSERT_EQ(red.count, 4u);
    EXPECT_FLOAT_EQ(red.points[6], 700);
    EXPECT_FLOAT_EQ(red.points[7], 50);
}

TEST_F(PoseEditorBoxSelection, AOnAnEmptySelectionSelectsTheWholePolylineAndAgainClears)
{
    editor.selectedPolyline = 3;
    press(keyLetter('A'));
    EXPECT_EQ(selection(), (std::vector<uint64_t>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
    frameWith(keyLetter('A'), Released, 0, 0);
    press(keyLetter('A'));
    EXPECT_EQ(editor.selectionCount, 0u);
}

TEST_F(PoseEditorGrab, MovesByMouseMotionOverZoomThenRightClickRestoresAndLeftClickKeeps)
{
    const Pose before = pose;
    for (uint32_t button : {KeyMouseRight, KeyMouseLeft})
    {
        restart();
        pose = before;
        editor.zoom = 2.0f;
        frameWith(keyLetter('A'), Pressed, 100, 300); // all of polyline 0
        frameWith(keyLetter('G'), Pressed, 100, 300);
        frameWith(keyLetter('G'), Held, 120, 300);
        frameWith(keyLetter('G'), Held, 130, 300); // each frame moves by that frame's motion only
        for (uint32_t i = 0; i < 7; ++i)
            EXPECT_VEC2_EQ(pose.points[i], before.points[i].x + (i < 6 ? 15 : 0), before.points[i].y);

        frameWith(button, Pressed, 140, 300);
        EXPECT_EQ(editor.grabbing, 0);
        frameWith(button, Released, 160, 300);
        const float kept = button == KeyMouseLeft ? 15.0f : 0.0f;
        for (uint32_t i = 0; i < 6; ++i) EXPECT_VEC2_EQ(pose.points[i], before.points[i].x + kept, before.points[i].y);
    }
}

TEST_F(PoseEditorClipboard, PasteAfterUpTakesTheFirstEntriesButAButtonSwitchInvalidates)
{
    for (uint32_t i = 0; i < 28; ++i) pose.points[i] = {(float)i, (float)(100 + i)};
    const Pose before = pose;
    for (bool byButton : {false, true})
    {
        restart();
        pose = before;
        editor.selectedPolyline = 1;
        window.keys[KeyControl] = Held;
        press(keyLetter('C')); // points 6..9
        if (byButton) frameWith(KeyMouseLeft, Released, 50, 680); // button 0
        else press(KeyUp);
        ASSERT_EQ(editor.selectedPolyline, 0u);
        press(keyLetter('V'));

        // Entries 4 and 5 were never copied into, so they paste as zero.
        for (uint32_t i = 0; i < 6; ++i)
            if (byButton) EXPECT_VEC2_EQ(pose.points[i], before.points[i].x, before.points[i].y);
            else if (i < 4) EXPECT_VEC2_EQ(pose.points[i], before.points[6 + i].x, before.points[6 + i].y);
            else EXPECT_VEC2_EQ(pose.points[i], 0, 0);
    }
}

TEST_F(PoseEditorZoom, AltDragByATenthOfTheHeightAddsOneAndNeverReachesZero)
{
    // Client height, mouse y after the press at y 400, and the zoom then (a height of 0 is minimised).
    const float cases[][3] = {{720, 400 - 72, 2.0f}, {720, 400 + 72, 0.05f}, {720, 400 + 720, 0.05f}, {0, 300, 1.0f}};
    for (const auto& c : cases)
    {
        restart();
        window.clientHeight = (int32_t)c[0];
        startFrame(KeyAlt, Pressed, 100, 400);
        window.keys[KeyMouseLeft] = Pressed;
        run();
        frameWith(KeyMouseLeft, Held, 100, (int32_t)c[1]);
        EXPECT_EQ(editor.zoom, c[2]) << c[0] << ", " << c[1];
    }
}

} // namespace
