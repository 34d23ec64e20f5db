// Cost of one whole frame of the program on the CPU: input, game or editor
// update, batching and submission, against a GL table that does nothing.
// The window layer is a stand-in that delivers no input.
#include <benchmark/benchmark.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>
#include <string>
#include "app/app.h"
#include "platform/gl_functions.h"

uint8_t virtualKeyFromKey[256];
uint8_t keyFromVirtualKey[256];

void initKeyTables() {}
void pollInput(Window* window) { window->typedCount = 0; }
void refreshKeys(Window*) {}
void swapWindowBuffers(Window*) {}
uint32_t displayRefreshRate(const Window*) { return 60; }
bool windowMinimised(const Window*) { return false; }
void waitForWindowMessages(Window*, uint32_t) {}
const char* systemFontPath() { return ""; }

void createWindow(Window* window, const char*, uint32_t width, uint32_t height, int32_t, int32_t)
{
    window->screenWidth = 1920;
    window->screenHeight = 1080;
    window->clientWidth = (int32_t)width;
    window->clientHeight = (int32_t)height;
    window->resized = 1;
    window->focused = 1;
    window->running = 1;
}

namespace {

// Every GL entry returns zero and does nothing, except that object names
// are handed out, so the batches create their buffers once as on a driver.
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

// A standing stick figure: hip loop, arm, two legs (pose units = pixels).
Pose standingPose()
{
    static const float points[28][2] = {
        {0, 120},   {-8, 130},  {-6, 150},  {6, 150},   {8, 130},  {0, 120},                           // head
        {0, 120},   {0, 100},   {0, 80},    {0, 60},                                                     // spine
        {-30, 80},  {-25, 90},  {-20, 100}, {-10, 110}, {0, 112},  {10, 110}, {20, 100}, {25, 90}, {30, 80}, // arms
        {-15, 0},   {-13, 15},  {-10, 30},  {-5, 45},   {0, 60},   {5, 45},  {10, 30},  {13, 15}, {15, 0},   // legs
    };
    Pose pose;
    for (int i = 0; i < 28; ++i) pose.points[i] = Vec2{points[i][0], points[i][1]};
    return pose;
}

Pose shiftedPose(float dx, float dy)
{
    Pose pose = standingPose();
    for (Vec2& point : pose.points)
    {
        point.x += dx;
        point.y += dy;
    }
    return pose;
}

void writeFile(const std::string& path, const void* bytes, size_t size)
{
    FILE* file = fopen(path.c_str(), "wb");
    if (!file) return;
    fwrite(bytes, 1, size, file);
    fclose(file);
}

void writeAnimation(const std::string& path, uint32_t frames)
{
    std::string bytes(4 + frames * sizeof(Pose), '\0');
    memcpy(&bytes[0], &frames, 4);
    for (uint32_t i = 0; i < frames; ++i)
    {
        Pose pose = shiftedPose((float)i, (float)(i % 3));
        memcpy(&bytes[4 + i * sizeof(Pose)], &pose, sizeof pose);
    }
    writeFile(path, bytes.data(), bytes.size());
}

// The stand-in window layer offers no system font; without a font every
// text would cost nothing, so the benchmark draws with DejaVu Sans instead.
void useHostFont(App* app)
{
    app->fontArena.used = 0;
    uint32_t built = buildFontAtlas(&app->fontArena, "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", 24);
    app->font = fontAtlasFromArena(app->fontArena, built);
    app->textBatch.font = &app->font;
}

// Starts the program once, from a folder holding made-up data files.
App* startedApp()
{
    static App* app = nullptr;
    if (app) return app;
    char folder[] = "/tmp/marionette-bench-XXXXXX";
    if (!mkdtemp(folder)) return nullptr;
    std::string dir = folder;
    Pose base = standingPose();
    writeFile(dir + "/character.bin", &base, sizeof base);
    writeAnimation(dir + "/idle.anim", 4);
    writeAnimation(dir + "/walk_cycle.anim", 8);
    writeAnimation(dir + "/jump.anim", 6);

    char previous[4096];
    if (!getcwd(previous, sizeof previous) || chdir(folder) != 0) return nullptr;
    installNoOpGL();
    // Settings of its own, never the person's.
    setenv("XDG_CONFIG_HOME", folder, 1);
    app = (App*)calloc(1, sizeof(App));
    bool started = startApp(app);
    if (chdir(previous) != 0) started = false;
    rmdir((dir + "/marionette-room").c_str());
    for (const char* name : {"character.bin", "idle.anim", "walk_cycle.anim", "jump.anim"})
        unlink((dir + "/" + name).c_str());
    rmdir(folder);
    if (!started || !app->window.running) return app = nullptr;
    // No counter: a steady 1/60 s step and no rest between frames, which
    // would otherwise be most of what is measured.
    app->counterFrequency = 0;
    useHostFont(app);
    if (!app->font.header) app = nullptr;
    return app;
}

bool anyBatchOverflowed(const App* app)
{
    return app->lineBatch.overflowed || app->pointBatch.overflowed || app->rectBatch.overflowed ||
           app->textBatch.overflowed || app->commandList.overflowed;
}

// The edited animation becomes 32 frames (the strip's most), each a little different.
void fillEditedAnimation(App* app, uint32_t frames)
{
    app->animationArena.used = 0;
    Pose* poses = (Pose*)pushBytes(&app->animationArena, frames * sizeof(Pose));
    for (uint32_t i = 0; i < frames; ++i) poses[i] = shiftedPose((float)i * 2.0f, 0.0f);
    app->editedAnimation.poses = poses;
    app->editedAnimation.frameCount = frames;
    app->frameStrip.selectedFrame = frames / 2;
}

void BM_GameFrame(benchmark::State& state)
{
    App* app = startedApp();
    if (!app)
    {
        state.SkipWithError("the program did not start");
        return;
    }
    app->editorMode = 0;
    memset(app->window.keys, 0, sizeof app->window.keys);
    for (auto _ : state)
    {
        app->window.redraw = 1; // drawn whatever it holds, as after an expose: the whole frame's cost
        runFrame(app);
        benchmark::DoNotOptimize(app->commandList.commands.used);
    }
    state.counters["lineDraws"] = (double)app->lineBatch.drawCount;
    if (anyBatchOverflowed(app)) state.SkipWithError("a batch refused a draw");
}
BENCHMARK(BM_GameFrame)->Unit(benchmark::kMicrosecond);

// Editor frames with a 32-frame animation, handles on every polyline and the
// longest polyline selected whole, so its red squares are drawn too. The
// overlays are switched on as asked; the status line names a loaded file.
void runEditorFrames(benchmark::State& state, bool onionSkin, bool preview, bool help)
{
    App* app = startedApp();
    if (!app)
    {
        state.SkipWithError("the program did not start");
        return;
    }
    fillEditedAnimation(app, 32);
    app->editorMode = 1;
    app->poseEditor.handlesOnSelectedOnly = 0;
    app->poseEditor.hideHandles = 0;
    app->poseEditor.selectedPolyline = 3;
    for (uint64_t i = 0; i < 9; ++i) app->poseEditor.selection[i] = i;
    app->poseEditor.selectionCount = 9;
    app->showOnionSkin = onionSkin;
    app->preview.shown = preview;
    app->help.open = help;
    static const char name[] = "walk_cycle.anim";
    memcpy(app->prompt.lastName, name, sizeof name - 1);
    app->prompt.lastNameLength = sizeof name - 1;
    app->window.mouseX = 1000;
    app->window.mouseY = 600;
    memset(app->window.keys, 0, sizeof app->window.keys);
    for (auto _ : state)
    {
        app->window.redraw = 1; // drawn whatever it holds, as after an expose: the whole frame's cost
        runFrame(app);
        benchmark::DoNotOptimize(app->commandList.commands.used);
    }
    state.counters["lineDraws"] = (double)app->lineBatch.drawCount;
    state.counters["textBytes"] = (double)app->textBatch.vertexData.used;
    if (anyBatchOverflowed(app)) state.SkipWithError("a batch refused a draw");
    app->editorMode = 0;
    app->showOnionSkin = 0;
    app->preview.shown = 0;
    app->help.open = 0;
}

void BM_EditorFrameAllOverlays(benchmark::State& state) { runEditorFrames(state, true, true, false); }
BENCHMARK(BM_EditorFrameAllOverlays)->Unit(benchmark::kMicrosecond);

void BM_EditorFrameAllOverlaysAndHelp(benchmark::State& state) { runEditorFrames(state, true, true, true); }
BENCHMARK(BM_EditorFrameAllOverlaysAndHelp)->Unit(benchmark::kMicrosecond);

void BM_EditorFrame32Frames(benchmark::State& state) { runEditorFrames(state, false, false, false); }
BENCHMARK(BM_EditorFrame32Frames)->Unit(benchmark::kMicrosecond);

} // namespace
