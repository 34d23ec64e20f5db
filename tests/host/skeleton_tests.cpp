#include <math.h>
#include <string.h>
#include <fstream>
#include <set>
#include <string>
#include "app/arena.h"
#include "character/frame_edits.h"
#include "character/frame_strip.h"
#include "character/skeleton.h"
#include <gtest/gtest.h>

namespace {

// The figure as our generator stands it; point 23 lies on the root.
Pose basePose()
{
    Pose pose = {};
    std::ifstream(std::string(MARIONETTE_SOURCE_DIR) + "/assets/character.bin", std::ios::binary)
        .read((char*)&pose, sizeof pose);
    return pose;
}

double distance(Vec2 a, Vec2 b) { return hypot((double)a.x - b.x, (double)a.y - b.y); }

void expectLengthsKept(const Pose& before, const Pose& after, const std::string& what)
{
    for (uint32_t i = 0; i < 28; ++i)
    {
        if (i == skeletonRoot) continue;
        double was = distance(before.points[i], before.points[skeletonParent[i]]);
        double now = distance(after.points[i], after.points[skeletonParent[i]]);
        EXPECT_NEAR(now, was, 1e-4 * was + 1e-9) << what << ", bone of point " << i;
    }
}

std::set<uint32_t> movedPoints(const Pose& before, const Pose& after)
{
    std::set<uint32_t> moved;
    for (uint32_t i = 0; i < 28; ++i)
        if (memcmp(&before.points[i], &after.points[i], sizeof(Vec2)) != 0) moved.insert(i);
    return moved;
}

std::set<uint32_t> range(uint32_t first, uint32_t last, std::set<uint32_t> more = {})
{
    for (uint32_t i = first; i <= last; ++i) more.insert(i);
    return more;
}

// A drag as the editor does it: started on the pose, then one placement.
Pose dragged(const Pose& start, uint32_t point, Vec2 target, bool reach = false)
{
    Pose pose = start;
    JointDrag drag = startJointDrag(&pose, point, reach);
    EXPECT_TRUE(followJointDrag(&drag, &pose, target)) << "point " << point;
    return pose;
}

TEST(JointDrag, TurnsThePointAboutItsParentWithEverythingBelowAndKeepsEveryLength)
{
    const Pose base = basePose();
    const struct
    {
        uint32_t point;
        Vec2 target;
        std::set<uint32_t> moved;
    } cases[] = {
        {10, {-40, 90}, {10}},                                     // a hand
        {11, {-30, 60}, {10, 11}},                                 // an elbow
        {12, {-20, 140}, {10, 11, 12}},                            // a shoulder
        {14, {10, 130}, range(10, 18)},                            // between the shoulders
        {6, {-30, 110}, range(0, 6, range(10, 18))},               // the neck: head and arms follow
        {7, {20, 100}, range(0, 7, range(10, 18))},                // the chest carries neck, head, arms
        {2, {40, 150}, range(0, 5)},                               // a head point turns the head
        {21, {30, 50}, {19, 20, 21}},                              // a knee
        {9, {50, 60}, range(0, 27)},                               // the root moves the whole figure
        {23, {-10, 70}, range(0, 27)},                             // and so does 23 lying on it
    };
    for (const auto& c : cases)
    {
        std::string what = "drag of point " + std::to_string(c.point);
        Pose after = dragged(base, c.point, c.target);
        expectLengthsKept(base, after, what);
        EXPECT_EQ(movedPoints(base, after), c.moved) << what;
        Vec2 parent = after.points[skeletonParent[c.point]];
        Vec2 p = after.points[c.point];
        if (c.point == 9 || c.point == 23)
        {
            EXPECT_NEAR(distance(p, c.target), 0, 1e-4) << what;
            continue;
        }
        // Pointing at the mouse: the same direction from the parent.
        double ux = p.x - parent.x, uy = p.y - parent.y, vx = c.target.x - parent.x, vy = c.target.y - parent.y;
        EXPECT_NEAR((ux * vy - uy * vx) / hypot(ux, uy) / hypot(vx, vy), 0, 1e-5) << what;
        EXPECT_GT(ux * vx + uy * vy, 0) << what;
    }
}

TEST(JointDrag, EdgeCasesNeitherJumpNorMakeNaN)
{
    const Pose base = basePose();
    // The mouse exactly on the joint: the pose stays as last placed.
    Pose pose = base;
    JointDrag drag = startJointDrag(&pose, 11, false);
    followJointDrag(&drag, &pose, {-40, 100});
    Pose placed = pose;
    followJointDrag(&drag, &pose, base.points[12]);
    EXPECT_EQ(memcmp(&pose, &placed, sizeof pose), 0);

    // A point on its parent turns nothing: the editor drags it alone.
    pose = base;
    pose.points[13] = pose.points[14];
    EXPECT_EQ(startJointDrag(&pose, 13, false).kind, JointDragNone);

    // Something else changed the pose (another frame, a load): the drag stops, writing nothing.
    pose = base;
    drag = startJointDrag(&pose, 10, false);
    pose.points[0].x += 1;
    placed = pose;
    EXPECT_FALSE(followJointDrag(&drag, &pose, {50, 50}));
    EXPECT_EQ(memcmp(&pose, &placed, sizeof pose), 0);

    // Far points and non-finite ones, as a file may hold: finite stays finite.
    pose = base;
    pose.points[7] = {1e6f, -1e6f};
    pose.points[3] = {NAN, INFINITY};
    pose.points[17] = {3e38f, 3e38f};
    for (uint32_t point : {6u, 7u, 9u, 10u, 16u, 18u, 2u})
        for (Vec2 target : {Vec2{1e6f, 5}, Vec2{-3e38f, 3e38f}, Vec2{0, 0}})
        {
            Pose after = dragged(pose, point, target, true);
            for (uint32_t i = 0; i < 28; ++i)
            {
                bool wasFinite = isfinite(pose.points[i].x) && isfinite(pose.points[i].y);
                EXPECT_TRUE(!wasFinite || (isfinite(after.points[i].x) && isfinite(after.points[i].y)))
                    << "point " << i << " after a drag of " << point;
            }
        }
}

TEST(JointDrag, HandsAndAnklesReachWithTwoBonesKeepingLengthsAndBendSide)
{
    const Pose base = basePose();
    // End, target, whether it is in reach.
    const struct
    {
        uint32_t end;
        Vec2 target;
        bool inReach;
    } cases[] = {
        {20, {-20, 20}, true},  {26, {30, 40}, true},    {10, {-30, 110}, true}, {18, {20, 100}, true},
        {20, {-5, -100}, false}, {10, {-200, 121}, false}, {26, {0, 83.5f}, true}, // the ankle on the hip's neighbour
        {18, base.points[16], true},                                                // the target on the shoulder
    };
    for (const auto& c : cases)
    {
        std::string what = "reach of point " + std::to_string(c.end) + " to " + std::to_string(c.target.x) + ", " +
                           std::to_string(c.target.y);
        uint32_t middle = skeletonParent[c.end], top = skeletonParent[middle];
        Pose after = dragged(base, c.end, c.target, true);
        expectLengthsKept(base, after, what);
        std::set<uint32_t> expected = {middle, c.end};
        if (c.end == 20) expected.insert(19); // the toe goes with its ankle
        if (c.end == 26) expected.insert(27);
        EXPECT_EQ(movedPoints(base, after), expected) << what;

        Vec2 s = after.points[top], e = after.points[middle], h = after.points[c.end];
        Vec2 s0 = base.points[top], e0 = base.points[middle], h0 = base.points[c.end];
        double bend = (h.x - s.x) * (e.y - s.y) - (h.y - s.y) * (e.x - s.x);
        double bend0 = (h0.x - s0.x) * (e0.y - s0.y) - (h0.y - s0.y) * (e0.x - s0.x);
        if (c.inReach)
        {
            // Folded right up (the target on the top joint) the limb has no side.
            if (distance(c.target, s) < 1) continue;
            EXPECT_NEAR(distance(h, c.target), 0, 1e-3) << what;
            EXPECT_GT(bend * bend0, 0) << what << ": the middle joint changed sides";
            continue;
        }
        // Straight at the mouse: the end as far out as the bones go, on the line to it.
        double full = distance(s0, e0) + distance(e0, h0);
        EXPECT_NEAR(distance(s, h), full, 1e-3 * full) << what;
        EXPECT_NEAR(distance(s, h) + distance(h, c.target), distance(s, c.target), 1e-3) << what;
        EXPECT_NEAR(bend, 0, 1e-2 * full * full) << what;
    }
}

TEST(FrameEdits, SwapMirrorAndMoveDoWhatTheySayAndUndoThemselves)
{
    Pose frames[3] = {basePose(), basePose(), basePose()};
    frames[1].points[9] = {2.75f, 80.1f}; // a root off the middle
    frames[2].points[0] = {NAN, 1};
    Pose original[3];
    memcpy(original, frames, sizeof frames);
    Animation animation = {3, frames};
    FrameStripState strip = {1};

    swapSides(&frames[0]);
    EXPECT_EQ(memcmp(&frames[0].points[10], &original[0].points[18], sizeof(Vec2)), 0);
    EXPECT_EQ(memcmp(&frames[0].points[22], &original[0].points[24], sizeof(Vec2)), 0);
    EXPECT_EQ(memcmp(&frames[0].points[14], &original[0].points[14], sizeof(Vec2)), 0);
    swapSides(&frames[0]);

    EXPECT_TRUE(mirrorPose(&frames[1]));
    EXPECT_EQ(frames[1].points[18].x, 5.5f - original[1].points[18].x);
    EXPECT_EQ(frames[1].points[9].x, 2.75f);
    EXPECT_TRUE(mirrorPose(&frames[1]));
    EXPECT_TRUE(mirrorPose(&frames[2])); // a NaN point stays NaN, the rest mirror
    EXPECT_TRUE(mirrorPose(&frames[2]));

    EXPECT_TRUE(moveSelectedFrame(&strip, &animation, -1));
    EXPECT_EQ(strip.selectedFrame, 0u);
    EXPECT_EQ(memcmp(&frames[0], &original[1], sizeof(Pose)), 0);
    EXPECT_FALSE(moveSelectedFrame(&strip, &animation, -1));
    EXPECT_TRUE(moveSelectedFrame(&strip, &animation, 1));
    strip.selectedFrame = 2;
    EXPECT_FALSE(moveSelectedFrame(&strip, &animation, 1));
    EXPECT_EQ(memcmp(frames, original, sizeof frames), 0);

    // A mirror that would overflow, or about a root that is not finite, changes nothing.
    frames[0].points[3].x = -3e38f;
    frames[0].points[9].x = 1e38f;
    frames[1].points[9].x = INFINITY;
    memcpy(original, frames, sizeof frames);
    EXPECT_FALSE(mirrorPose(&frames[0]));
    EXPECT_FALSE(mirrorPose(&frames[1]));
    EXPECT_EQ(memcmp(frames, original, sizeof frames), 0);
}

TEST(InBetween, GoesThroughTheSkeletonAndKeepsLengths)
{
    // An arm swung 70 degrees forward and 70 back about the shoulder, the
    // figure moved 10 to the right: the in-between hangs the arm straight
    // down at full length, midway.
    Pose forward = basePose(), back = basePose();
    for (uint32_t i = 10; i <= 11; ++i)
    {
        Vec2 s = forward.points[12], p = forward.points[i];
        double a = atan2(p.y - s.y, p.x - s.x), r = distance(p, s);
        forward.points[i] = {(float)(s.x + r * cos(a + 1.2)), (float)(s.y + r * sin(a + 1.2))};
        back.points[i] = {(float)(s.x + r * cos(a - 1.2)), (float)(s.y + r * sin(a - 1.2))};
    }
    for (Vec2& p : back.points) p.x += 10;
    Pose frames[4] = {forward, back};
    Arena arena = {sizeof frames, 2 * sizeof(Pose), (uint8_t*)frames};
    Animation animation = {2, frames};
    FrameStripState strip = {0};
    ASSERT_TRUE(insertInBetween(&strip, &animation, &arena));
    const Pose& between = frames[1];
    expectLengthsKept(basePose(), between, "the swing's in-between");
    EXPECT_NEAR(between.points[9].x, 5, 1e-5);
    Pose base = basePose();
    EXPECT_NEAR(distance(between.points[10], between.points[12]), distance(base.points[10], base.points[12]), 1e-3);

    // The same frame twice gives it back byte for byte.
    Pose same = inBetweenPose(&forward, &forward);
    EXPECT_EQ(memcmp(&same, &forward, sizeof same), 0);

    // A bone of no length in one frame: its offset goes linearly. A parent
    // that is not finite in one frame: finite points still come out finite.
    Pose folded = forward;
    folded.points[11] = folded.points[12];
    Pose half = inBetweenPose(&forward, &folded);
    EXPECT_NEAR(half.points[11].x, (forward.points[11].x + folded.points[11].x) / 2, 1e-4);
    Pose broken = back;
    broken.points[14] = {NAN, NAN};
    broken.points[6] = {3e38f, -3e38f};
    half = inBetweenPose(&forward, &broken);
    for (uint32_t i = 0; i < 28; ++i)
        EXPECT_TRUE(i == 14 || (isfinite(half.points[i].x) && isfinite(half.points[i].y))) << "point " << i;
}

} // namespace
