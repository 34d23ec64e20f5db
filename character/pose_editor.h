#pragma once
#include <stdint.h>
#include "character/pose.h"
#include "character/skeleton.h"

struct Window;
struct RenderBatch;
struct OnionSkin;

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
    JointDrag jointDrag;
    // Set while a name is typed: Shift-drags are then plain drags.
    int32_t jointDragsWait;
};

// Corners (x0, y0, x1, y1) of polyline button i in a client area of this height.
void polylineButtonRect(float rect[4], uint32_t button, float height);

// The state the editor starts the run with.
PoseEditorState initialPoseEditorState();

// True while a point drag, a grab or a box selection is under way.
bool poseEditUnderWay(const PoseEditorState* editor);

// Puts the points of a grab under way back where they were in pose, the
// frame it began in, and ends it; nothing without a grab.
void putGrabBack(PoseEditorState* editor, Pose* pose);

// Ends what is under way as the editor is left: a drag where it is, as
// letting go would; a grab goes back (see putGrabBack) and a box selection
// is cancelled. The mouse's travel until the editor next runs moves nothing.
void endPoseEdit(PoseEditorState* editor, Pose* pose);

// Edits the pose in place from this frame's input and draws it with its
// guides, polyline buttons and handles; an onion skin, when given, is drawn
// under the pose at the same zoom and origin.
void updatePoseEditor(PoseEditorState* editor, const Window* window, RenderBatch* lines, RenderBatch* points,
                      RenderBatch* rects, Pose* pose, const OnionSkin* onionSkin = nullptr);
