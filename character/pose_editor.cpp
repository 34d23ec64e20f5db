#include "character/pose_editor.h"
#include "character/onion_skin.h"
#include "platform/window.h"
#include "render/render_batch.h"

static const float groundLineY = 50.0f;
static const float pickRadius = 9.0f;
static const float handleSize = 6.0f;
static const float smallestZoom = 0.05f;

PoseEditorState initialPoseEditorState()
{
    PoseEditorState editor = {};
    editor.draggedPoint = -1;
    editor.zoom = 1.0f;
    editor.showGuides = 1;
    editor.handlesOnSelectedOnly = 1;
    return editor;
}

struct EditorView
{
    Vec2 mouse;
    Vec2 origin;
    float width;
    float height;
};

static Vec2 shownPosition(Vec2 point, const PoseEditorState* editor, const EditorView* view)
{
    Vec2 shown;
    transformPoints(&shown, &point, 1, view->origin, editor->zoom, 1.0f);
    return shown;
}

static Vec2 mouseInPose(const PoseEditorState* editor, const EditorView* view)
{
    float r = 1.0f / editor->zoom;
    return {(view->mouse.x - view->origin.x) * r, (view->mouse.y - view->origin.y) * r};
}

static bool strictlyInside(Vec2 p, float x0, float y0, float x1, float y1)
{
    return x0 < p.x && p.x < x1 && y0 < p.y && p.y < y1;
}

static void pushSegment(RenderBatch* lines, Vec2 a, Vec2 b, Color color)
{
    float segment[4] = {a.x, a.y, b.x, b.y};
    pushDraw(lines, segment, 2, color);
}

static void drawGuides(PoseEditorState* editor, const Window* window, const EditorView* view, RenderBatch* lines)
{
    if (wasReleased(window, keyDigit(3))) editor->showGuides = !editor->showGuides;
    if (!editor->showGuides) return;
    pushSegment(lines, {0, groundLineY}, {view->width, groundLineY}, colorGrey50);
    pushSegment(lines, {view->origin.x, 0}, {view->origin.x, view->height}, colorGrey50);
}

void polylineButtonRect(float rect[4], uint32_t button, float height)
{
    rect[0] = 5.0f;
    rect[1] = height - 55.0f - 35.0f * (float)button;
    rect[2] = 105.0f;
    rect[3] = height - 25.0f - 35.0f * (float)button;
}

// The dragged point and a grab's selection are places in the chosen polyline:
// it stays chosen until their edit ends, or another polyline's point would move.
static void choosePolyline(PoseEditorState* editor, const Window* window, const EditorView* view)
{
    if (poseEditUnderWay(editor)) return;
    if (wasReleased(window, KeyMouseLeft))
    {
        for (uint32_t i = 0; i < polylineCount; ++i)
        {
            float rect[4];
            polylineButtonRect(rect, i, view->height);
            if (!strictlyInside(view->mouse, rect[0], rect[1], rect[2], rect[3])) continue;
            if (i != editor->selectedPolyline) editor->clipboardValid = 0;
            editor->selectedPolyline = i;
            editor->selectionCount = 0;
        }
    }
    if (wasPressed(window, KeyUp))
    {
        editor->selectedPolyline = editor->selectedPolyline == 0 ? polylineCount - 1 : editor->selectedPolyline - 1;
        editor->selectionCount = 0;
    }
    if (wasPressed(window, KeyDown))
    {
        editor->selectedPolyline = editor->selectedPolyline + 1 == polylineCount ? 0 : editor->selectedPolyline + 1;
        editor->selectionCount = 0;
    }
}

static void drawButtons(const PoseEditorState* editor, const EditorView* view, RenderBatch* rects)
{
    float buttons[polylineCount * 4];
    for (uint32_t i = 0; i < polylineCount; ++i) polylineButtonRect(buttons + 4 * i, i, view->height);
    uint32_t selected = (uint32_t)editor->selectedPolyline;
    pushDraw(rects, buttons, selected, colorYellow);
    pushDraw(rects, buttons + 4 * selected, 1, colorRed);
    pushDraw(rects, buttons + 4 * (selected + 1), polylineCount - 1 - selected, colorYellow);
}

static void copyAndPaste(PoseEditorState* editor, const Window* window, Vec2* w, uint32_t n)
{
    bool control = controlChord(window);
    if (control && wasPressed(window, keyLetter('C')))
    {
        for (uint32_t i = 0; i < n; ++i) editor->clipboard[i] = w[i];
        editor->clipboardValid = 1;
    }
    if (editor->clipboardValid && control && wasPressed(window, keyLetter('V')))
    {
        for (uint32_t i = 0; i < n; ++i) w[i] = editor->clipboard[i];
    }
}

static void toggleHandles(PoseEditorState* editor, const Window* window)
{
    if (wasReleased(window, keyDigit(1))) editor->hideHandles = !editor->hideHandles;
    if (wasReleased(window, keyDigit(2))) editor->handlesOnSelectedOnly = !editor->handlesOnSelectedOnly;
}

