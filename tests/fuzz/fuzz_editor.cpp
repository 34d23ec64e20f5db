// The editor played through the program's frame function (the host tests'
// fake platform and recording GL) with the bytes as a person's input: keys
// with Shift, Control and Alt, clicks, plain, Shift- and Control+Shift-drags
// (some ending exactly on the joint, some carried into game mode by Tab), and
// points set to what a file may hold.
// After every frame: the poses fill their arena from its base, selections lie
// in their polyline, finite poses stay finite, a drag by joints keeps every
// bone's length and no GL upload or draw leaves its buffer. At the end, with
// every key and button let go, no edit is under way in game mode, and undoing
// every step and redoing them gives back the same bytes.
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include "app/app.h"
#include "tests/host/fake_platform.h"
#include "tests/host/recording_gl.h"

namespace {

const uint32_t keys[] = {KeyLeft, KeyRight, KeyUp, KeyDown, keyDigit(1), keyDigit(2), keyDigit(3), keyDigit(4),
                         keyLetter('A'), keyLetter('B'), keyLetter('G'), keyLetter('X'), keyLetter('M'),
                         keyLetter('I'), keyLetter('Z'), keyLetter('Y'), keyLetter('C'), keyLetter('V'), KeySpace,
                         KeyF1, KeyEscape, KeyMouseRight, KeyTab};
const float oddValues[7] = {NAN, INFINITY, -INFINITY, 1e6f, -1e6f, 3e38f, 0};
bool down[256]; // the keys down in the next frame
bool oddPlaced; // a non-finite point was set, which undo or paste may bring back
App* app;
Pose startFrames[8];
uint32_t startCount;
uint64_t historyMark;

struct Input
{
    const uint8_t* data;
    size_t size;
    uint8_t take() { return size ? (--size, *data++) : 0; }
};

void check(bool holds, const char* what)
{
    if (!holds) fprintf(stderr, "broken: %s\n", what), abort();
}

bool finite(Vec2 p) { return isfinite(p.x) && isfinite(p.y); }
double bone(const Pose& pose, uint32_t i)
{
    Vec2 p = pose.points[i], parent = pose.points[skeletonParent[i]];
    return hypot((double)p.x - parent.x, (double)p.y - parent.y);
}

bool allFinite()
{
    for (uint32_t i = 0; i < app->editedAnimation.frameCount * 28; ++i)
        if (!finite(app->editedAnimation.poses[i / 28].points[i % 28])) return false;
    return true;
}

// Coordinates within 1024 of the origin, where float rounding stays below 1e-4.
bool reasonable(const Pose& pose)
{
    for (Vec2 p : pose.points)
        if (!(fabsf(p.x) <= 1024 && fabsf(p.y) <= 1024)) return false;
    return true;
}

void checkJointDrag()
{
    const JointDrag& drag = app->poseEditor.jointDrag;
    const Pose& pose = app->editedAnimation.poses[app->frameStrip.selectedFrame];
    // A point the input set meanwhile is not the drag's doing; the drag ends at its next motion.
    if (drag.kind == JointDragNone || memcmp(&pose, &drag.written, sizeof pose) != 0) return;
    for (uint32_t i = 0; i < 28; ++i)
        check(!finite(drag.start.points[i]) || finite(pose.points[i]), "a joint drag keeps finite points finite");
    for (uint32_t i = 0; i < 28 && reasonable(drag.start) && reasonable(pose); ++i)
        check(fabs(bone(pose, i) - bone(drag.start, i)) <= 1e-4 * bone(drag.start, i) + 4e-4,
              "a joint drag keeps every bone's length");
}

void frame()
{
    for (uint32_t key = 0; key < 256; ++key)
    {
        bool before = fakePlatform.keys[key] & 1;
        fakePlatform.keys[key] = down[key] ? (before ? Held : Pressed) : (before ? Released : Up);
    }
    clearRecordedCalls();
    runFrame(app);
    const Animation& animation = app->editedAnimation;
    check((uint8_t*)animation.poses == app->animationArena.base, "the poses sit at the base of their arena");
    check(app->animationArena.used == animation.frameCount * sizeof(Pose), "the arena holds exactly the frames");
    check(animation.frameCount >= 1 && app->frameStrip.selectedFrame < animation.frameCount, "a frame is selected");
    const PoseEditorState& editor = app->poseEditor;
    uint64_t n = polylineCounts[editor.selectedPolyline];
    check(editor.selectionCount <= n && editor.draggedPoint < (int64_t)n, "the selection fits its polyline");
    for (uint64_t k = 0; k < editor.selectionCount; ++k) check(editor.selection[k] < n, "selected points exist");
    check(oddPlaced || allFinite(), "finite frames stay finite");
    check(invalidOperations() == 0, "GL uploads and draws stay inside their buffers");
    checkJointDrag();
}

void holdModifiers(uint8_t bits)
{
    down[KeyShift] = bits & 1, down[KeyControl] = bits & 2, down[KeyAlt] = bits & 4;
}

void releaseAll()
{
    memset(down, 0, sizeof down);
    frame();
}

// The mouse on point i of the selected frame, as shown, plus an offset.
void moveOnto(uint32_t i, int32_t dx, int32_t dy)
{
    Vec2 p = app->editedAnimation.poses[app->frameStrip.selectedFrame].points[i];
    float x = 640 + p.x * app->poseEditor.zoom, y = 50 + p.y * app->poseEditor.zoom;
    fakePlatform.mouseX = fabsf(x) < 1e6f ? (int32_t)lroundf(x) + dx : 0; // NaN too
    fakePlatform.mouseY = fabsf(y) < 1e6f ? (int32_t)lroundf(y) + dy : 0;
}

// A press near a point of the polyline, a few frames of motion, a release.
void dragPoint(Input* in)
{
    uint32_t line = (uint32_t)app->poseEditor.selectedPolyline;
    uint32_t point = polylineFirst[line] + in->take() % polylineCounts[line];
    uint8_t how = in->take();
    static const uint8_t modifiers[4] = {0, 1, 3, 7}; // plain, Shift, Control+Shift, and with Alt
    holdModifiers(modifiers[how % 4]);
    moveOnto(point, in->take() % 5 - 2, in->take() % 5 - 2);
    down[KeyMouseLeft] = true;
    frame();
    int32_t steps = 1 + in->take() % 4, x = in->take() * 5, y = in->take() * 3;
    for (int32_t s = steps; s > 0; --s)
    {
        fakePlatform.mouseX += (x - fakePlatform.mouseX) / s;
        fakePlatform.mouseY += (y - fakePlatform.mouseY) / s;
        if (how & 8 && s == 1) moveOnto(skeletonParent[point], 0, 0);
        down[KeyTab] = how & 16 && s == 1; // let go with the button
        frame();
    }
    releaseAll();
}

void play(Input* in)
{
    for (int op = 0; op < 48 && in->size; ++op)
    {
        uint8_t what = in->take(), a = in->take(), b = in->take();
        switch (what % 5)
        {
        case 0: // a key with modifiers, for a frame
            holdModifiers(a);
            down[keys[b % (sizeof keys / sizeof *keys)]] = true;
            frame();
            releaseAll();
            break;
        case 1: // a click on a frame box or the add box (with Control: delete), or anywhere
            holdModifiers(a & 2);
            fakePlatform.mouseX = b & 1 ? 117 + 20 * (b >> 3) : b * 5;
            fakePlatform.mouseY = b & 1 ? 705 : a * 3;
            down[KeyMouseLeft] = true;
            frame();
            releaseAll();
            break;
        case 2: dragPoint(in); break;
        case 3: // a point set as a loaded file may hold it
        {
            Vec2& p = app->editedAnimation.poses[a % app->editedAnimation.frameCount].points[b % 28];
            uint8_t c = in->take();
            (c & 8 ? p.x : p.y) = c % 8 < 7 ? oddValues[c % 8] : (float)(int8_t)in->take() * 1.25f;
            oddPlaced |= c % 8 < 3;
            break;
        }
        case 4: // the mouse moved, maybe with the button held (Alt: zoom) or a grab under way
            holdModifiers(a);
            down[KeyMouseLeft] = a & 8;
            fakePlatform.mouseX += b % 41 - 20;
            fakePlatform.mouseY += in->take() % 41 - 20;
            frame();
            break;
        }
    }
}

void start()
{
    FILE* file = fopen(MARIONETTE_SOURCE_DIR "/assets/walk_cycle.anim", "rb");
    if (!file || fread(&startCount, 4, 1, file) != 1 || startCount - 1 >= 8 ||
        fread(startFrames, sizeof(Pose), startCount, file) != startCount)
        abort();
    fclose(file);
    installRecordingGL();
    app = (App*)calloc(1, sizeof(App));
    if (!startApp(app) || !app->window.running || !app->history.slots) abort();
    historyMark = (uint64_t)((uint8_t*)app->history.slots - app->mainArena.base);
}

// The editor as at start, on the first frames of the walk cycle, with a fresh history.
void restart(uint32_t frames)
{
    memcpy(app->animationArena.base, startFrames, frames * sizeof(Pose));
    app->animationArena.used = frames * sizeof(Pose);
    app->editedAnimation = {frames, (Pose*)app->animationArena.base};
    app->frameStrip = {};
    app->poseEditor = initialPoseEditorState();
    app->editorMode = 1, app->showOnionSkin = 0, app->preview = {}, app->help = {}, app->counterFrequency = 0;
    initCharacter(&app->character, app->idleAnimation);
    resetFakePlatform();
    memset(down, 0, sizeof down);
    app->mainArena.used = historyMark;
    startEditHistory(&app->history, &app->mainArena, editHistorySlots, &app->editedAnimation, 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!app) start();
    Input in = {data, size};
    uint32_t frames = 1 + in.take() % startCount;
    restart(frames);
    oddPlaced = false;
    play(&in);
    releaseAll();
    check(app->editorMode || !poseEditUnderWay(&app->poseEditor), "no edit is under way in game mode");
    if (poseEditUnderWay(&app->poseEditor)) down[KeyMouseLeft] = true, frame(), releaseAll(); // a grab kept
    check(!poseEditUnderWay(&app->poseEditor), "every edit has ended");

    static Pose end[maxEditedFrames];
    Animation* animation = &app->editedAnimation;
    uint32_t endCount = animation->frameCount, steps = 0;
    memcpy(end, animation->poses, endCount * sizeof(Pose));
    EditTarget target = {animation, &app->animationArena, &app->frameStrip, &app->poseEditor};
    while (undoEdit(&app->history, target)) ++steps;
    check(app->history.oldest > 0 || (animation->frameCount == frames &&
          memcmp(animation->poses, startFrames, frames * sizeof(Pose)) == 0), "undoing every step gives the start");
    for (uint32_t s = 0; s < steps; ++s) redoEdit(&app->history, target);
    check(animation->frameCount == endCount && memcmp(animation->poses, end, endCount * sizeof(Pose)) == 0,
          "undo all, then redo all, gives the same bytes");
    return 0;
}
