#pragma once
#include "app/arena.h"

struct RenderBatch;

// Writes the room's 24 segments into the empty arena.
void buildScenery(Arena* sceneryArena);
// Appends every scenery polyline to the line batch in white, in storage order.
void drawScenery(const Arena* sceneryArena, RenderBatch* lines);
