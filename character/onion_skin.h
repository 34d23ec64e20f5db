#pragma once
#include <stdint.h>
#include "character/pose.h"
#include "render/render_batch.h"

// The frames shown dimmed behind the edited one: the one before and the one
// after, each null where the animation ends (no wrap-around).
struct OnionSkin
{
    const Pose* previous;
    const Pose* next;
};

static const Color onionPreviousColor = {0.75f, 0.3f, 0.3f, 1};
static const Color onionNextColor = {0.3f, 0.6f, 0.75f, 1};

// The neighbours of frame `selected` of the animation.
OnionSkin onionSkinAround(const Animation* animation, uint64_t selected);

// Draws the previous pose, then the next, as line strips at the editor's zoom
// and origin, each in its own dim colour.
void drawOnionSkin(RenderBatch* lines, const OnionSkin* skin, Vec2 origin, float zoom);
