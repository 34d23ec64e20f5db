#pragma once
#include <stdint.h>
#include "character/pose.h"
#include "export/export_look.h"

struct RenderBatch;

// The editor's looping preview of the animation being edited.
struct LivePreviewState
{
    int32_t shown;
    uint32_t frame;
    float timer;
};

static const float previewFramePeriod = 0.15f;

// Steps the loop as playback does: one frame on once more than 0.15 s has
// gathered, at most one per call. The frame stays below the count when
// frames are deleted.
void advancePreview(LivePreviewState* preview, uint32_t frameCount, float deltaTime);

// The inset's corners (x0, y0, x1, y1) at the top right of a client area.
// False when it would reach the strip (whose right end is given), the
// polyline buttons' column or the bottom text row.
bool previewInset(float inset[4], float width, float height, float stripRight);

// Draws the inset's frame and the preview's pose in the export look: its
// line colour (black lines on a white inset) and width, scaled with the
// figure so that every frame of the animation, lines included, fits inside it.
void drawPreview(const LivePreviewState* preview, const Animation* animation, const float inset[4],
                 const ExportLook* look, RenderBatch* lines, RenderBatch* rects, RenderBatch* thickLines);
