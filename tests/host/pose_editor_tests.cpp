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

} // namespace
