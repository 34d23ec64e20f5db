#include "character/skeleton.h"
#include <math.h>
#include <string.h>

const uint8_t skeletonParent[28] = {
    6,  6,  6,  6,  6,  6,                  // head, on the neck
    7,  8,  9,  9,                          // neck, chest, belly, pelvis (the root, its own)
    11, 12, 13, 14, 6,  14, 15, 16, 17,     // arms, from the point between the shoulders
    20, 21, 22, 23, 9,  23, 24, 25, 26,     // legs, from their middle point
};

// Every point after the one it hangs from.
static const uint8_t parentsFirst[28] = {9,  23, 8,  7,  6,  0,  1,  2,  3,  4,  5,  14, 13, 12,
                                         11, 10, 15, 16, 17, 18, 22, 21, 20, 19, 24, 25, 26, 27};

// The hands and ankles, which reach with the two bones above them.
static const uint32_t reachingEnds[4] = {10, 18, 20, 26};

bool turnsWith(uint32_t i, uint32_t j)
{
    if (i < 6 && j < 6) return true;
    for (uint32_t k = j;; k = skeletonParent[k])
    {
        if (k == i) return true;
        if (k == skeletonRoot) return false;
    }
}

// The maths runs in double: differences of any two floats stay finite and
// products of them do not overflow.
struct Dvec
{
    double x, y;
};

static Dvec dvec(Vec2 v) { return {v.x, v.y}; }
static Vec2 vec2(Dvec v) { return {(float)v.x, (float)v.y}; }
static Dvec add(Dvec a, Dvec b) { return {a.x + b.x, a.y + b.y}; }
static Dvec sub(Dvec a, Dvec b) { return {a.x - b.x, a.y - b.y}; }
static Dvec scaled(Dvec a, double s) { return {a.x * s, a.y * s}; }
static double dot(Dvec a, Dvec b) { return a.x * b.x + a.y * b.y; }
static double cross(Dvec a, Dvec b) { return a.x * b.y - a.y * b.x; }
static double length(Dvec a) { return sqrt(dot(a, a)); }
// Counter-clockwise by the angle whose cosine and sine are c and s.
static Dvec rotated(Dvec a, double c, double s) { return {a.x * c - a.y * s, a.x * s + a.y * c}; }
static bool finite(Vec2 v) { return isfinite(v.x) && isfinite(v.y); }

// Every point finite before is finite after.
static bool keepsFinite(const Pose* before, const Pose* after)
{
    for (uint32_t i = 0; i < 28; ++i)
        if (finite(before->points[i]) && !finite(after->points[i])) return false;
    return true;
}

static bool isReachingEnd(uint32_t point)
{
    for (uint32_t end : reachingEnds)
        if (point == end) return true;
    return false;
}

// +1 when the middle joint lies counter-clockwise of the line from the top
// joint to the end (a knee bent forward), -1 clockwise; straight counts as +1.
static double bendSide(const Pose* pose, uint32_t end)
{
    uint32_t middle = skeletonParent[end];
    Dvec top = dvec(pose->points[skeletonParent[middle]]);
    double side = cross(sub(dvec(pose->points[end]), top), sub(dvec(pose->points[middle]), top));
    return side < 0 ? -1.0 : 1.0;
}

JointDrag startJointDrag(const Pose* pose, uint32_t point, bool reach, Vec2 pressed)
{
    JointDrag drag = {};
    if (point >= 28) return drag;
    drag.point = point;
    drag.pressed = pressed;
    drag.start = *pose;
    drag.written = *pose;
    const Vec2* p = pose->points;
    bool onRoot = point == 23 && p[23].x == p[skeletonRoot].x && p[23].y == p[skeletonRoot].y;
    if (point == skeletonRoot || onRoot) drag.kind = JointDragMove;
    else if (reach && isReachingEnd(point))
    {
        drag.kind = JointDragReach;
        drag.bendSide = bendSide(pose, point);
    }
    else if (length(sub(dvec(p[point]), dvec(p[skeletonParent[point]]))) > 0)
        drag.kind = JointDragTurn;
    return drag;
}

static bool moveWhole(Pose* placed, const JointDrag* drag, Vec2 target)
{
    Dvec delta = sub(dvec(target), dvec(drag->pressed));
    for (uint32_t j = 0; j < 28; ++j) placed->points[j] = vec2(add(dvec(drag->start.points[j]), delta));
    return true;
}

