#pragma once
#include <stdint.h>
#include "app/arena.h"

struct Window;
struct RenderBatch;
struct Animation;
struct PoseEditorState;

// The strip shows at most this many frames; the add box refuses beyond it.
static const uint32_t maxEditedFrames = 32;

struct FrameStripState
{
    uint64_t selectedFrame;
    // Left and Right (bits 1 and 2) pressed with Shift: their release moves the frame.
    uint32_t arrowsPressedWithShift;
};

// True in the frame an arrow (KeyLeft or KeyRight) is let go that was pressed
// with Shift down, whenever Shift was let go.
bool shiftedArrowReleased(const FrameStripState* strip, const Window* window, uint32_t arrow);

// Selects, deletes and duplicates frames, draws the strip, then runs the pose
// editor on the selected pose, with its neighbours dimmed behind it when
// showOnionSkin is set. Needs at least one frame and selectedFrame in range.
void updateFrameStrip(FrameStripState* strip, PoseEditorState* editor, const Window* window, RenderBatch* lines,
                      RenderBatch* points, RenderBatch* rects, Animation* animation, Arena* poseArena,
                      int32_t showOnionSkin = 0);

// The right edge of the strip (its add box) for an animation of this many frames.
float frameStripRight(uint32_t frameCount);

// Inserts after the selected frame the in-between of it and the next frame
// (frame 0 after the last; see inBetweenPose), and selects it. Returns
// false, changing nothing, with fewer than two frames or no room for one more.
bool insertInBetween(FrameStripState* strip, Animation* animation, Arena* poseArena);
