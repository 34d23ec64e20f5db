#include "character/edit_history.h"
#include <string.h>
#include "character/pose_editor.h"

static EditSnapshot* slotOf(const EditHistory* history, uint64_t step)
{
    return history->slots + step % history->slotCount;
}

static bool fitsSnapshot(const Animation* animation)
{
    return animation->frameCount >= 1 && animation->frameCount <= maxEditedFrames;
}

static bool sameFrames(const EditSnapshot* snapshot, const Animation* animation)
{
    return fitsSnapshot(animation) && snapshot->frameCount == animation->frameCount &&
           memcmp(snapshot->poses, animation->poses, animation->frameCount * sizeof(Pose)) == 0;
}

// An animation that does not fit leaves an empty snapshot, which no animation equals.
static void takeSnapshot(EditSnapshot* snapshot, const Animation* animation, uint64_t selectedFrame)
{
    snapshot->frameCount = fitsSnapshot(animation) ? animation->frameCount : 0;
    snapshot->selectedFrame = selectedFrame;
    memcpy(snapshot->poses, animation->poses, snapshot->frameCount * sizeof(Pose));
}

uint64_t editHistoryBytes(uint32_t slotCount)
{
    return ((uint64_t)slotCount + 1) * sizeof(EditSnapshot);
}

void startEditHistory(EditHistory* history, Arena* arena, uint32_t slotCount, const Animation* animation,
                      uint64_t selectedFrame)
{
    *history = EditHistory{};
    if (slotCount == 0 || !fitsSnapshot(animation)) return;
    EditSnapshot* memory = (EditSnapshot*)pushBytes(arena, editHistoryBytes(slotCount));
    if (!memory) return;
    history->slots = memory;
    history->saved = memory + slotCount;
    history->slotCount = slotCount;
    takeSnapshot(history->slots, animation, selectedFrame);
    takeSnapshot(history->saved, animation, selectedFrame);
}

// The poses fill their arena from its base, as the frame strip and loading
// expect; the point selection goes, since its points may have moved.
static void restoreSnapshot(EditHistory* history, const EditSnapshot* snapshot, EditTarget target)
{
    uint64_t bytes = (uint64_t)snapshot->frameCount * sizeof(Pose);
    memcpy(target.poseArena->base, snapshot->poses, bytes);
    target.poseArena->used = bytes;
    target.animation->poses = (Pose*)target.poseArena->base;
    target.animation->frameCount = snapshot->frameCount;
    uint64_t last = snapshot->frameCount - 1;
    target.strip->selectedFrame = snapshot->selectedFrame < last ? snapshot->selectedFrame : last;
    target.editor->selectionCount = 0;
    history->modified = !sameFrames(history->saved, target.animation);
}

// Every step holds at least one frame; one the arena cannot take stays where it is.
static bool moveTo(EditHistory* history, uint64_t step, EditTarget target)
{
    const EditSnapshot* snapshot = slotOf(history, step);
    if ((uint64_t)snapshot->frameCount * sizeof(Pose) > target.poseArena->capacity) return false;
    history->current = step;
    restoreSnapshot(history, snapshot, target);
    return true;
}

bool undoEdit(EditHistory* history, EditTarget target)
{
    if (!history->slots || history->current == history->oldest) return false;
    return moveTo(history, history->current - 1, target);
}

bool redoEdit(EditHistory* history, EditTarget target)
{
    if (!history->slots || history->current == history->newest) return false;
    return moveTo(history, history->current + 1, target);
}

void recordEditHistory(EditHistory* history, const Animation* animation, uint64_t selectedFrame,
                       bool editUnderWay)
{
    if (!history->slots) return;
    history->modified = !sameFrames(history->saved, animation);
    if (editUnderWay || !fitsSnapshot(animation)) return;
    EditSnapshot* present = slotOf(history, history->current);
    // Moving between frames is no step, but undo comes back to where the user was.
    if (sameFrames(present, animation))
    {
        present->selectedFrame = selectedFrame;
        return;
    }
    history->current += 1;
    history->newest = history->current;
    if (history->newest - history->oldest >= history->slotCount)
        history->oldest = history->newest - history->slotCount + 1;
    takeSnapshot(slotOf(history, history->current), animation, selectedFrame);
}

void markEditHistorySaved(EditHistory* history, const Animation* animation)
{
    if (!history->slots) return;
    takeSnapshot(history->saved, animation, 0);
    history->modified = !sameFrames(history->saved, animation);
}

bool editHistoryModified(const EditHistory* history)
{
    return history->modified != 0;
}
