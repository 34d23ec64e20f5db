#pragma once
#include <stdint.h>
#include "app/arena.h"
#include "character/frame_strip.h"
#include "character/pose.h"

struct PoseEditorState;

// The edited animation's frames and selected frame at one moment.
struct EditSnapshot
{
    uint32_t frameCount;
    uint64_t selectedFrame;
    Pose poses[maxEditedFrames];
};

// The present state and 127 steps back.
static const uint32_t editHistorySlots = 128;

// A ring of snapshots numbered by step. Snapshot `current` equals the
// animation whenever no edit is under way; those after it up to `newest` can
// be redone; those before it down to `oldest` undone. `saved` holds the frames
// last saved or loaded.
struct EditHistory
{
    EditSnapshot* slots;
    EditSnapshot* saved;
    uint32_t slotCount;
    uint64_t oldest;
    uint64_t current;
    uint64_t newest;
    int32_t modified;
};

// What undo, redo and the in-between change: the animation, its poses'
// arena, the selected frame, and the point selection they clear.
struct EditTarget
{
    Animation* animation;
    Arena* poseArena;
    FrameStripState* strip;
    PoseEditorState* editor;
};

// Bytes a history of slotCount steps takes from its arena.
uint64_t editHistoryBytes(uint32_t slotCount);

// Carves the ring and the saved state from the arena and starts both at the
// animation as it is (counted as saved). Without room, or for an animation of
// no frames or more than a snapshot holds, the history stays inert.
void startEditHistory(EditHistory* history, Arena* arena, uint32_t slotCount, const Animation* animation,
                      uint64_t selectedFrame);

// Back to the state before the current step; false, changing nothing, at the oldest.
bool undoEdit(EditHistory* history, EditTarget target);

// Forward to the step undone last; false, changing nothing, when there is none.
bool redoEdit(EditHistory* history, EditTarget target);

// Once per frame after every edit: frames that differ from the current step
// become a new step (dropping the redo steps, and the oldest when full) unless
// an edit is still under way. Keeps the modified flag up to date.
void recordEditHistory(EditHistory* history, const Animation* animation, uint64_t selectedFrame,
                       bool editUnderWay);

// A save or load succeeded: the animation as it is now is what is on disk.
void markEditHistorySaved(EditHistory* history, const Animation* animation);

// Whether the edited animation differs from the last state saved or loaded.
bool editHistoryModified(const EditHistory* history);
