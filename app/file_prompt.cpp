#include "app/file_prompt.h"
#include "app/animation_files.h"
#include "character/frame_strip.h"
#include "character/pose.h"
#include "character/pose_editor.h"
#include "export/export_name.h"
#include "platform/os.h"
#include "platform/window.h"
#include "render/render_batch.h"
#include "text/text_layout.h"
#include <stdio.h>
#include <string.h>

static const uint32_t longestName = 126;
static const uint32_t characterReturn = 13;
static const uint32_t characterBackspace = 8;
static const uint32_t characterDelete = 0x7F;
static const float promptX = 10;
static const float promptBaseline = 10;
static const float promptSize = 24;
static const float caretWidth = 10;
// Without a font the caret still marks where the name would go.
static const float caretFallbackHeight = 24;
static const float caretFallbackDepth = 5;
// A typed byte becomes at most three bytes of UTF-8 (a code page's euro sign, say).
static const uint32_t longestShownName = longestName * 3;
static const float labelBaseline = 42;
static const float labelSize = 16;

static void setNameLength(FilePromptState* prompt, uint32_t length)
{
    prompt->fileNameLength = length;
    prompt->fileName[length] = 0;
}

static void closeWithoutAction(FilePromptState* prompt)
{
    prompt->promptOpen = 0;
    prompt->nameConfirmed = 0;
    prompt->saveRequested = 0;
    prompt->loadRequested = 0;
    prompt->exportRequested = 0;
    setNameLength(prompt, 0);
}

// Backspace takes a whole character: half of a double-byte or UTF-8 one
// would leave a name no file system takes.
static uint32_t lastCharacterStart(const uint8_t* name, uint32_t length)
{
    uint32_t start = 0;
    for (uint32_t at = 0; at < length; at = osNextCharacter(name, length, at)) start = at;
    return start;
}

static bool isControl(uint32_t character)
{
    return character < 0x20 || character == characterDelete;
}

// Where the character typed at bytes[at] ends. A broken one that runs into a
// control character ends before it, so that Return or Backspace still acts.
static uint32_t typedCharacterEnd(const uint8_t* bytes, uint32_t count, uint32_t at)
{
    uint32_t end = osNextCharacter(bytes, count, at);
    for (uint32_t i = at + 1; i < end; ++i)
        if (isControl(bytes[i])) return i;
    return end;
}

// A character is taken whole or not at all: the name's last room never
// holds half of one.
static void takeTypedCharacters(FilePromptState* prompt, const Window* window)
{
    uint32_t count = window->typedCount < 32 ? window->typedCount : 32;
    uint8_t bytes[32];
    for (uint32_t i = 0; i < count; ++i) bytes[i] = (uint8_t)window->typedChars[i];
    for (uint32_t i = 0, next = 0; i < count; i = next)
    {
        next = i + 1;
        uint32_t character = window->typedChars[i];
        if (character == characterReturn)
        {
            prompt->nameConfirmed = 1;
            prompt->promptOpen = 0;
            return;
        }
        // Control chords arrive as control characters (Control+Z as 0x1A):
        // they are never part of a name.
        bool control = isControl(character);
        if (character == characterBackspace)
        {
            setNameLength(prompt, lastCharacterStart(prompt->fileName, prompt->fileNameLength));
        }
        else if (!control)
        {
            next = typedCharacterEnd(bytes, count, i);
            if (prompt->fileNameLength + (next - i) > longestName) continue;
            memcpy(prompt->fileName + prompt->fileNameLength, bytes + i, next - i);
            setNameLength(prompt, prompt->fileNameLength + (next - i));
        }
    }
}