// Turns by the mouse's angle about the joint since the press; a press right on
// the joint turns the point to aim at the mouse. With the mouse exactly on the
// joint there is no direction: nothing moves.
static bool turnAboutParent(Pose* placed, const JointDrag* drag, Vec2 target)
{
    const Vec2* start = drag->start.points;
    Dvec centre = dvec(start[skeletonParent[drag->point]]);
    Dvec from = sub(dvec(drag->pressed), centre);
    if (!(length(from) > 0)) from = sub(dvec(start[drag->point]), centre);
    Dvec to = sub(dvec(target), centre);
    double lengths = length(from) * length(to);
    if (!(lengths > 0) || !isfinite(lengths)) return false;
    double c = dot(from, to) / lengths;
    double s = cross(from, to) / lengths;
    for (uint32_t j = 0; j < 28; ++j)
        if (turnsWith(drag->point, j)) placed->points[j] = vec2(add(centre, rotated(sub(dvec(start[j]), centre), c, s)));
    return true;
}

// The first of these directions that has a length, as a unit vector.
static bool unitOfFirst(Dvec* unit, const Dvec* candidates, uint32_t count)
{
    for (uint32_t k = 0; k < count; ++k)
    {
        double size = length(candidates[k]);
        if (!(size > 0) || !isfinite(size)) continue;
        *unit = scaled(candidates[k], 1.0 / size);
        return true;
    }
    return false;
}

// Two bones, top to middle (a) and middle to end (b), reach for the end moved
// by the mouse's motion since the press, with their lengths kept, the middle
// joint on the side it bent to at the press; beyond reach they point straight
// at it.
static bool reachWithTwoBones(Pose* placed, const JointDrag* drag, Vec2 mouse)
{
    const Vec2* start = drag->start.points;
    uint32_t end = drag->point;
    uint32_t middle = skeletonParent[end];
    Dvec top = dvec(start[skeletonParent[middle]]);
    Dvec middle0 = dvec(start[middle]);
    Dvec end0 = dvec(start[end]);
    double a = length(sub(middle0, top));
    double b = length(sub(end0, middle0));
    Dvec toTarget = sub(add(end0, sub(dvec(mouse), dvec(drag->pressed))), top);
    Dvec directions[3] = {toTarget, sub(end0, top), sub(middle0, top)};
    Dvec unit;
    if (!unitOfFirst(&unit, directions, 3)) return false;

    double reach = fmin(fmax(length(toTarget), fabs(a - b)), a + b);
    // The law of cosines at the top joint; reach is 0 only when a equals b.
    double c = 1.0;
    if (a > 0 && b > 0) c = reach > 0 ? ((a - b) * (a + b) / reach + reach) / (2.0 * a) : 0.0;
    c = fmin(fmax(c, -1.0), 1.0);
    double s = drag->bendSide * sqrt(1.0 - c * c);
    Dvec endPlaced = add(top, scaled(unit, reach));
    placed->points[middle] = vec2(add(top, scaled(rotated(unit, c, s), a)));
    Dvec shift = sub(endPlaced, end0);
    for (uint32_t j = 0; j < 28; ++j)
        if (turnsWith(end, j)) placed->points[j] = vec2(add(dvec(start[j]), shift));
    placed->points[end] = vec2(endPlaced);
    return true;
}

bool followJointDrag(JointDrag* drag, Pose* pose, Vec2 target)
{
    if (drag->kind == JointDragNone) return false;
    if (memcmp(pose, &drag->written, sizeof(Pose)) != 0)
    {
        drag->kind = JointDragNone;
        return false;
    }
    // A press without motion changes nothing, not even by a rounding.
    Pose placed = drag->start;
    bool still = target.x == drag->pressed.x && target.y == drag->pressed.y;
    bool moved = still || (drag->kind == JointDragMove   ? moveWhole(&placed, drag, target)
                           : drag->kind == JointDragTurn ? turnAboutParent(&placed, drag, target)
                                                         : reachWithTwoBones(&placed, drag, target));
    if (!moved || !keepsFinite(&drag->start, &placed)) return true;
    *pose = placed;
    drag->written = placed;
    return true;
}

