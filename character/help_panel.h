#pragma once
#include <stdint.h>

struct Window;
struct RenderBatch;
struct FontAtlas;

// The F1 panel. Its texts never change, so their widths are measured once
// (per mode for the panel) and kept.
struct HelpPanelState
{
    int32_t open;
    int32_t measured[2];
    float titleWidth[2];
    float keysWidth[2];
    float actionsWidth[2];
    int32_t hintMeasured;
    float hintWidth;
};

// F1 opens or closes the panel and Escape closes it. Neither acts when the
// prompt was open as the frame began: Escape then closes only the prompt.
void updateHelpPanel(HelpPanelState* help, const Window* window, int32_t promptWasOpen);

// The dim "F1 help · Tab editor" at the top right in game mode, drawn only
// where it stays above the room's door and the figure's highest jump.
void drawGameHint(HelpPanelState* help, RenderBatch* text, const FontAtlas* font, float width, float height);

// The keys and clicks of the current mode and what they do, in a framed
// panel between the strip and the prompt's row. Called last, so that it
// lies over the rectangles and texts before it; lines and squares drawn
// before it would show through, so the caller leaves them out.
void drawHelpPanel(HelpPanelState* help, int32_t editorMode, RenderBatch* rects, RenderBatch* lines,
                   RenderBatch* text, const FontAtlas* font, float width, float height);
