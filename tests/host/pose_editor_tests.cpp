#include <math.h>
#include "editor_fixture.h"

namespace {

// The pose editor through the strip on a one-frame animation. Pose point p is
// shown at (640, 50) + zoom * p; the strip's four rectangles come before the buttons.
struct PoseEditor : EditorFixture
{
    // A fresh editor, keyboard and frame for the next case of a table.
    void restart()
    {
        editor = initialPoseEditorState();
        memset(window.keys, Up, sizeof window.keys);
        makeFrames(1);
    }

    std::vector<uint64_t> selection() const { return {editor.selection, editor.selection + editor.selectionCount}; }
    std::vector<uint64_t> chosen() const { return {editor.selectedPolyline, editor.selectionCount}; }
    std::vector<float> at(uint32_t point) const { return {poses[0].points[point].x, poses[0].points[point].y}; }
};

using Floats = std::vector<float>;

TEST_F(PoseEditor, DrawsGuidesPoseButtonsAndHandlesThatDigitsToggle)
{
    pose().points[0] = {0, 0};
    pose().points[1] = {10, -5};
    // The key released this frame, then the line and point draws.
    const struct { uint32_t key; const char *lines, *points; } steps[] = {
        {KeyNone, "25 25 7w 4w 9w 9w", "7y6"},           {keyDigit(2), "25 25 7w 4w 9w 9w", "7y6 4y6 9y6 9y6"},
        {keyDigit(1), "25 25 7w 4w 9w 9w", ""},          {keyDigit(3), "7w 4w 9w 9w", ""},
        {keyDigit(1), "7w 4w 9w 9w", "7y6 4y6 9y6 9y6"}, {keyDigit(2), "7w 4w 9w 9w", "7y6"},
        {keyDigit(3), "25 25 7w 4w 9w 9w", "7y6"},
    };
    for (const auto& step : steps)
    {
        frame(step.key, Released, 0, 0);
        EXPECT_EQ(drawList(lines) + " / " + drawList(points), step.lines + std::string(" / ") + step.points);
    }
    // Ground and centre lines, then the polylines with the head closed on its first point.
    Floats shown = {0, 50, 1280, 50, 640, 0, 640, 720, 640, 50, 650, 45};
    for (float i = 2; i < 28; ++i) shown.insert(shown.end(), {240, 350 + 10 * i});
    shown.insert(shown.begin() + 20, {640, 50});
    EXPECT_EQ(vertices(lines), shown);
    EXPECT_EQ(drawList(rects), "0y 1r 0y 1g 0y 1r 3y");
    press(keyLetter('A'));
    EXPECT_EQ(drawList(points), "7y6 6r6");
    EXPECT_EQ(vertices(points, 0, 4), (Floats{640, 50, 650, 45}));
    EXPECT_EQ(vertices(points, 14, 4), (Floats{640, 50, 650, 45}));
}

TEST_F(PoseEditor, AButtonClickStrictlyInsideOrAnArrowChoosesThePolylineAndClearsTheSelection)
{
    // Mouse x, y of a release and the polyline chosen from polyline 1 (1: none).
    const int32_t clicks[][3] = {{50, 610, 2},  {5, 610, 1},  {105, 610, 1}, {50, 595, 1},  {50, 625, 1},
                                 {106, 610, 1}, {50, 540, 1}, {50, 680, 0},  {104, 561, 3}, {50, 660, 1}};
    for (const auto& c : clicks)
    {
        editor.selectedPolyline = editor.selectionCount = 1;
        click(c[0], c[1]);
        EXPECT_EQ(chosen(), (std::vector<uint64_t>{(uint64_t)c[2], c[2] == 1})) << c[0] << "," << c[1];
    }
    // Buttons 0 to 3 downwards from the top left, the chosen one red.
    EXPECT_EQ(drawList(rects), "0y 1r 0y 1g 1y 1r 2y");
    EXPECT_EQ(vertices(rects, 8), (Floats{5, 665, 105, 695, 5, 630, 105, 660, 5, 595, 105, 625, 5, 560, 105, 590}));

    // Polyline before, arrow, polyline after.
    for (const auto& a : {std::vector<uint32_t>{0, KeyUp, 3}, {2, KeyUp, 1}, {3, KeyDown, 0}, {1, KeyDown, 2}})
    {
        editor.selectedPolyline = a[0];
        editor.selectionCount = 1;
        press(a[1]);
        EXPECT_EQ(chosen(), (std::vector<uint64_t>{a[2], 0}));
    }
}

TEST_F(PoseEditor, APressBelowNinePixelsPicksTheLowestIndexAndDragsItInPoseUnitsUntilTheRelease)
{
    // Mouse x, y and the point picked: 4 px from point 2 but 1 px from point 3; 8 px; 9 px; point 3 alone;
    // on the spine's first point, which is not the head's.
    for (const auto& c : {std::vector<int32_t>{644, 50, 2}, {640, 58, 2}, {640, 59, -1}, {653, 50, 3}, {640, 90, -1}})
    {
        restart();
        pose().points[2] = {0, 0};
        pose().points[3] = {5, 0};
        pose().points[6] = {0, 40};
        frame(KeyMouseLeft, Pressed, c[0], c[1]);
        EXPECT_EQ(editor.draggedPoint, c[2]);
        EXPECT_EQ(at(2), (c[2] == 2 ? Floats{c[0] - 640.0f, c[1] - 50.0f} : Floats{0, 0}));
        EXPECT_EQ(at(3), (c[2] == 3 ? Floats{c[0] - 640.0f, c[1] - 50.0f} : Floats{5, 0}));
    }
    // At zoom 2 a press on point 0 also ends a selection.
    restart();
    editor.zoom = 2.0f;
    editor.selectionCount = 1;
    pose().points[0] = {0, 0};
    frame(KeyMouseLeft, Pressed, 641, 51);
    EXPECT_EQ(editor.selectionCount, 0u);
    frame(KeyMouseLeft, Held, 660, 72);
    EXPECT_EQ(at(0), (Floats{10, 11}));
    frame(KeyMouseLeft, Released, 700, 90);
    frame(KeyMouseLeft, Up, 800, 100);
    EXPECT_EQ(editor.draggedPoint, -1);
    EXPECT_EQ(at(0), (Floats{10, 11}));
}

TEST_F(PoseEditor, BThenADragAddsThePointsStrictlyInsideOnceAndRightClickCancels)
{
    // Shown at (650,70), on the box's left, right, bottom and top edges, (610,110), and the spine's first at (670,70).
    const Vec2 shownAt[7] = {{10, 20}, {-40, 20}, {60, 20}, {10, -30}, {10, 70}, {-30, 60}, {30, 20}};
    memcpy(pose().points, shownAt, sizeof shownAt);
    frame(keyLetter('B'), Pressed, 700, 20);
    EXPECT_EQ(drawList(lines), "25 25 27 27 7w 4w 9w 9w");
    EXPECT_EQ(vertices(lines, 8, 8), (Floats{0, 20, 1280, 20, 700, 0, 700, 720}));
    frame(KeyMouseLeft, Pressed, 700, 20);
    frame(KeyMouseLeft, Held, 600, 120);
    EXPECT_EQ(drawList(lines), "25 25 57 7w 4w 9w 9w");
    EXPECT_EQ(vertices(lines, 8, 10), (Floats{700, 20, 600, 20, 600, 120, 700, 120, 700, 20}));
    frame(KeyMouseLeft, Released, 600, 120);
    EXPECT_EQ(selection(), (std::vector<uint64_t>{0, 5}));

    // A second box adds the point on the earlier right edge, not point 0 again.
    frame(keyLetter('B'), Pressed, 640, 60);
    frame(KeyMouseLeft, Pressed, 640, 60);
    frame(KeyMouseLeft, Released, 710, 80);
    EXPECT_EQ(selection(), (std::vector<uint64_t>{0, 5, 2}));
    EXPECT_EQ(drawList(points), "7y6 3r6");
    EXPECT_EQ(vertices(points, 14), (Floats{650, 70, 610, 110, 700, 70}));

    // A right press leaves box mode even halfway through a box, which then selects nothing; B starts afresh.
    press(keyLetter('B'));
    EXPECT_EQ(drawList(lines), "25 25 27 27 7w 4w 9w 9w");
    frame(KeyMouseLeft, Pressed, 640, 60);
    frame(KeyMouseRight, Pressed, 700, 70);
    EXPECT_EQ(drawList(lines), "25 25 27 27 57 7w 4w 9w 9w");
    frame(KeyMouseLeft, Released, 710, 80);
    EXPECT_EQ(selection().size(), 3u);
    press(keyLetter('B'));
    EXPECT_EQ(drawList(lines), "25 25 27 27 7w 4w 9w 9w");
    press(keyLetter('B'));

    // A clears the selection, then selects the whole polyline over a stale first entry.
    editor.selectedPolyline = 3;
    press(keyLetter('A'));
    EXPECT_EQ(editor.selectionCount, 0u);
    editor.selection[0] = 7;
    release(keyLetter('A'));
    press(keyLetter('A'));
    EXPECT_EQ(selection(), (std::vector<uint64_t>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST_F(PoseEditor, AGrabFollowsEachFrameOfMotionOverZoomUntilRightClickRestoresOrLeftClickOrAClearingKeeps)
{
    for (uint32_t end : {(uint32_t)KeyMouseRight, (uint32_t)KeyMouseLeft, keyLetter('A')})
    {
        restart();
        const Pose before = pose();
        editor.zoom = 2.0f;
        editor.selectedPolyline = 2;
        frame(keyLetter('A'), Pressed, 100, 300); // all nine arm points
        frame(keyLetter('G'), Pressed, 100, 300);
        frame(keyLetter('G'), Held, 120, 310);
        frame(keyLetter('G'), Held, 130, 330); // each frame moves by that frame's motion only
        Pose moved = before;
        for (uint32_t i = 10; i < 19; ++i) moved.points[i] = {before.points[i].x + 15, before.points[i].y + 15};
        EXPECT_EQ(memcmp(&pose(), &moved, sizeof(Pose)), 0) << end;
        frame(end, Pressed, 140, 340);
        EXPECT_EQ(editor.grabbing, 0);
        frame(end, Released, 160, 350);
        EXPECT_EQ(memcmp(&pose(), end == KeyMouseRight ? &before : &moved, sizeof(Pose)), 0) << end;
    }
}

TEST_F(PoseEditor, PasteTakesTheFirstClipboardEntriesAfterAnArrowButNothingAfterAButton)
{
    for (uint32_t i = 0; i < 28; ++i) pose().points[i] = {(float)i, (float)(100 + i)};
    const Pose before = pose();
    for (bool byButton : {false, true})
    {
        pose() = before;
        editor = initialPoseEditorState();
        editor.selectedPolyline = 1;
        window.keys[KeyControl] = Held;
        press(keyLetter('C')); // points 6 to 9
        if (byButton) click(50, 680);
        else press(KeyUp);
        press(keyLetter('V'));
        // Entries 4 and 5 were never copied into, so they paste as zero.
        Pose expected = before;
        for (uint32_t i = 0; i < 6 && !byButton; ++i) expected.points[i] = i < 4 ? before.points[6 + i] : Vec2{0, 0};
        EXPECT_EQ(memcmp(&pose(), &expected, sizeof(Pose)), 0) << byButton;
    }
}

TEST_F(PoseEditor, AltDragByATenthOfTheHeightChangesZoomByOneAndKeepsItAboveZero)
{
    // Client height, mouse y after the press at y 400, and the zoom then (a height of 0 is minimised).
    for (const auto& c : {Floats{720, 328, 2}, {720, 472, 0.05f}, {720, 1120, 0.05f}, {0, 300, 1}, {1000, 490, 0.1f}})
    {
        restart();
        window.clientHeight = (int32_t)c[0];
        window.keys[KeyAlt] = Pressed;
        frame(KeyMouseLeft, Pressed, 100, 400);
        for (int still = 0; still < 2; ++still)
        {
            frame(KeyMouseLeft, Held, 100, (int32_t)c[1]);
            EXPECT_NEAR(editor.zoom, c[2], 1e-6) << c[0] << ", " << c[1];
        }
    }
}

TEST_F(PoseEditor, StateHandedInOutOfRangeIsBroughtBackBeforeUse)
{
    // Polyline, selection count, its first two entries, dragged point and zoom handed in.
    const struct { uint64_t polyline, count, first, second; int64_t dragged; float zoom; } cases[] = {
        {4, 2, 6, 0, 9, nanf("")}, {0, 7, 0, 1, -2, -1.0f}, {1, 2, 0, 4, 9, 0.0f}};
    for (const auto& c : cases)
    {
        editor = {c.polyline, {c.first, c.second}, c.count, c.dragged, {}, 0, c.zoom};
        frame(KeyNone, Up, 0, 0);
        EXPECT_EQ(chosen(), (std::vector<uint64_t>{c.polyline % 4, 0}));
        EXPECT_EQ(editor.draggedPoint, -1);
        EXPECT_EQ(editor.zoom, 0.05f);
    }
    // A zoom of zero would divide the window-to-pose conversion by zero.
    pose().points[6] = {0, 0};
    frame(KeyMouseLeft, Pressed, 640, 50);
    frame(KeyMouseLeft, Held, 641, 51);
    EXPECT_EQ(at(6), (Floats{20, 20}));
}

} // namespace