void swapSides(Pose* pose)
{
    for (uint32_t i = 0; i < 4; ++i)
    {
        Vec2* p = pose->points;
        Vec2 arm = p[10 + i], leg = p[19 + i];
        p[10 + i] = p[18 - i];
        p[18 - i] = arm;
        p[19 + i] = p[27 - i];
        p[27 - i] = leg;
    }
}

bool mirrorPose(Pose* pose)
{
    double root = pose->points[skeletonRoot].x;
    if (!isfinite(root)) return false;
    Pose mirrored = *pose;
    for (uint32_t i = 0; i < 28; ++i) mirrored.points[i].x = (float)(2.0 * root - pose->points[i].x);
    if (!keepsFinite(pose, &mirrored)) return false;
    *pose = mirrored;
    return true;
}

// Summed in double, a midpoint of two finite floats is finite and rounded once.
static float midway(float a, float b)
{
    return (float)(((double)a + (double)b) * 0.5);
}

// The offset of a point from its parent, midway between its offsets a and b.
static Dvec offsetMidway(Dvec a, Dvec b)
{
    double lengthA = length(a), lengthB = length(b);
    if (!(lengthA > 0 && lengthB > 0)) return scaled(add(a, b), 0.5);
    double half = atan2(cross(a, b), dot(a, b)) * 0.5;
    return scaled(rotated(a, cos(half), sin(half)), (lengthA + lengthB) * 0.5 / lengthA);
}

static Dvec boneTo(const Dvec* points, uint32_t j) { return sub(points[j], points[skeletonParent[j]]); }

static bool hasLength(Dvec bone)
{
    double size = length(bone);
    return size > 0 && isfinite(size);
}

// The bone's direction as a unit vector; the screen's x axis for one without length.
static Dvec unitAlong(Dvec bone)
{
    return hasLength(bone) ? scaled(bone, 1.0 / length(bone)) : Dvec{1, 0};
}

// The bone a joint's angle is measured from: the nearest above point j with
// a length in both poses. The root stands for the screen, whose bones go by
// their direction on it.
static uint32_t referenceBone(const Dvec* a, const Dvec* b, uint32_t j)
{
    uint32_t k = skeletonParent[j];
    while (k != skeletonRoot && !(hasLength(boneTo(a, k)) && hasLength(boneTo(b, k)))) k = skeletonParent[k];
    return k;
}

// Point j's offset from its parent seen along the reference bone (the x axis
// along it), so that a bent elbow halves its bend whatever the arm above did.
static Dvec jointOffset(const Dvec* points, uint32_t j, uint32_t reference)
{
    Dvec unit = reference == skeletonRoot ? Dvec{1, 0} : unitAlong(boneTo(points, reference));
    return rotated(boneTo(points, j), unit.x, -unit.y);
}

// A point whose parent was not finite in one pose falls back to its own
// midpoint, so no finite pair of points gives a non-finite one.
Pose inBetweenPose(const Pose* from, const Pose* to)
{
    if (memcmp(from, to, sizeof(Pose)) == 0) return *from;
    Dvec a[28], b[28], placed[28];
    for (uint32_t i = 0; i < 28; ++i) a[i] = dvec(from->points[i]), b[i] = dvec(to->points[i]);
    placed[skeletonRoot] = scaled(add(a[skeletonRoot], b[skeletonRoot]), 0.5);
    for (uint32_t k = 1; k < 28; ++k)
    {
        uint32_t j = parentsFirst[k], reference = referenceBone(a, b, j);
        Dvec offset = offsetMidway(jointOffset(a, j, reference), jointOffset(b, j, reference));
        Dvec unit = reference == skeletonRoot ? Dvec{1, 0} : unitAlong(boneTo(placed, reference));
        placed[j] = add(placed[skeletonParent[j]], rotated(offset, unit.x, unit.y));
    }
    Pose between;
    for (uint32_t i = 0; i < 28; ++i)
    {
        Vec2 point = vec2(placed[i]);
        Vec2 p = from->points[i], q = to->points[i];
        if (!finite(point) && finite(p) && finite(q)) point = {midway(p.x, q.x), midway(p.y, q.y)};
        between.points[i] = point;
    }
    return between;
}
