#include "character/pose.h"
#include "render/render_batch.h"
#include "render/thick_lines.h"

void transformPoints(Vec2* out, const Vec2* in, uint64_t count, Vec2 offset, float scale, float facing)
{
    for (uint64_t i = 0; i < count; ++i)
    {
        Vec2 point = in[i];
        out[i].x = (point.x * scale) * facing + offset.x;
        out[i].y = point.y * scale + offset.y;
    }
}

static void drawStrips(RenderBatch* lines, const Pose* pose, Vec2 position, float scale, float facing, Color color)
{
    Vec2 buffer[longestPolyline + 1];
    for (uint32_t polyline = 0; polyline < polylineCount; ++polyline)
    {
        uint32_t count = polylineCounts[polyline];
        transformPoints(buffer, pose->points + polylineFirst[polyline], count, position, scale, facing);
        // The head is the one closed outline: repeat its first point.
        if (polyline == 0) buffer[count++] = buffer[0];
        pushDraw(lines, &buffer[0].x, count, color);
    }
}

void drawPose(RenderBatch* lines, const Pose* pose, Vec2 position, float facing)
{
    drawStrips(lines, pose, position, 1.0f, facing, colorWhite);
}

void drawPoseScaled(RenderBatch* lines, const Pose* pose, Vec2 position, float scale, const Color& color)
{
    drawStrips(lines, pose, position, scale, 1.0f, color);
}

void drawPoseThick(RenderBatch* thickLines, const Pose* pose, Vec2 position, float scale, float width,
                   const Color& color)
{
    Vec2 buffer[longestPolyline];
    for (uint32_t polyline = 0; polyline < polylineCount; ++polyline)
    {
        uint32_t count = polylineCounts[polyline];
        transformPoints(buffer, pose->points + polylineFirst[polyline], count, position, scale, 1.0f);
        pushThickLine(thickLines, &buffer[0].x, count, width, color, polyline == 0);
    }
}
