#include <math.h>
#include <string.h>
#include <fstream>
#include <string>
#include <vector>
#include "app/arena.h"
#include "character/edit_history.h"
#include "character/frame_edits.h"
#include "character/frame_strip.h"
#include "character/pose_editor.h"
#include "character/skeleton.h"
#include "platform/window.h"
#include "render/render_batch.h"
#include <gtest/gtest.h>

namespace {

// The figure as our generator stands it; point 23 lies on the root.
Pose basePose()
{
    Pose pose = {};
    std::ifstream(MARIONETTE_SOURCE_DIR "/assets/character.bin", std::ios::binary).read((char*)&pose, sizeof pose);
    return pose;
}

// The point each point hangs from: the head's ring from the neck's top, the
// spine down to the pelvis (the root, its own), each limb from its middle point.
const uint32_t parentOf[28] = {6, 6, 6, 6, 6, 6, 7, 8, 9, 9, 11, 12, 13, 14,
                               6, 14, 15, 16, 17, 20, 21, 22, 23, 9, 23, 24, 25, 26};

double distance(Vec2 a, Vec2 b) { return hypot((double)a.x - b.x, (double)a.y - b.y); }

// The points that moved from a to b, as a bit set, after checking every bone kept its length.
uint32_t movedKeepingLengths(const Pose& a, const Pose& b, const std::string& what)
{
    uint32_t moved = 0;
    for (uint32_t i = 0; i < 28; ++i)
    {
        double was = distance(a.points[i], a.points[parentOf[i]]);
        EXPECT_NEAR(distance(b.points[i], b.points[parentOf[i]]), was, 1e-4 * was) << what << ", point " << i;
        moved |= (uint32_t)(memcmp(&a.points[i], &b.points[i], sizeof(Vec2)) != 0) << i;
    }
    return moved;
}

// A press at the point plus an offset, the mouse then at target plus the same offset.
Pose dragged(Pose pose, uint32_t point, Vec2 target, bool reach, Vec2 offset = {0, 0})
{
    Vec2 p = pose.points[point];
    JointDrag drag = startJointDrag(&pose, point, reach, {p.x + offset.x, p.y + offset.y});
    target = {target.x + offset.x, target.y + offset.y};
    EXPECT_TRUE(followJointDrag(&drag, &pose, target)) << point;
    return pose;
}

uint32_t bits(uint32_t first, uint32_t last) { return (2u << last) - (1u << first); }

TEST(JointDrag, TurnsAboutTheParentWithAllBelowOrReachesWithTwoBonesKeepingLengths)
{
    const Pose base = basePose();
    const uint32_t arms = bits(10, 18), head = bits(0, 5);
    // Point, target, Control+Shift, the points that move; a reach end at zero lies on the target.
    const struct { uint32_t point; Vec2 target; bool reach; uint32_t moved; } cases[] = {
        {10, {-40, 90}, 0, bits(10, 10)},  {11, {-30, 60}, 0, bits(10, 11)},  {12, {-20, 140}, 0, bits(10, 12)},
        {14, {10, 130}, 0, arms},          {6, {-30, 110}, 0, head | bits(6, 6) | arms},
        {7, {20, 100}, 0, head | bits(6, 7) | arms}, {8, {30, 80}, 0, head | bits(6, 8) | arms},
        {2, {40, 150}, 0, head}, {21, {30, 50}, 0, bits(19, 21)},
        {9, {50, 60}, 0, bits(0, 27)},     {23, {-10, 70}, 0, bits(0, 27)},   // the whole figure
        {20, {-20, 20}, 1, bits(19, 21)},  {26, {30, 40}, 1, bits(25, 27)},   {10, {-30, 110}, 1, bits(10, 11)},
        {18, {20, 100}, 1, bits(17, 18)},  {20, {-5, -100}, 1, bits(19, 21)}, {10, {-200, 121}, 1, bits(10, 11)},
    };
    for (const auto& c : cases)
    {
        std::string what = std::to_string(c.point) + " to " + std::to_string(c.target.x);
        Pose after = dragged(base, c.point, c.target, c.reach);
        EXPECT_EQ(movedKeepingLengths(base, after, what), c.moved) << what;
        // A press 5 beside the point moves nothing; a reach or the figure then moves by the mouse's motion.
        Pose beside = dragged(base, c.point, base.points[c.point], c.reach, {3, 4});
        EXPECT_EQ(memcmp(&beside, &base, sizeof beside), 0) << what;
        beside = dragged(base, c.point, c.target, c.reach, {3, 4});
        for (uint32_t i = 0; i < 28 && (c.reach || c.point == 9 || c.point == 23); ++i)
            EXPECT_LT(distance(beside.points[i], after.points[i]), 1e-4) << what << ", beside, point " << i;
        Vec2 p = after.points[c.point], from = after.points[parentOf[c.point]];
        if (c.reach) from = after.points[parentOf[parentOf[c.point]]];
        if (c.point == 9 || c.point == 23) from = p;
        // Pointing at the mouse from the joint turned about; in reach, on it.
        double ux = p.x - from.x, uy = p.y - from.y, vx = c.target.x - from.x, vy = c.target.y - from.y;
        EXPECT_NEAR(ux * vy - uy * vx, 0, 1e-3 * hypot(vx, vy)) << what;
        EXPECT_GE(ux * vx + uy * vy, 0) << what;
        double reach = distance(base.points[c.point], base.points[parentOf[c.point]]) +
                       distance(base.points[parentOf[c.point]], base.points[parentOf[parentOf[c.point]]]);
        EXPECT_TRUE(!c.reach || hypot(vx, vy) > reach || distance(p, c.target) < 1e-3) << what;
        if (!c.reach) continue;
        // The elbow or knee stays on its side of the line from the top joint to the end.
        Vec2 e0 = base.points[parentOf[c.point]], e = after.points[parentOf[c.point]];
        Vec2 h0 = base.points[c.point];
        double side0 = (h0.x - from.x) * (e0.y - from.y) - (h0.y - from.y) * (e0.x - from.x);
        double side = ux * (e.y - from.y) - uy * (e.x - from.x);
        EXPECT_TRUE(side * side0 > 0 || fabs(side) < 1e-2 * reach * reach) << what;
    }
    // A turn pressed half a unit from the shoulder, or beside the elbow, turns it by the mouse's angle
    // about the shoulder: a quarter turn.
    Vec2 e = base.points[11], s = base.points[12], press = {e.x + 3, e.y + 4};
    Pose pose = base;
    JointDrag drag;
    for (Vec2 at : {Vec2{s.x + 0.5f, s.y}, press})
    {
        pose = base;
        drag = startJointDrag(&pose, 11, false, at);
        EXPECT_TRUE(followJointDrag(&drag, &pose, {s.x - (at.y - s.y), s.y + (at.x - s.x)}));
        EXPECT_LT(distance(pose.points[11], {s.x - (e.y - s.y), s.y + (e.x - s.x)}), 1e-4) << at.x;
    }
    // The mouse then exactly on the joint moves nothing; a pose changed meanwhile ends the drag, even
    // when changed back. A point on its parent, or past the last, has no joint drag; Control+Shift on
    // an elbow turns it.
    Pose turnedElbow = pose;
    EXPECT_TRUE(followJointDrag(&drag, &pose, s));
    EXPECT_EQ(memcmp(&pose, &turnedElbow, sizeof pose), 0);
    pose = base;
    EXPECT_FALSE(followJointDrag(&drag, &pose, press));
    pose = turnedElbow;
    EXPECT_FALSE(followJointDrag(&drag, &pose, press));
    pose.points[13] = pose.points[14];
    EXPECT_EQ(startJointDrag(&pose, 13, false, {}).kind, JointDragNone);
    pose.points[13].x += 0.5f;
    EXPECT_EQ(startJointDrag(&pose, 13, false, {}).kind, JointDragTurn) << "half a unit from it";
    EXPECT_EQ(startJointDrag(&pose, 28, false, {}).kind, JointDragNone);
    EXPECT_EQ(startJointDrag(&pose, 11, true, {}).kind, JointDragTurn);
    // A short straight arm hanging down, its hand reached halfway up: the elbow bends counter-clockwise, out to the right.
    pose = base;
    pose.points[11] = {s.x, s.y - 0.5f};
    pose.points[10] = {s.x, s.y - 1};
    pose = dragged(pose, 10, {s.x, s.y - 0.5f}, true);
    EXPECT_NEAR(pose.points[11].x, s.x + 0.5 * sqrt(0.75), 1e-4);
    // An arm whose lengths round the cosine at full stretch past 1 still stretches straight for a far target.
    pose.points[11] = {24, 109};
    pose.points[10] = {28, 98};
    pose = dragged(pose, 10, {s.x, s.y - 200}, true);
    EXPECT_NEAR(pose.points[11].x, s.x, 1e-4);
}

TEST(FrameEdits, SwapMirrorAndMoveUndoThemselvesAndInBetweensKeepLengths)
{
    Pose frames[4] = {basePose(), basePose(), basePose(), basePose()};
    frames[1].points[9].x = 2.75f;
    frames[2].points[0] = {NAN, 1};
    Pose original[4];
    memcpy(original, frames, sizeof frames);
    Animation animation = {3, frames};
    FrameStripState strip = {1, 0};
    swapSides(&frames[0]);
    EXPECT_EQ(memcmp(&frames[0].points[10], &original[0].points[18], sizeof(Vec2)), 0);
    swapSides(&frames[0]);
    EXPECT_TRUE(mirrorPose(&frames[1]) && frames[1].points[18].x == 5.5f - original[1].points[18].x);
    EXPECT_TRUE(mirrorPose(&frames[1]) && mirrorPose(&frames[2]) && mirrorPose(&frames[2]));
    EXPECT_TRUE(moveSelectedFrame(&strip, &animation, -1) && strip.selectedFrame == 0);
    EXPECT_EQ(memcmp(&frames[0], &original[1], sizeof(Pose)), 0);
    EXPECT_FALSE(moveSelectedFrame(&strip, &animation, -1));
    EXPECT_TRUE(moveSelectedFrame(&strip, &animation, 1));
    strip.selectedFrame = 2;
    EXPECT_FALSE(moveSelectedFrame(&strip, &animation, 1));
    Window window = {};
    strip.selectedFrame = 1, strip.arrowsPressedWithShift = 1; // Left went down with Shift, Right without
    window.keys[KeyRight] = Released;
    runFrameEditKeys(&strip, &window, &animation);
    strip.selectedFrame = 3; // past the last frame: nothing to move, swap or mirror
    EXPECT_FALSE(moveSelectedFrame(&strip, &animation, -1));
    window.keys[keyLetter('X')] = window.keys[keyLetter('M')] = Pressed;
    runFrameEditKeys(&strip, &window, &animation);
    EXPECT_EQ(memcmp(frames, original, sizeof frames), 0);
    frames[0].points[0].x = -3e38f; // would overflow
    frames[0].points[9].x = 1e38f;
    frames[1].points[9].x = INFINITY;
    memcpy(original, frames, sizeof frames);
    EXPECT_FALSE(mirrorPose(&frames[0]) || mirrorPose(&frames[1]));
    EXPECT_EQ(memcmp(frames, original, sizeof frames), 0);

}

// The base pose with each set of points turned counter-clockwise about its pivot, in turn, then moved dx.
struct Turn { uint32_t moved, pivot; double degrees; };
Pose turned(std::vector<Turn> turns, float dx = 0)
{
    Pose pose = basePose();
    for (const Turn& t : turns)
        for (uint32_t i = 0; i < 28; ++i)
        {
            Vec2 o = pose.points[t.pivot];
            double x = pose.points[i].x - o.x, y = pose.points[i].y - o.y;
            double s = sin(t.degrees * M_PI / 180), c = cos(t.degrees * M_PI / 180);
            if (t.moved >> i & 1) pose.points[i] = {(float)(o.x + x * c - y * s), (float)(o.y + x * s + y * c)};
        }
    for (Vec2& p : pose.points) p.x += dx;
    return pose;
}

TEST(InBetween, TurnsEveryJointHalfwayTheShorterWayKeepingLengths)
{
    const uint32_t arm = bits(10, 11), all = bits(0, 27);
    // Frame 0, frame 1 (10 to the right), and the in-between (5 to the right).
    const struct { const char* what; std::vector<Turn> from, to, between; } cases[] = {
        {"an arm swung forward and back passes through full length", {{arm, 12, 70}}, {{arm, 12, -70}}, {}},
        {"an arm raised 100 at the shoulder, its elbow bent 100 more: both halve",
         {}, {{arm, 12, 100}, {bits(10, 10), 11, 100}}, {{arm, 12, 50}, {bits(10, 10), 11, 50}}},
        {"the figure turned 120, an arm 70 more", {}, {{all, 9, 120}, {arm, 12, 70}}, {{all, 9, 60}, {arm, 12, 35}}},
    };
    for (const auto& c : cases)
    {
        Pose frames[3] = {turned(c.from), turned(c.to, 10)};
        Arena arena = {sizeof frames, 2 * sizeof(Pose), (uint8_t*)frames};
        Animation animation = {2, frames};
        FrameStripState strip = {0, 0};
        ASSERT_TRUE(insertInBetween(&strip, &animation, &arena)) << c.what;
        Pose expected = turned(c.between, 5);
        for (uint32_t i = 0; i < 28; ++i)
            EXPECT_LT(distance(frames[1].points[i], expected.points[i]), 1e-3) << c.what << ", point " << i;
    }
    Pose swing[2] = {turned({{arm, 12, 70}}), turned({{arm, 12, -70}}, 10)};
    Pose same = inBetweenPose(&swing[0], &swing[0]);
    EXPECT_EQ(memcmp(&same, &swing[0], sizeof same), 0);
    // No length in one frame: linear. A parent not finite in one frame: finite stays finite.
    swing[1].points[11] = swing[1].points[12];
    Pose half = inBetweenPose(&swing[0], &swing[1]);
    EXPECT_NEAR(half.points[11].x, half.points[12].x + (swing[0].points[11].x - swing[0].points[12].x) / 2, 1e-4);
    swing[1].points[14] = {NAN, NAN};
    half = inBetweenPose(&swing[0], &swing[1]);
    for (uint32_t i = 0; i < 28; ++i) EXPECT_TRUE(i == 14 || (isfinite(half.points[i].x) && isfinite(half.points[i].y))) << i;
    EXPECT_NEAR(half.points[13].y, (swing[0].points[13].y + swing[1].points[13].y) / 2, 1e-4) << "its own midpoint";
}

// A ring of two slots holds the present and one step back, and no more; in
// memory of exactly its size, so a slot outside it trips the sanitizer; two
// frames fill the poses' arena.
TEST(EditHistory, UndoAndRedoGoOnlyAsFarAsTheRingHolds)
{
    std::vector<uint8_t> memory(editHistoryBytes(2));
    Arena historyArena = {memory.size(), 0, memory.data()};
    Pose poses[2] = {};
    Arena poseArena = {sizeof poses, sizeof poses, (uint8_t*)poses};
    Animation animation = {0, poses};
    FrameStripState strip = {};
    PoseEditorState editor = {};
    const EditTarget target = {&animation, &poseArena, &strip, &editor};
    EditHistory history;
    startEditHistory(&history, &historyArena, 2, &animation, 0);
    EXPECT_TRUE(history.slots == nullptr && historyArena.used == 0) << "no frame, no history";
    animation.frameCount = 2;
    startEditHistory(&history, &historyArena, 2, &animation, 0);
    for (float x : {1.0f, 2.0f})
    {
        poses[0].points[0].x = x;
        recordEditHistory(&history, &animation, 0, false);
    }
    EXPECT_TRUE(undoEdit(&history, target));
    EXPECT_FALSE(undoEdit(&history, target));
    EXPECT_EQ(poses[0].points[0].x, 1.0f);
    EXPECT_TRUE(redoEdit(&history, target));
    EXPECT_FALSE(redoEdit(&history, target));
    EXPECT_EQ(poses[0].points[0].x, 2.0f);
}

// A left click ends a grab where it is: the mouse's later travel moves nothing.
TEST(PoseEditor, ALeftClickEndsAGrab)
{
    const Pose base = basePose();
    Pose pose = base;
    PoseEditorState editor = initialPoseEditorState();
    editor.selectionCount = 1;
    Window window = {};
    window.clientWidth = 800, window.clientHeight = 600, window.mouseX = 700, window.mouseY = 20;
    RenderBatch none = {};
    for (uint32_t key : {keyLetter('G'), (uint32_t)KeyMouseLeft})
    {
        window.keys[key] = Pressed;
        updatePoseEditor(&editor, &window, &none, &none, &none, &pose);
        window.keys[key] = 0;
    }
    window.mouseX = 600;
    updatePoseEditor(&editor, &window, &none, &none, &none, &pose);
    EXPECT_EQ(memcmp(&pose, &base, sizeof pose), 0);
}

} // namespace
