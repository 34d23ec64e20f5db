// The editor driven through the program's own frame function with the bytes
// as a person's input: keys with Shift, Control and Alt, clicks, plain drags,
// Shift-drags and Control+Shift-drags (some ending exactly on the joint), X,
// M, Shift+arrows, Control+I, Control+Z/Y, and points set to anything a file
// may hold. After every frame: the poses fill their arena from its base, every
// selection lies in its polyline, finite poses stay finite, and a drag by
// joints keeps every bone's length. At the end, undoing every step and redoing
// them gives back the same bytes.
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include "app/app.h"
#include "character/skeleton.h"
#include "platform/gl_functions.h"

uint8_t virtualKeyFromKey[256];
uint8_t keyFromVirtualKey[256];

namespace {

bool downNext[256]; // the keys down in the next frame
int32_t mouseNext[2];
uint8_t keysNext[256];

} // namespace

void initKeyTables() {}
void refreshKeys(Window*) {}
void swapWindowBuffers(Window*) {}

void pollInput(Window* window)
{
    memcpy(window->keys, keysNext, sizeof keysNext);
    window->mouseX = mouseNext[0];
    window->mouseY = mouseNext[1];
    window->typedCount = 0;
}

void createWindow(Window* window, const char*, uint32_t width, uint32_t height, int32_t, int32_t)
{
    window->clientWidth = (int32_t)width;
    window->clientHeight = (int32_t)height;
    window->resized = 1;
    window->focused = 1;
    window->running = 1;
}

