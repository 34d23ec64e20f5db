#pragma once
#include <stdint.h>

struct Window;
struct Animation;
struct FrameStripState;

// X swaps the selected frame's left and right limbs and M mirrors it about the
// root (neither with Control or Alt down); Left / Right pressed with Shift,
// on release, move it one place earlier or later. The caller keeps these from
// running while a name is typed or an edit is under way.
void runFrameEditKeys(FrameStripState* strip, const Window* window, Animation* animation);

// Moves the selected frame one place earlier (step -1) or later (+1), keeping
// it selected; false, changing nothing, at either end.
bool moveSelectedFrame(FrameStripState* strip, Animation* animation, int32_t step);
