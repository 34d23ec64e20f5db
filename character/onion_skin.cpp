#include "character/onion_skin.h"

OnionSkin onionSkinAround(const Animation* animation, uint64_t selected)
{
    OnionSkin skin = {};
    if (selected >= animation->frameCount) return skin;
    if (selected > 0) skin.previous = animation->poses + selected - 1;
    if (selected + 1 < animation->frameCount) skin.next = animation->poses + selected + 1;
    return skin;
}

void drawOnionSkin(RenderBatch* lines, const OnionSkin* skin, Vec2 origin, float zoom)
{
    if (skin->previous) drawPoseScaled(lines, skin->previous, origin, zoom, onionPreviousColor);
    if (skin->next) drawPoseScaled(lines, skin->next, origin, zoom, onionNextColor);
}
