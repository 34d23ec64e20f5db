#pragma once
// The application: the entry function and the frame loop (this header), and
// what the loop runs between the other subsystems: the character controller,
// the scenery, the file-name prompt with the .anim files, file reading and
// safe writing, the memory arena, the editing keys, the autosave at the end
// of a run, and the export that draws the frames and saves the files.
#include <stdint.h>
#include "app/arena.h"
#include "app/character_controller.h"
#include "app/edit_keys.h"
#include "app/file_prompt.h"
#include "app/sprite_export.h"
#include "export/export_look.h"
#include "character/frame_strip.h"
#include "character/help_panel.h"
#include "character/live_preview.h"
#include "character/pose.h"
#include "character/pose_editor.h"
#include "character/status_line_and_labels.h"
#include "platform/os.h"
#include "platform/window.h"
#include "render/frame_submission.h"
#include "render/render_batch.h"
#include "text/font_atlas.h"

static const uint64_t mainArenaSize = 64ull << 20;
static const uint64_t fontArenaSize = 5ull << 20;
static const uint64_t commandRegionSize = 1ull << 20;
static const uint64_t sceneryArenaSize = 1ull << 20;
static const uint64_t animationArenaSize = 1ull << 20;

// The parts of start-up in order, as the start-up benchmark reports them:
// the memory blocks (and the font's bake begun on its own thread), the
// window with its GL context, the shader programs with the batches, the
// wait for the font atlas, and the data files with the rest.
enum StartPart : uint32_t
{
    StartMemory,
    StartWindow,
    StartPrograms,
    StartFont,
    StartFiles,
    StartPartCount,
};

// Everything the program owns for the whole run. Nothing in it is ever freed.
struct App
{
    Arena mainArena;
    Arena fontArena;
    Window window;
    float screenToNormalized[16];
    RenderCommandList commandList;
    uint32_t colorProgram;
    uint32_t textProgram;
    uint32_t thickLineProgram;
    RenderBatch lineBatch;
    RenderBatch pointBatch;
    RenderBatch rectBatch;
    RenderBatch textBatch;
    RenderBatch thickLineBatch;
    FontAtlas font;
    // The font atlas's bake during start-up: the font, and the bytes it took.
    OsThread fontBaking;
    const char* fontPath;
    uint32_t fontBytes;
    uint32_t vertexArray;
    Arena sceneryArena;
    Pose basePose;
    Animation* idleAnimation;
    Animation* walkAnimation;
    Animation* jumpAnimation;
    Arena animationArena;
    Animation editedAnimation;
    int32_t editorMode;
    float deltaTime;
    uint64_t counterFrequency;
    uint64_t previousCounter;
    // The display's rate as last read (re-read every 64 frames), the counter
    // when this frame's swap began and when this frame was due to begin.
    uint32_t refreshHz;
    uint32_t framesToRefreshRead;
    uint64_t swapStarted;
    uint64_t frameDue;
    // What the window shows, and the counter when it was last drawn.
    ShownFrame shownFrame;
    uint64_t lastDrawn;
    // Frames in a row whose picture equalled the one shown, counted up to stillFrames.
    uint32_t unchangedFrames;
    CharacterState character;
    FilePromptState prompt;
    FrameStripState frameStrip;
    PoseEditorState poseEditor;
    EditHistory history;
    // Its own block, reserved at the first export; export is off when it
    // cannot be had.
    Arena exportBlock;
    SpriteExporter exporter;
    int32_t showOnionSkin;
    LivePreviewState preview;
    StatusLineState statusLine;
    HelpPanelState help;
    // The export look, kept in the settings file, and how much longer the
    // status line shows it after a change.
    ExportLook look;
    float lookShownFor;
    // The counter when start-up began and when each StartPart was done.
    uint64_t startCounters[StartPartCount + 1];
};

// Start-up on a zeroed record. False only when a memory block cannot be
// reserved. A failed window leaves window.running at 0 and touches no GL.
bool startApp(App* app);

// One frame: time step, input, prompt, game or editor, then submission and
// swap when the picture changed (or the window asks for one, or a second
// passed), and a rest when the swap did not wait for the display or there
// was none. While the window is minimised only the time step and input, then
// a wait for a message.
void runFrame(App* app);

// The end of the run (after the window closed, or while the system ends the
// session): a grab under way goes back, and unsaved edits go to a new
// autosave file. Returns whether one was written.
bool endRun(App* app);
