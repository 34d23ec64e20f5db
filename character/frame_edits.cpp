#include "character/frame_edits.h"
#include "character/frame_strip.h"
#include "character/pose.h"
#include "character/skeleton.h"
#include "platform/window.h"

bool moveSelectedFrame(FrameStripState* strip, Animation* animation, int32_t step)
{
    uint64_t from = strip->selectedFrame;
    if (from >= animation->frameCount || (step < 0 && from == 0) || (step > 0 && from + 1 >= animation->frameCount))
        return false;
    uint64_t to = step < 0 ? from - 1 : from + 1;
    Pose moved = animation->poses[from];
    animation->poses[from] = animation->poses[to];
    animation->poses[to] = moved;
    strip->selectedFrame = to;
    return true;
}

void runFrameEditKeys(FrameStripState* strip, const Window* window, Animation* animation)
{
    if (strip->selectedFrame >= animation->frameCount) return;
    Pose* pose = animation->poses + strip->selectedFrame;
    // AltGr arrives as Control+Alt, and with either the letters mean something else.
    bool plain = !isDown(window, KeyControl) && !isDown(window, KeyAlt);
    if (plain && wasPressed(window, keyLetter('X'))) swapSides(pose);
    if (plain && wasPressed(window, keyLetter('M'))) mirrorPose(pose);
    if (shiftedArrowReleased(strip, window, KeyLeft)) moveSelectedFrame(strip, animation, -1);
    else if (shiftedArrowReleased(strip, window, KeyRight)) moveSelectedFrame(strip, animation, 1);
}
