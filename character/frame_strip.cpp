#include "character/frame_strip.h"
#include <string.h>
#include "character/onion_skin.h"
#include "character/pose_editor.h"
#include "character/skeleton.h"
#include "platform/window.h"
#include "render/render_batch.h"

static void frameBox(float box[4], uint64_t index, float height)
{
    box[0] = 110.0f + 20.0f * (float)index;
    box[1] = height - 30.0f;
    box[2] = box[0] + 15.0f;
    box[3] = height;
}

static bool clickedInside(const Window* window, Vec2 mouse, const float box[4])
{
    return wasReleased(window, KeyMouseLeft) && box[0] < mouse.x && mouse.x < box[2] && box[1] < mouse.y &&
           mouse.y < box[3];
}

static void deleteFrame(FrameStripState* strip, Animation* animation, Arena* poseArena, uint64_t frame)
{
    Pose* poses = animation->poses;
    memmove(poses + frame, poses + frame + 1, (animation->frameCount - 1 - frame) * sizeof(Pose));
    popBytes(poseArena, sizeof(Pose));
    animation->frameCount -= 1;
    if (frame >= animation->frameCount) strip->selectedFrame = frame - 1;
}

// Frames beyond the box list stay in the animation but get no box. Returns
// whether a frame box took this frame's click.
static bool walkFrameBoxes(FrameStripState* strip, PoseEditorState* editor, const Window* window, Vec2 mouse,
                           float* boxes, Animation* animation, Arena* poseArena)
{
    bool clickTaken = false;
    float height = (float)window->clientHeight;
    for (uint64_t j = 0; j < animation->frameCount && j < maxEditedFrames; ++j)
    {
        float* box = boxes + 4 * j;
        frameBox(box, j, height);
        if (!clickedInside(window, mouse, box)) continue;
        clickTaken = true;
        putGrabBack(editor, animation->poses + strip->selectedFrame);
        strip->selectedFrame = j;
        if (controlChord(window) && animation->frameCount > 1) deleteFrame(strip, animation, poseArena, j);
    }
    return clickTaken;
}

static void drawFrameBoxes(const FrameStripState* strip, const float* boxes, uint32_t frameCount,
                           RenderBatch* rects)
{
    uint32_t boxCount = frameCount < maxEditedFrames ? frameCount : maxEditedFrames;
    uint32_t selected = strip->selectedFrame < boxCount ? (uint32_t)strip->selectedFrame : boxCount;
    uint32_t afterSelected = selected < boxCount ? selected + 1 : boxCount;
    pushDraw(rects, boxes, selected, colorYellow);
    pushDraw(rects, boxes + 4 * selected, afterSelected - selected, colorRed);
    pushDraw(rects, boxes + 4 * afterSelected, boxCount - afterSelected, colorYellow);
}

// The poses fill the arena from its base; refuse unless one more fits both in
// the strip and in the arena's memory.
static bool roomForOneMoreFrame(const Animation* animation, const Arena* poseArena)
{
    if (animation->frameCount >= maxEditedFrames) return false;
    const uint8_t* poses = (const uint8_t*)animation->poses;
    if (poses < poseArena->base) return false;
    uint64_t end = (uint64_t)(poses - poseArena->base) + (uint64_t)(animation->frameCount + 1) * sizeof(Pose);
    return end <= poseArena->capacity && poseArena->capacity - poseArena->used >= sizeof(Pose);
}

// The pose is taken by value: the move below may shift the one it came from.
static void insertAfterSelected(FrameStripState* strip, Animation* animation, Arena* poseArena, Pose pose)
{
    pushBytes(poseArena, sizeof(Pose));
    Pose* poses = animation->poses;
    uint64_t selected = strip->selectedFrame;
    memmove(poses + selected + 2, poses + selected + 1, (animation->frameCount - 1 - selected) * sizeof(Pose));
    poses[selected + 1] = pose;
    animation->frameCount += 1;
    strip->selectedFrame = selected + 1;
}

static void duplicateSelectedFrame(FrameStripState* strip, Animation* animation, Arena* poseArena)
{
    if (!roomForOneMoreFrame(animation, poseArena)) return;
    insertAfterSelected(strip, animation, poseArena, animation->poses[strip->selectedFrame]);
}

