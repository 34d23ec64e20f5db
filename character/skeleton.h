#pragma once
#include <stdint.h>
#include "character/pose.h"

// How the program reads a pose's 28 points as a figure: each point hangs
// from another, the pelvis is the root and the head is one rigid part. The
// files hold only the points; any points load, whatever their shape.
static const uint32_t skeletonRoot = 9;
extern const uint8_t skeletonParent[28];

// True when point j turns with point i: j is i, hangs from it directly or
// further down, or both are head points.
bool turnsWith(uint32_t i, uint32_t j);

enum JointDragKind : int32_t
{
    JointDragNone = 0,
    JointDragTurn = 1,
    JointDragMove = 2,
    JointDragReach = 3,
};

// A drag by joints under way: every placement starts again from the pose as
// it was at the press and follows the mouse's motion since then, so lengths
// do not drift over a long drag and the press itself moves nothing.
struct JointDrag
{
    int32_t kind;
    uint32_t point;
    Vec2 pressed;
    double bendSide;
    Pose start;
    Pose written;
};

// The drag of a point that Shift (reach: Control+Shift) starts: a reach for a
// hand or an ankle, the whole figure for the root (or point 23 lying on it),
// else a turn about the parent; none for a point lying on its parent. pressed
// is the mouse at the press, in pose units.
JointDrag startJointDrag(const Pose* pose, uint32_t point, bool reach, Vec2 pressed);

// Places the drag's points for the mouse at target (pose units): a turn by the
// change of the mouse's angle about the joint since the press, a reach and
// the whole figure by the mouse's motion since the press. False, with
// the drag ended and the pose untouched, when there is no drag or something
// else changed the pose since the drag last placed it.
bool followJointDrag(JointDrag* drag, Pose* pose, Vec2 target);

// Exchanges the left and right arms and legs.
void swapSides(Pose* pose);

// Mirrors the pose in x about the root; false, changing nothing, when that
// would turn a finite point into an infinite one or the root is not finite.
bool mirrorPose(Pose* pose);

// Midway between two poses through the skeleton: the root at the midpoint,
// each joint's angle (its bone's direction relative to the bone above it;
// on screen for the bones at the root) turned halfway the shorter way and
// each bone's length the mean of the two. A point finite in both comes out
// finite; the same pose twice gives its bytes back.
Pose inBetweenPose(const Pose* from, const Pose* to);
