// Drives the file prompt, the frame strip, the pose editor and the edit
// history with arbitrary key, character and mouse sequences, frame by frame,
// in the frame loop's order, and checks the edited animation's invariants
// after every frame; at the end, undoing everything and redoing everything
// must give back the same bytes.
#include <math.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>
#include "app/arena.h"
#include "app/edit_history.h"
#include "app/file_prompt.h"
#include "character/frame_strip.h"
#include "character/pose.h"
#include "character/pose_editor.h"
#include "platform/window.h"
#include "render/render_batch.h"
#include "text/font_atlas.h"

namespace {

const uint32_t interestingKeys[] = {KeyMouseLeft, KeyMouseRight, KeyTab,    KeyControl, KeyAlt,
                                    KeyEscape,    KeyLeft,       KeyUp,     KeyRight,   KeyDown,
                                    keyDigit(1),  keyDigit(2),   keyDigit(3), keyLetter('A'), keyLetter('B'),
                                    keyLetter('C'), keyLetter('G'), keyLetter('V'), keyLetter('S'), keyLetter('O'),
                                    keyLetter('Z'), keyLetter('Y'), keyLetter('I'), KeyShift, keyLetter('E')};

struct Reader
{
    const uint8_t* data;
    size_t size;
    size_t at;
    uint8_t next() { return at < size ? data[at++] : 0; }
    bool done() const { return at >= size; }
};

struct World
{
    uint8_t memory[1 << 20];
    Pose poses[maxEditedFrames + 1];
    RenderBatch lines, points, rects, text;
    uint8_t historyMemory[(editHistorySlots + 1) * sizeof(EditSnapshot)];
};

World* world()
{
    static World* shared;
    if (!shared)
    {
        shared = (World*)calloc(1, sizeof(World));
        char folder[] = "/tmp/marionette-fuzz-XXXXXX";
        // Saves triggered by the fuzzer land in a folder of their own.
        if (!mkdtemp(folder) || chdir(folder) != 0) abort();
    }
    return shared;
}

void createBatches(World* w, float* projection)
{
    Arena arena = {sizeof w->memory, 0, w->memory};
    w->lines = createRenderBatch(&arena, lineBatchSize, 0, projection);
    w->points = createRenderBatch(&arena, pointBatchSize, 0, projection);
    w->rects = createRenderBatch(&arena, rectBatchSize, 0, projection);
    w->text = createRenderBatch(&arena, textBatchSize, 0, projection);
}

void readFrameInput(Reader* in, Window* window)
{
    for (uint32_t k = 0; k < KeyCount; ++k)
    {
        if (window->keys[k] == Pressed) window->keys[k] = Held;
        if (window->keys[k] == Released) window->keys[k] = Up;
    }
    uint32_t events = in->next() % 4;
    for (uint32_t e = 0; e < events; ++e)
    {
        uint8_t pick = in->next();
        window->keys[interestingKeys[pick % (sizeof interestingKeys / sizeof interestingKeys[0])]] =
            (uint8_t)(in->next() % 4);
    }
    window->mouseX = (int32_t)((in->next() | (in->next() << 8)) % 1400) - 60;
    window->mouseY = (int32_t)((in->next() | (in->next() << 8)) % 800) - 40;
    window->typedCount = in->next() % 4;
    for (uint32_t c = 0; c < window->typedCount; ++c)
    {
        uint8_t value = in->next();
        // Names stay plain letters so that a fuzzed save cannot leave its folder.
        const uint32_t controls[] = {8, 13, 9, 19, 15};
        window->typedChars[c] = value < 200 ? (uint32_t)('a' + value % 26) : controls[value % 5];
    }
}

void checkInvariants(const Animation& animation, const Arena& arena, const FrameStripState& strip,
                     const PoseEditorState& editor)
{
    if (animation.frameCount < 1 || animation.frameCount > maxEditedFrames) abort();
    if (strip.selectedFrame >= animation.frameCount) abort();
    if (arena.used != animation.frameCount * sizeof(Pose)) abort();
    if (!(editor.zoom > 0) || !isfinite(editor.zoom)) abort();
    if (editor.selectedPolyline > 3 || editor.selectionCount > 9) abort();
    for (uint32_t f = 0; f < animation.frameCount; ++f)
    {
        for (const Vec2& point : animation.poses[f].points)
        {
            if (!isfinite(point.x) || !isfinite(point.y)) abort();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    World* w = world();
    float projection[16] = {};
    createBatches(w, projection);
    FontAtlas noFont = fontAtlasFromArena(Arena{}, 0);
    w->text.font = &noFont;

    memset(w->poses, 0, sizeof w->poses);
    for (uint32_t p = 0; p < 28; ++p) w->poses[0].points[p] = Vec2{(float)p, (float)(p * 3)};
    Arena poseArena = {maxEditedFrames * sizeof(Pose), sizeof(Pose), (uint8_t*)w->poses};
    Animation animation = {1, w->poses};
    FrameStripState strip = {};
    PoseEditorState editor = initialPoseEditorState();
    FilePromptState prompt = {};
    Window window = {};
    window.clientWidth = 1280;
    window.clientHeight = 720;

    Arena historyArena = {sizeof w->historyMemory, 0, w->historyMemory};
    EditHistory history;
    startEditHistory(&history, &historyArena, editHistorySlots, &animation, 0);
    if (!history.slots) abort();
    EditTarget target = {&animation, &poseArena, &strip, &editor};
    bool editorMode = true;

    Reader in = {data, size, 0};
    for (int frame = 0; frame < 200 && !in.done(); ++frame)
    {
        resetBatch(&w->lines);
        resetBatch(&w->points);
        resetBatch(&w->rects);
        resetBatch(&w->text);
        readFrameInput(&in, &window);
        if (wasReleased(&window, KeyTab)) editorMode = !editorMode;
        runEditKeys(&history, &window, prompt.promptOpen, editorMode, target);
        updateFilePrompt(&prompt, &window, &w->text, &w->rects, &noFont, &animation, &poseArena,
                         &strip.selectedFrame);
        if (prompt.savedOrLoaded) markEditHistorySaved(&history, &animation);
        if (editorMode)
            updateFrameStrip(&strip, &editor, &window, &w->lines, &w->points, &w->rects, &animation, &poseArena);
        recordEditHistory(&history, &animation, strip.selectedFrame, poseEditUnderWay(&editor));
        checkInvariants(animation, poseArena, strip, editor);
        // A confirmed export name fits the prompt and ends at its terminator.
        uint32_t exportLength = prompt.exportNameLength;
        if (exportLength > 126 || (exportLength && prompt.exportName[exportLength] != 0)) abort();
        prompt.exportNameLength = 0;
    }

    // Whatever edit was under way counts as finished; then undoing every step
    // and redoing as many must come back to the same bytes.
    recordEditHistory(&history, &animation, strip.selectedFrame, false);
    uint32_t count = animation.frameCount;
    static Pose last[maxEditedFrames];
    memcpy(last, animation.poses, count * sizeof(Pose));
    uint32_t undone = 0;
    for (; undoEdit(&history, target); ++undone) checkInvariants(animation, poseArena, strip, editor);
    for (uint32_t k = 0; k < undone; ++k)
    {
        if (!redoEdit(&history, target)) abort();
        checkInvariants(animation, poseArena, strip, editor);
    }
    if (animation.frameCount != count || memcmp(last, animation.poses, count * sizeof(Pose)) != 0) abort();
    return 0;
}
