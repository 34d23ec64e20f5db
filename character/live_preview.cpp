#include "character/live_preview.h"
#include <math.h>
#include "render/render_batch.h"
#include "render/thick_lines.h"

static const float insetSize = 200.0f;
static const float windowMargin = 10.0f;
static const float innerMargin = 10.0f;
// The polyline buttons and their labels end left of this.
static const float buttonColumnRight = 200.0f;
// The prompt and the status line live below this.
static const float bottomRowTop = 40.0f;
// A step longer than this advances one frame like any other long step.
static const float longestStep = 1.0f;

void advancePreview(LivePreviewState* preview, uint32_t frameCount, float deltaTime)
{
    if (frameCount == 0)
    {
        preview->frame = 0;
        return;
    }
    if (preview->frame >= frameCount) preview->frame %= frameCount;
    if (!(deltaTime > 0.0f)) return;
    preview->timer += deltaTime < longestStep ? deltaTime : longestStep;
    if (preview->timer <= previewFramePeriod) return;
    preview->frame = preview->frame + 1 == frameCount ? 0 : preview->frame + 1;
    preview->timer = fmodf(preview->timer, previewFramePeriod);
}

bool previewInset(float inset[4], float width, float height, float stripRight)
{
    inset[2] = width - windowMargin;
    inset[3] = height - windowMargin;
    inset[0] = inset[2] - insetSize;
    inset[1] = inset[3] - insetSize;
    float leftmost = (stripRight > buttonColumnRight ? stripRight : buttonColumnRight) + windowMargin;
    return inset[0] >= leftmost && inset[1] >= bottomRowTop;
}

struct Bounds
{
    Vec2 lo;
    Vec2 hi;
};

static float lesser(float a, float b) { return a < b ? a : b; }
static float greater(float a, float b) { return a > b ? a : b; }

// Every pose point of every frame, as one run of x, y pairs. Eight running
// minima and maxima (four of x, four of y) keep the comparisons independent.
static Bounds boundsOfAllFrames(const Animation* animation)
{
    const float* values = &animation->poses[0].points[0].x;
    uint64_t count = (uint64_t)animation->frameCount * 56;
    float lo[8], hi[8];
    for (int k = 0; k < 8; ++k) lo[k] = hi[k] = values[k % 2];
    // A pose is 56 values, a multiple of 8.
    for (uint64_t i = 0; i < count; i += 8)
        for (int k = 0; k < 8; ++k)
        {
            lo[k] = lesser(values[i + k], lo[k]);
            hi[k] = greater(values[i + k], hi[k]);
        }
    Bounds bounds = {{lo[0], lo[1]}, {hi[0], hi[1]}};
    for (int k = 2; k < 8; k += 2)
    {
        bounds.lo = {lesser(lo[k], bounds.lo.x), lesser(lo[k + 1], bounds.lo.y)};
        bounds.hi = {greater(hi[k], bounds.hi.x), greater(hi[k + 1], bounds.hi.y)};
    }
    return bounds;
}

void drawPreview(const LivePreviewState* preview, const Animation* animation, const float inset[4],
                 const ExportLook* look, RenderBatch* lines, RenderBatch* rects, RenderBatch* thickLines)
{
    float x0 = inset[0], y0 = inset[1], x1 = inset[2], y1 = inset[3];
    float outline[10] = {x0, y0, x1, y0, x1, y1, x0, y1, x0, y0};
    pushDraw(lines, outline, 5, colorGrey50);
    if (look->black) pushDraw(rects, inset, 1, colorWhite);
    if (animation->frameCount == 0) return;

    Bounds bounds = boundsOfAllFrames(animation);
    // A pose with no extent along an axis (a single point, a flat line) still gets a finite scale.
    float width = (float)look->width;
    float spanX = fmaxf(bounds.hi.x - bounds.lo.x, 1.0f) + width;
    float spanY = fmaxf(bounds.hi.y - bounds.lo.y, 1.0f) + width;
    float innerWidth = x1 - x0 - 2.0f * innerMargin;
    float innerHeight = y1 - y0 - 2.0f * innerMargin;
    float scale = fminf(innerWidth / spanX, innerHeight / spanY);
    if (!isfinite(scale) || !(scale > 0.0f)) return;
    Vec2 centre = {(bounds.lo.x + bounds.hi.x) * 0.5f, (bounds.lo.y + bounds.hi.y) * 0.5f};
    Vec2 offset = {(x0 + x1) * 0.5f - centre.x * scale, (y0 + y1) * 0.5f - centre.y * scale};
    if (!isfinite(offset.x) || !isfinite(offset.y)) return;

    const Pose* pose = animation->poses + preview->frame % animation->frameCount;
    drawPoseThick(thickLines, pose, offset, scale, width * scale, look->black ? colorBlack : colorWhite);
}