// The name at the bottom left, and a caret box right after it spanning the
// text's measured height. Typed characters are bytes of the ANSI code page
// while text is drawn as UTF-8, so an accented letter is converted first:
// drawn raw it would swallow the letters after it.
static void drawPrompt(const FilePromptState* prompt, RenderBatch* textBatch, RenderBatch* rectBatch,
                       const FontAtlas* font)
{
    uint8_t shown[longestShownName];
    const uint8_t* text = prompt->fileName;
    uint32_t length = osAnsiToUtf8(prompt->fileName, prompt->fileNameLength, shown, sizeof shown);
    if (length > 0) text = shown;
    else length = prompt->fileNameLength;

    pushText(textBatch, promptX, promptBaseline, text, length, promptSize, colorWhite);
    float width = 0, height = 0, depth = 0;
    measureText(font, text, length, promptSize, &width, &height, &depth);
    if (height <= 0)
    {
        height = caretFallbackHeight;
        depth = caretFallbackDepth;
    }
    float left = promptX + width;
    float bottom = promptBaseline - depth;
    float caret[4] = {left, bottom, left + caretWidth, bottom + height};
    pushDraw(rectBatch, caret, 1, colorWhite);

    char label[160];
    const char* action = promptAction(prompt);
    bool withLook = prompt->exportRequested && prompt->exportLook[0];
    int labelLength = snprintf(label, sizeof label, withLook ? "%s  (%s)" : "%s", action, prompt->exportLook);
    if (labelLength > 0 && (uint32_t)labelLength < sizeof label && action[0])
        pushText(textBatch, promptX, labelBaseline, (const uint8_t*)label, (uint32_t)labelLength, labelSize,
                 colorGrey75);
}

const char* promptAction(const FilePromptState* prompt)
{
    if (prompt->exportRequested)
        return prompt->saveRequested || prompt->loadRequested ? "Return saves or loads, then exports:"
                                                              : "Return exports as:";
    if (prompt->saveRequested && prompt->loadRequested) return "Return saves, then loads:";
    if (prompt->saveRequested) return "Return saves as:";
    if (prompt->loadRequested) return "Return loads:";
    return "";
}

static void openOnShortcut(FilePromptState* prompt, const Window* window, bool wasOpen)
{
    if (controlChord(window) && isDown(window, keyLetter('S')))
    {
        prompt->saveRequested = 1;
        prompt->promptOpen = 1;
    }
    if (controlChord(window) && isDown(window, keyLetter('O')))
    {
        prompt->loadRequested = 1;
        prompt->promptOpen = 1;
    }
    if (!wasOpen && controlChord(window) && isDown(window, keyLetter('E')))
    {
        prompt->exportRequested = 1;
        prompt->promptOpen = 1;
    }
}

static void rememberName(FilePromptState* prompt)
{
    memcpy(prompt->lastName, prompt->fileName, prompt->fileNameLength);
    prompt->lastNameLength = prompt->fileNameLength;
}

// Runs the waiting save, then the waiting load, both with the confirmed name.
static void runConfirmedRequests(FilePromptState* prompt, Animation* editedAnimation, Arena* animationArena,
                                 uint64_t* selectedFrame, PoseEditorState* editor)
{
    const char* name = (const char*)prompt->fileName;
    bool usable = prompt->fileNameLength != 0;
    if (prompt->saveRequested)
    {
        if (usable && saveAnimationFile(editedAnimation, name))
        {
            prompt->savedOrLoaded = 1;
            rememberName(prompt);
        }
        prompt->saveRequested = 0;
    }
    if (prompt->loadRequested)
    {
        // A grab cannot go on into other frames; it goes back to where it began.
        putGrabBack(editor, editedAnimation->poses + *selectedFrame);
        if (usable && loadAnimationFile(editedAnimation, animationArena, name, maxEditedFrames))
        {
            *selectedFrame = 0;
            prompt->savedOrLoaded = 1;
            rememberName(prompt);
        }
        prompt->loadRequested = 0;
    }
    if (prompt->exportRequested)
    {
        uint32_t length = usable ? exportNameLength(prompt->fileName, prompt->fileNameLength) : 0;
        memcpy(prompt->exportName, prompt->fileName, length);
        prompt->exportName[length] = 0;
        prompt->exportNameLength = length;
        prompt->exportRequested = 0;
    }
    prompt->nameConfirmed = 0;
    setNameLength(prompt, 0);
}

void updateFilePrompt(FilePromptState* prompt, const Window* window, RenderBatch* textBatch, RenderBatch* rectBatch,
                      const FontAtlas* font, Animation* editedAnimation, Arena* animationArena,
                      uint64_t* selectedFrame, PoseEditorState* editor)
{
    prompt->savedOrLoaded = 0;
    bool wasOpen = prompt->promptOpen;
    if (prompt->promptOpen)
    {
        if (wasPressed(window, KeyEscape))
        {
            closeWithoutAction(prompt);
        }
        else
        {
            takeTypedCharacters(prompt, window);
            drawPrompt(prompt, textBatch, rectBatch, font);
        }
    }
    openOnShortcut(prompt, window, wasOpen);
    if (prompt->nameConfirmed) runConfirmedRequests(prompt, editedAnimation, animationArena, selectedFrame, editor);
}
