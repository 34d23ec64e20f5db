// Drives the frame strip, the pose editor and the edit history with arbitrary
// keys and mouse positions, frame by frame in the frame loop's order, and
// checks the edited animation after every frame; at the end, undoing every
// step and redoing as many gives back the same bytes.
#include <math.h>
#include <stdlib.h>
#include <string.h>
#include "app/animation_codec.h"
#include "app/edit_history.h"
#include "character/pose_editor.h"
#include "platform/window.h"
#include "render/render_batch.h"

static const uint32_t keys[] = {KeyMouseLeft, KeyMouseRight, KeyControl, KeyAlt, KeyLeft, KeyUp, KeyRight, KeyDown,
                                keyDigit(1), keyDigit(2), keyDigit(3), keyLetter('A'), keyLetter('B'), keyLetter('C'),
                                keyLetter('G'), keyLetter('I'), keyLetter('V'), keyLetter('Y'), keyLetter('Z')};

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static uint8_t memory[4 << 20]; // the batches and the history, with room to spare
    static Pose poses[maxEditedFrames + 1], last[maxEditedFrames];
    Arena arena = {sizeof memory, 0, memory};
    RenderBatch batches[3];
    const BatchSize sizes[3] = {lineBatchSize, pointBatchSize, rectBatchSize};
    for (int b = 0; b < 3; ++b) batches[b] = createRenderBatch(&arena, sizes[b], 0, nullptr);
    for (uint32_t p = 0; p < 28; ++p) poses[0].points[p] = Vec2{(float)p, (float)(p * 3)};
    Arena poseArena = {maxEditedFrames * sizeof(Pose), sizeof(Pose), (uint8_t*)poses};
    Animation animation = {1, poses};
    FrameStripState strip = {};
    PoseEditorState editor = initialPoseEditorState();
    Window window = {};
    window.clientWidth = 1280, window.clientHeight = 720;
    EditHistory history;
    startEditHistory(&history, &arena, editHistorySlots, &animation, 0);
    EditTarget target = {&animation, &poseArena, &strip, &editor};
    auto check = [&]() {
        uint32_t n = animation.frameCount;
        bool ok = n >= 1 && n <= maxEditedFrames && strip.selectedFrame < n && poseArena.used == n * sizeof(Pose) &&
                  editor.zoom > 0 && isfinite(editor.zoom) && editor.selectedPolyline < 4 && editor.selectionCount < 10;
        if (!ok || !posesAreFinite((uint8_t*)poses, n)) abort();
    };

    size_t at = 0;
    auto next = [&]() -> uint32_t { return at < size ? data[at++] : 0; };
    for (int frame = 0; frame < 200 && at < size; ++frame)
    {
        for (RenderBatch& batch : batches) resetBatch(&batch);
        for (uint8_t& key : window.keys) key = key == Pressed ? Held : key == Released ? Up : key;
        for (uint32_t n = next() % 4; n > 0; --n)
            window.keys[keys[next() % (sizeof keys / sizeof *keys)]] = (uint8_t)(next() % 4);
        window.mouseX = (int32_t)(next() * 11 / 2) - 60, window.mouseY = (int32_t)(next() * 3) - 20;
        runEditKeys(&history, &window, false, true, target);
        updateFrameStrip(&strip, &editor, &window, &batches[0], &batches[1], &batches[2], &animation, &poseArena);
        recordEditHistory(&history, &animation, strip.selectedFrame, poseEditUnderWay(&editor));
        check();
    }

    // Whatever edit was under way counts as finished.
    recordEditHistory(&history, &animation, strip.selectedFrame, false);
    uint32_t count = animation.frameCount, undone = 0;
    memcpy(last, poses, count * sizeof(Pose));
    for (; undoEdit(&history, target); ++undone) check();
    for (; undone > 0; --undone)
        if (!redoEdit(&history, target)) abort();
    check();
    if (animation.frameCount != count || memcmp(last, poses, count * sizeof(Pose)) != 0) abort();
    return 0;
}