bool insertInBetween(FrameStripState* strip, Animation* animation, Arena* poseArena)
{
    uint32_t count = animation->frameCount;
    if (count < 2 || strip->selectedFrame >= count || !roomForOneMoreFrame(animation, poseArena)) return false;
    const Pose& from = animation->poses[strip->selectedFrame];
    const Pose& to = animation->poses[(strip->selectedFrame + 1) % count];
    insertAfterSelected(strip, animation, poseArena, inBetweenPose(&from, &to));
    return true;
}

static uint32_t arrowBit(uint32_t arrow) { return arrow == KeyLeft ? 1u : 2u; }

bool shiftedArrowReleased(const FrameStripState* strip, const Window* window, uint32_t arrow)
{
    return wasReleased(window, arrow) && (strip->arrowsPressedWithShift & arrowBit(arrow));
}

// An arrow let go steps through the frames; one pressed with Shift moves the
// frame instead (frame_edits), which runs earlier in the frame.
static bool steppingArrowReleased(FrameStripState* strip, const Window* window, uint32_t arrow)
{
    bool shifted = shiftedArrowReleased(strip, window, arrow);
    if (wasPressed(window, arrow) || wasReleased(window, arrow)) strip->arrowsPressedWithShift &= ~arrowBit(arrow);
    if (wasPressed(window, arrow) && isDown(window, KeyShift)) strip->arrowsPressedWithShift |= arrowBit(arrow);
    return wasReleased(window, arrow) && !shifted;
}

static void stepWithArrows(FrameStripState* strip, PoseEditorState* editor, const Window* window,
                           Animation* animation)
{
    bool right = steppingArrowReleased(strip, window, KeyRight);
    bool left = steppingArrowReleased(strip, window, KeyLeft);
    uint32_t frameCount = animation->frameCount;
    if (right || left) putGrabBack(editor, animation->poses + strip->selectedFrame);
    if (right) strip->selectedFrame = strip->selectedFrame + 1 >= frameCount ? 0 : strip->selectedFrame + 1;
    else if (left) strip->selectedFrame = strip->selectedFrame == 0 ? frameCount - 1 : strip->selectedFrame - 1;
}

float frameStripRight(uint32_t frameCount)
{
    float addBox[4];
    frameBox(addBox, frameCount, 0.0f);
    return addBox[2];
}

void updateFrameStrip(FrameStripState* strip, PoseEditorState* editor, const Window* window, RenderBatch* lines,
                      RenderBatch* points, RenderBatch* rects, Animation* animation, Arena* poseArena,
                      int32_t showOnionSkin)
{
    if (strip->selectedFrame >= animation->frameCount)
        strip->selectedFrame = animation->frameCount > 0 ? animation->frameCount - 1 : 0;
    Vec2 mouse = {(float)window->mouseX, (float)window->mouseY};
    float boxes[maxEditedFrames * 4] = {};

    bool clickTaken = walkFrameBoxes(strip, editor, window, mouse, boxes, animation, poseArena);
    drawFrameBoxes(strip, boxes, animation->frameCount, rects);

    float addBox[4];
    frameBox(addBox, animation->frameCount, (float)window->clientHeight);
    // With no frame there is nothing to copy and no pose to edit.
    if (animation->frameCount == 0)
    {
        pushDraw(rects, addBox, 1, colorGreen);
        return;
    }
    // Deleting the last frame moves the add box under the mouse; the click that
    // deleted must not also duplicate.
    if (!clickTaken && clickedInside(window, mouse, addBox))
    {
        putGrabBack(editor, animation->poses + strip->selectedFrame);
        duplicateSelectedFrame(strip, animation, poseArena);
    }
    pushDraw(rects, addBox, 1, colorGreen);

    stepWithArrows(strip, editor, window, animation);
    OnionSkin skin = onionSkinAround(animation, strip->selectedFrame);
    updatePoseEditor(editor, window, lines, points, rects, animation->poses + strip->selectedFrame,
                     showOnionSkin ? &skin : nullptr);
}
