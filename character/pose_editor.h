#pragma once
#include <stdint.h>
#include "character/pose.h"

struct Window;
struct RenderBatch;

struct PoseEditorState
{
    uint64_t selectedPolyline;
    uint64_t selection[9];
    uint64_t selectionCount;
    int64_t draggedPoint;
    Vec2 clipboard[9];
    int32_t clipboardValid;
    float zoom;
    int32_t showGuides;
    int32_t hideHandles;
    int32_t handlesOnSelectedOnly;
    int32_t boxSelectMode;
    int32_t boxDragging;
    Vec2 boxAnchor;
    int32_t grabbing;
    Vec2 grabBackup[9];
    Vec2 previousMouse;
    int32_t previousMouseSet;
};

// The state the editor starts the run with.
PoseEditorState initialPoseEditorState();

// Edits the pose in place from this frame's input and draws it with its
// guides, polyline buttons and handles.
void updatePoseEditor(PoseEditorState* editor, const Window* window, RenderBatch* lines, RenderBatch* points,
                      RenderBatch* rects, Pose* pose);