static void pickPoint(PoseEditorState* editor, const Window* window, const EditorView* view, const Vec2* w,
                      uint32_t n)
{
    for (uint32_t i = 0; i < n; ++i)
    {
        if (editor->draggedPoint != -1 || !wasPressed(window, KeyMouseLeft)) break;
        Vec2 shown = shownPosition(w[i], editor, view);
        float dx = view->mouse.x - shown.x;
        float dy = view->mouse.y - shown.y;
        if (dx * dx + dy * dy < pickRadius * pickRadius)
        {
            editor->draggedPoint = i;
            editor->selectionCount = 0;
        }
    }
    if (editor->draggedPoint != -1 && wasReleased(window, KeyMouseLeft)) editor->draggedPoint = -1;
}

// A drag begun with Shift turns the point about its joint; with Control+Shift
// a hand or an ankle reaches for the mouse.
static void chooseJointDrag(PoseEditorState* editor, const Window* window, const EditorView* view, const Pose* pose,
                            int64_t draggedBefore)
{
    if (editor->draggedPoint == -1) editor->jointDrag.kind = JointDragNone;
    if (editor->draggedPoint == -1 || draggedBefore != -1) return;
    editor->jointDrag.kind = JointDragNone;
    if (editor->jointDragsWait || !isDown(window, KeyShift)) return;
    uint32_t point = polylineFirst[editor->selectedPolyline] + (uint32_t)editor->draggedPoint;
    editor->jointDrag = startJointDrag(pose, point, controlChord(window), mouseInPose(editor, view));
}

static void drawCrosshair(const EditorView* view, RenderBatch* lines)
{
    Vec2 m = view->mouse;
    pushSegment(lines, {0, m.y}, {view->width, m.y}, colorGrey75);
    pushSegment(lines, {m.x, 0}, {m.x, view->height}, colorGrey75);
}

static bool isSelected(const PoseEditorState* editor, uint64_t index)
{
    for (uint64_t k = 0; k < editor->selectionCount; ++k)
        if (editor->selection[k] == index) return true;
    return false;
}

static void finishBox(PoseEditorState* editor, const EditorView* view, const Vec2* w, uint32_t n)
{
    Vec2 a = editor->boxAnchor;
    Vec2 m = view->mouse;
    Vec2 lo = {a.x < m.x ? a.x : m.x, a.y < m.y ? a.y : m.y};
    Vec2 hi = {a.x > m.x ? a.x : m.x, a.y > m.y ? a.y : m.y};
    editor->boxAnchor = lo;
    for (uint32_t i = 0; i < n; ++i)
    {
        Vec2 p = shownPosition(w[i], editor, view);
        if (!strictlyInside(p, lo.x, lo.y, hi.x, hi.y) || isSelected(editor, i)) continue;
        editor->selection[editor->selectionCount++] = i;
    }
}

static void selectPoints(PoseEditorState* editor, const Window* window, const EditorView* view,
                         RenderBatch* lines, const Vec2* w, uint32_t n)
{
    if (wasPressed(window, keyLetter('B'))) editor->boxSelectMode = !editor->boxSelectMode;
    if (!editor->boxSelectMode)
    {
        if (!wasPressed(window, keyLetter('A'))) return;
        if (editor->selectionCount != 0)
        {
            editor->selectionCount = 0;
            return;
        }
        for (uint32_t i = 0; i < n; ++i) editor->selection[i] = i;
        editor->selectionCount = n;
        return;
    }

    if (wasPressed(window, KeyMouseRight))
    {
        editor->boxSelectMode = 0;
        editor->boxDragging = 0;
        drawCrosshair(view, lines);
    }
    else if (!editor->boxDragging)
        drawCrosshair(view, lines);

    if (wasPressed(window, KeyMouseLeft))
    {
        editor->boxDragging = 1;
        editor->boxAnchor = view->mouse;
    }
    if (isDown(window, KeyMouseLeft))
    {
        Vec2 a = editor->boxAnchor;
        Vec2 m = view->mouse;
        float outline[10] = {a.x, a.y, m.x, a.y, m.x, m.y, a.x, m.y, a.x, a.y};
        pushDraw(lines, outline, 5, colorGrey75);
    }
    if (wasReleased(window, KeyMouseLeft))
    {
        editor->boxSelectMode = 0;
        editor->boxDragging = 0;
        finishBox(editor, view, w, n);
    }
}

bool poseEditUnderWay(const PoseEditorState* editor)
{
    return editor->draggedPoint != -1 || editor->grabbing || (editor->boxSelectMode && editor->boxDragging);
}

static void restoreGrab(PoseEditorState* editor, Vec2* w)
{
    for (uint64_t k = 0; k < editor->selectionCount; ++k) w[editor->selection[k]] = editor->grabBackup[k];
    editor->grabbing = 0;
}

void putGrabBack(PoseEditorState* editor, Pose* pose)
{
    if (editor->grabbing) restoreGrab(editor, pose->points + polylineFirst[editor->selectedPolyline]);
}

