#pragma once
#include <stdint.h>
#include "render/render_batch.h"

// Thick polylines: each segment a quad around its capsule whose fragments
// take their coverage from the distance to the segment, so ends and joins
// come out round with an edge one pixel wide. A batch draws its lines over
// the opposite colour (white lines over black, black over white): each
// fragment writes the line colour mixed with that background by its
// coverage, and the batch blends by the brighter value (light lines) or the
// darker (dark lines), so where segments overlap at a joint a pixel gets the
// coverage of the union, never the sum.

extern const char* const thickLineVertexSource;
extern const char* const thickLineFragmentSource;

// Builds the thick-line program; 0 on failure, like createShaderProgram.
uint32_t buildThickLineProgram();

// A vertex: x, y, the segment's two ends, its half width and the colour.
static const uint32_t thickLineVertexBytes = 11 * 4;

// The window's thick-line batch: the live preview's pose.
static const BatchSize thickLineBatchSize = {ThickLines, 8 * drawStride, 64 * 8, 64 * 4 * thickLineVertexBytes,
                                             64 * 5 * 4};

// Appends a polyline of count points, width pixels wide; a closed one (of at
// most 63 points) also joins its last point to its first. Refused like pushDraw.
void pushThickLine(RenderBatch* batch, const float* points, uint32_t count, float width, Color color, bool closed);

// Draws the batch with one indexed draw (frame submission calls it for
// ThickLines batches); scratch holds the expanded vertices meanwhile.
void drawThickLines(RenderBatch* batch, Arena* scratch);