namespace {

// Every GL entry does nothing and returns zero, but for object names and successful compiles.
template <typename F> struct NoOp;
template <typename R, typename... A> struct NoOp<R(APIENTRY*)(A...)>
{
    static R APIENTRY call(A...) { return R(); }
};
void APIENTRY generateNames(GLsizei count, GLuint* names)
{
    for (GLsizei i = 0; i < count; ++i) names[i] = (GLuint)(i + 1);
}
GLuint APIENTRY createObject() { return 1; }
GLuint APIENTRY createShader(GLenum) { return 1; }
void APIENTRY reportSuccess(GLuint, GLenum, GLint* value) { *value = 1; }

void installNoOpGL()
{
#define INSTALL_NO_OP(type, name) gl.name = &NoOp<type>::call;
    GL_LIBRARY_FUNCTIONS(INSTALL_NO_OP)
    GL_CONTEXT_FUNCTIONS(INSTALL_NO_OP)
#undef INSTALL_NO_OP
    gl.glGenBuffers = generateNames;
    gl.glGenTextures = generateNames;
    gl.glGenVertexArrays = generateNames;
    gl.glCreateProgram = createObject;
    gl.glCreateShader = createShader;
    gl.glGetShaderiv = reportSuccess;
    gl.glGetProgramiv = reportSuccess;
}

struct Input
{
    const uint8_t* data;
    size_t size;
    uint8_t take() { return size ? (--size, *data++) : 0; }
};

const uint32_t editorKeys[] = {KeyLeft, KeyRight, KeyUp, KeyDown, keyDigit(1), keyDigit(2), keyDigit(3),
                               keyDigit(4), keyLetter('A'), keyLetter('B'), keyLetter('G'), keyLetter('X'),
                               keyLetter('M'), keyLetter('I'), keyLetter('Z'), keyLetter('Y'), keyLetter('C'),
                               keyLetter('V'), KeySpace, KeyF1, KeyEscape, KeyMouseRight, KeyTab};
const uint32_t modifierKeys[3] = {KeyShift, KeyControl, KeyAlt};
const float specialValues[8] = {NAN, INFINITY, -INFINITY, 1e6f, -1e6f, 3e38f, 0.0f, 0.5f};

Pose startFrames[8];
uint32_t startFrameCount;
uint64_t historyMark;

bool finitePose(const Pose* pose)
{
    for (const Vec2& p : pose->points)
        if (!isfinite(p.x) || !isfinite(p.y)) return false;
    return true;
}

bool allFinite(const Animation* animation)
{
    for (uint32_t f = 0; f < animation->frameCount; ++f)
        if (!finitePose(animation->poses + f)) return false;
    return true;
}

void check(bool holds, const char* what)
{
    if (holds) return;
    fprintf(stderr, "broken: %s\n", what);
    abort();
}

// Within reach of float rounding: coordinates at most 1024 from the origin.
bool reasonable(const Pose* pose)
{
    for (const Vec2& p : pose->points)
        if (!(fabsf(p.x) <= 1024 && fabsf(p.y) <= 1024)) return false;
    return true;
}

void checkJointDrag(const App* app)
{
    const JointDrag& drag = app->poseEditor.jointDrag;
    if (drag.kind == JointDragNone) return;
    const Pose* pose = app->editedAnimation.poses + app->frameStrip.selectedFrame;
    check(memcmp(pose, &drag.written, sizeof(Pose)) == 0, "a drag by joints placed the pose it drags");
    for (uint32_t i = 0; i < 28; ++i)
    {
        Vec2 was = drag.start.points[i], now = pose->points[i];
        check(!(isfinite(was.x) && isfinite(was.y)) || (isfinite(now.x) && isfinite(now.y)),
              "a drag by joints keeps finite points finite");
    }
    if (!reasonable(&drag.start) || !reasonable(pose)) return;
    for (uint32_t i = 0; i < 28; ++i)
    {
        uint32_t parent = skeletonParent[i];
        double before = hypot((double)drag.start.points[i].x - drag.start.points[parent].x,
                              (double)drag.start.points[i].y - drag.start.points[parent].y);
        double after = hypot((double)pose->points[i].x - pose->points[parent].x,
                             (double)pose->points[i].y - pose->points[parent].y);
        // 1e-4 of the length, and the rounding of coordinates up to 1024 to float.
        check(fabs(after - before) <= 1e-4 * before + 4e-4, "a drag by joints keeps every bone's length");
    }
}

void checkFrame(const App* app, bool wasFinite)
{
    const Animation& animation = app->editedAnimation;
    check((uint8_t*)animation.poses == app->animationArena.base, "the poses sit at the base of their arena");
    check(app->animationArena.used == animation.frameCount * sizeof(Pose), "the arena holds exactly the frames");
    check(animation.frameCount >= 1 && app->frameStrip.selectedFrame < animation.frameCount, "a frame is selected");
    const PoseEditorState& editor = app->poseEditor;
    check(editor.selectedPolyline < polylineCount, "a polyline is selected");
    uint64_t n = polylineCounts[editor.selectedPolyline];
    check(editor.selectionCount <= n && editor.draggedPoint < (int64_t)n, "the selection fits its polyline");
    for (uint64_t k = 0; k < editor.selectionCount; ++k) check(editor.selection[k] < n, "selected points exist");
    check(!wasFinite || allFinite(&animation), "finite frames stay finite");
    checkJointDrag(app);
}

void frame(App* app)
{
    for (uint32_t key = 0; key < 256; ++key)
    {
        bool before = keysNext[key] & 1;
        keysNext[key] = downNext[key] ? (before ? Held : Pressed) : (before ? Released : Up);
    }
    bool wasFinite = allFinite(&app->editedAnimation);
    runFrame(app);
    checkFrame(app, wasFinite);
}

void holdModifiers(uint8_t bits)
{
    for (uint32_t m = 0; m < 3; ++m) downNext[modifierKeys[m]] = (bits >> m) & 1;
}

void releaseAll(App* app)
{
    memset(downNext, 0, sizeof downNext);
    frame(app);
}

// Where the editor shows point i of the selected frame, to the nearest pixel.
void moveOnto(const App* app, uint32_t i, int32_t dx, int32_t dy)
{
    Vec2 p = app->editedAnimation.poses[app->frameStrip.selectedFrame].points[i];
    float x = 640.0f + p.x * app->poseEditor.zoom, y = 50.0f + p.y * app->poseEditor.zoom;
    mouseNext[0] = isfinite(x) && fabsf(x) < 1e6f ? (int32_t)lroundf(x) + dx : 0;
    mouseNext[1] = isfinite(y) && fabsf(y) < 1e6f ? (int32_t)lroundf(y) + dy : 0;
}

// Plain, Shift or Control+Shift (and now and then Alt) on a point of the
// selected polyline, a few frames of motion, then release; some end exactly on the joint.
void dragPoint(App* app, Input* in)
{
    uint32_t line = (uint32_t)app->poseEditor.selectedPolyline;
    uint32_t point = polylineFirst[line] + in->take() % polylineCounts[line];
    uint8_t how = in->take();
    static const uint8_t modifiers[4] = {0, 1, 3, 7};
    holdModifiers(modifiers[how % 4]);
    moveOnto(app, point, in->take() % 5 - 2, in->take() % 5 - 2);
    downNext[KeyMouseLeft] = true;
    frame(app);
    int32_t steps = 1 + in->take() % 4;
    int32_t target[2] = {in->take() * 5, in->take() * 3};
    for (int32_t s = 1; s <= steps; ++s)
    {
        if (how & 8 && s == steps) moveOnto(app, skeletonParent[point], 0, 0);
        else for (int k = 0; k < 2; ++k) mouseNext[k] += (target[k] - mouseNext[k]) / (steps - s + 1);
        frame(app);
    }
    releaseAll(app);
}

void setPoint(App* app, Input* in)
{
    Animation& animation = app->editedAnimation;
    Vec2& p = animation.poses[in->take() % animation.frameCount].points[in->take() % 28];
    uint8_t which = in->take();
    float value = specialValues[which % 8];
    if (which % 8 == 7)
    {
        uint8_t bytes[4] = {in->take(), in->take(), in->take(), in->take()};
        memcpy(&value, bytes, 4);
    }
    (which & 8 ? p.x : p.y) = value;
}

void runInput(App* app, Input* in)
{
    for (int op = 0; op < 48 && in->size; ++op)
    {
        switch (in->take() % 6)
        {
        case 0: // a key, with modifiers, pressed for a frame and let go
            holdModifiers(in->take());
            downNext[editorKeys[in->take() % (sizeof editorKeys / sizeof *editorKeys)]] = true;
            frame(app);
            releaseAll(app);
            break;
        case 1:
            mouseNext[0] = in->take() * 5;
            mouseNext[1] = in->take() * 3;
            frame(app);
            break;
        case 2: dragPoint(app, in); break;
        case 3: setPoint(app, in); break;
        case 4: // a click on a frame box (with Control: delete) or the add box, or anywhere
        {
            uint8_t where = in->take();
            holdModifiers(in->take() & 2);
            mouseNext[0] = where & 1 ? 117 + 20 * (where >> 3) : where * 5;
            mouseNext[1] = where & 1 ? 705 : in->take() * 3;
            downNext[KeyMouseLeft] = true;
            frame(app);
            releaseAll(app);
            break;
        }
        case 5: // the left button held while the mouse moves, with modifiers (Alt zooms)
            holdModifiers(in->take());
            downNext[KeyMouseLeft] = true;
            for (int s = in->take() % 4; s >= 0; --s)
            {
                mouseNext[0] += in->take() % 41 - 20;
                mouseNext[1] += in->take() % 41 - 20;
                frame(app);
            }
            releaseAll(app);
            break;
        }
    }
}

App* startedApp()
{
    static App* app = nullptr;
    if (app) return app;
    FILE* file = fopen(MARIONETTE_SOURCE_DIR "/assets/walk_cycle.anim", "rb");
    if (!file || fread(&startFrameCount, 4, 1, file) != 1 || startFrameCount < 1 || startFrameCount > 8 ||
        fread(startFrames, sizeof(Pose), startFrameCount, file) != startFrameCount)
        abort();
    fclose(file);
    installNoOpGL();
    app = (App*)calloc(1, sizeof(App));
    if (!startApp(app) || !app->window.running || !app->history.slots) abort();
    historyMark = (uint64_t)((uint8_t*)app->history.slots - app->mainArena.base);
    return app;
}

// The editor as at start, on some of the walk cycle's frames, with a fresh history.
void restart(App* app, uint32_t frames)
{
    memcpy(app->animationArena.base, startFrames, frames * sizeof(Pose));
    app->animationArena.used = frames * sizeof(Pose);
    app->editedAnimation = {frames, (Pose*)app->animationArena.base};
    app->frameStrip = FrameStripState{};
    app->poseEditor = initialPoseEditorState();
    app->editorMode = 1;
    app->showOnionSkin = 0;
    app->preview = LivePreviewState{};
    app->help = HelpPanelState{};
    app->counterFrequency = 0;
    initCharacter(&app->character, app->idleAnimation);
    memset(downNext, 0, sizeof downNext);
    memset(keysNext, 0, sizeof keysNext);
    mouseNext[0] = mouseNext[1] = 0;
    app->mainArena.used = historyMark;
    startEditHistory(&app->history, &app->mainArena, editHistorySlots, &app->editedAnimation, 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    App* app = startedApp();
    Input in = {data, size};
    uint32_t frames = 1 + in.take() % startFrameCount;
    restart(app, frames);
    runInput(app, &in);

    // Nothing under way (a grab is kept by a click), so the last state is a step.
    releaseAll(app);
    if (poseEditUnderWay(&app->poseEditor))
    {
        downNext[KeyMouseLeft] = true;
        frame(app);
        releaseAll(app);
    }
    check(!poseEditUnderWay(&app->poseEditor), "every edit has ended");

    static Pose end[maxEditedFrames];
    Animation* animation = &app->editedAnimation;
    uint32_t endCount = animation->frameCount;
    memcpy(end, animation->poses, endCount * sizeof(Pose));
    EditTarget target = {animation, &app->animationArena, &app->frameStrip, &app->poseEditor};
    uint32_t steps = 0;
    while (undoEdit(&app->history, target)) ++steps;
    if (app->history.oldest == 0)
        check(animation->frameCount == frames && memcmp(animation->poses, startFrames, frames * sizeof(Pose)) == 0,
              "undoing every step gives the start back");
    for (uint32_t s = 0; s < steps; ++s) check(redoEdit(&app->history, target), "every undone step redoes");
    check(animation->frameCount == endCount && memcmp(animation->poses, end, endCount * sizeof(Pose)) == 0,
          "undo all, then redo all, gives the same bytes");
    checkFrame(app, false);
    return 0;
}
