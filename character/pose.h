#pragma once
// The character subsystem: the pose and animation records and how a pose is
// drawn (this header), and the editor built on them: the frame strip, the
// pose editor, the onion skin, the live preview, the undo history, the status
// line and polyline labels, and the help panel.
#include <stdint.h>

struct RenderBatch;
struct Color;

struct Vec2
{
    float x;
    float y;
};

// 28 points in four polylines of 6, 4, 9 and 9; stored byte for byte in files.
struct Pose
{
    Vec2 points[28];
};
static_assert(sizeof(Pose) == 224, "a pose is stored as exactly 224 bytes");

static const uint32_t polylineCount = 4;
static const uint32_t polylineFirst[4] = {0, 6, 10, 19};
static const uint32_t polylineCounts[4] = {6, 4, 9, 9};
static const uint32_t longestPolyline = 9;

// A run of poses held in an arena; the animation does not own them.
struct Animation
{
    uint32_t frameCount;
    Pose* poses;
};

// out[i] = (in[i] * scale) mirrored by facing in x, plus offset. out may equal in.
void transformPoints(Vec2* out, const Vec2* in, uint64_t count, Vec2 offset, float scale, float facing);

// Appends the pose as four white line strips (polyline 0 closed): 29 vertices.
void drawPose(RenderBatch* lines, const Pose* pose, Vec2 position, float facing);

// The same four strips at a scale, facing +1, in a colour of the caller's choice.
void drawPoseScaled(RenderBatch* lines, const Pose* pose, Vec2 position, float scale, const Color& color);

// The four polylines as thick lines width pixels wide at a scale, facing +1,
// the head closed: what an export draws.
void drawPoseThick(RenderBatch* thickLines, const Pose* pose, Vec2 position, float scale, float width,
                   const Color& color);
