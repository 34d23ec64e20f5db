#pragma once
#include <stdint.h>
#include "app/arena.h"

struct Window;
struct RenderBatch;
struct FontAtlas;
struct Animation;
struct Pose;
struct PoseEditorState;

struct FilePromptState
{
    uint8_t fileName[128];
    uint32_t fileNameLength;
    int32_t promptOpen;
    int32_t saveRequested;
    int32_t loadRequested;
    int32_t nameConfirmed;
    // 1 in the frame in which a save or a load succeeded.
    int32_t savedOrLoaded;
    // An export waits for a confirmed name; once confirmed, the name (its
    // .png, .gif or .json dropped) waits here for the frame loop, which has
    // the GL context. exportNameLength is 0 when none waits.
    int32_t exportRequested;
    uint8_t exportName[128];
    uint32_t exportNameLength;
    // How the export will look, as the label shows it while a name for one
    // is typed (UTF-8, NUL-terminated; may be empty).
    char exportLook[64];
    // The name of the last successful save or load, for the status line.
    uint8_t lastName[128];
    uint32_t lastNameLength;
};

// What Return will do with the typed name, as the label above the prompt says it.
const char* promptAction(const FilePromptState* prompt);

// Edits and draws the prompt, opens it on Control+S / Control+O (and, while
// it is closed, Control+E), and saves or loads the edited animation or hands
// on the export name once a name is confirmed. A load first puts back a grab
// under way; a successful one selects frame 0, a failed one changes nothing more.
void updateFilePrompt(FilePromptState* prompt, const Window* window, RenderBatch* textBatch, RenderBatch* rectBatch,
                      const FontAtlas* font, Animation* editedAnimation, Arena* animationArena,
                      uint64_t* selectedFrame, PoseEditorState* editor);