void endPoseEdit(PoseEditorState* editor, Pose* pose)
{
    putGrabBack(editor, pose);
    editor->draggedPoint = -1;
    editor->jointDrag.kind = JointDragNone;
    editor->boxSelectMode = 0;
    editor->boxDragging = 0;
    editor->previousMouseSet = 0;
}

static void movePoints(PoseEditorState* editor, const Window* window, const EditorView* view, Vec2* w, Pose* pose)
{
    float r = 1.0f / editor->zoom;
    if (editor->selectionCount == 0)
    {
        editor->grabbing = 0;
        if (editor->draggedPoint == -1) return;
        Vec2 target = mouseInPose(editor, view);
        if (!followJointDrag(&editor->jointDrag, pose, target)) w[editor->draggedPoint] = target;
        return;
    }

    if (wasPressed(window, keyLetter('G')))
    {
        editor->grabbing = 1;
        for (uint64_t k = 0; k < editor->selectionCount; ++k) editor->grabBackup[k] = w[editor->selection[k]];
    }
    if (editor->grabbing && wasPressed(window, KeyMouseRight)) restoreGrab(editor, w);
    if (wasPressed(window, KeyMouseLeft))
    {
        editor->grabbing = 0;
        return;
    }
    if (!editor->grabbing) return;
    float dx = (view->mouse.x - editor->previousMouse.x) * r;
    float dy = (view->mouse.y - editor->previousMouse.y) * r;
    for (uint64_t k = 0; k < editor->selectionCount; ++k)
    {
        w[editor->selection[k]].x += dx;
        w[editor->selection[k]].y += dy;
    }
}

// A zero or negative zoom would make the window-to-pose conversion divide by
// zero, and a minimised window (height 0) would make the step itself do so.
static void zoomView(PoseEditorState* editor, const Window* window, const EditorView* view)
{
    if (!isDown(window, KeyAlt)) return;
    if (isDown(window, KeyMouseLeft) && view->height > 0.0f)
        editor->zoom += (view->mouse.y - editor->previousMouse.y) / view->height * -10.0f;
    if (!(editor->zoom > 0.0f)) editor->zoom = smallestZoom;
}

static void drawPoseAndHandles(const PoseEditorState* editor, const EditorView* view, RenderBatch* lines,
                               RenderBatch* points, const Pose* pose)
{
    Vec2 buffer[longestPolyline + 1];
    for (uint32_t line = 0; line < polylineCount; ++line)
    {
        uint32_t count = polylineCounts[line];
        transformPoints(buffer, pose->points + polylineFirst[line], count, view->origin, editor->zoom, 1.0f);
        if (line == 0) buffer[count++] = buffer[0];
        pushDraw(lines, &buffer[0].x, count, colorWhite);
        bool showHandles = !editor->hideHandles && (!editor->handlesOnSelectedOnly || line == editor->selectedPolyline);
        if (showHandles) pushDraw(points, &buffer[0].x, count, handleSize, colorYellow);
    }
}

static void drawSelection(const PoseEditorState* editor, const EditorView* view, RenderBatch* points,
                          const Vec2* w)
{
    if (editor->selectionCount == 0) return;
    Vec2 buffer[longestPolyline];
    for (uint64_t k = 0; k < editor->selectionCount; ++k) buffer[k] = w[editor->selection[k]];
    transformPoints(buffer, buffer, editor->selectionCount, view->origin, editor->zoom, 1.0f);
    pushDraw(points, &buffer[0].x, (uint32_t)editor->selectionCount, handleSize, colorRed);
}

void updatePoseEditor(PoseEditorState* editor, const Window* window, RenderBatch* lines, RenderBatch* points,
                      RenderBatch* rects, Pose* pose, const OnionSkin* onionSkin)
{
    EditorView view;
    view.mouse = {(float)window->mouseX, (float)window->mouseY};
    view.width = (float)window->clientWidth;
    view.height = (float)window->clientHeight;
    view.origin = {view.width * 0.5f, groundLineY};

    drawGuides(editor, window, &view, lines);
    choosePolyline(editor, window, &view);
    drawButtons(editor, &view, rects);

    uint32_t n = polylineCounts[editor->selectedPolyline];
    Vec2* w = pose->points + polylineFirst[editor->selectedPolyline];
    copyAndPaste(editor, window, w, n);
    toggleHandles(editor, window);
    int64_t draggedBefore = editor->draggedPoint;
    pickPoint(editor, window, &view, w, n);
    chooseJointDrag(editor, window, &view, pose, draggedBefore);
    selectPoints(editor, window, &view, lines, w, n);

    if (!editor->previousMouseSet)
    {
        editor->previousMouse = view.mouse;
        editor->previousMouseSet = 1;
    }
    movePoints(editor, window, &view, w, pose);
    zoomView(editor, window, &view);

    if (onionSkin) drawOnionSkin(lines, onionSkin, view.origin, editor->zoom);
    drawPoseAndHandles(editor, &view, lines, points, pose);
    drawSelection(editor, &view, points, w);
    editor->previousMouse = view.mouse;
}
