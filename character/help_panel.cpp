#include "character/help_panel.h"
#include <string.h>
#include "platform/window.h"
#include "render/render_batch.h"
#include "text/font_atlas.h"
#include "text/text_layout.h"

static const float textSize = 16;
static const float padding = 14;
static const float columnGap = 20;
static const float windowMargin = 10;
// The prompt's row below, the frame strip above: the panel stays between.
static const float panelBottomLimit = 48;
static const float panelTopMargin = 36;
// The door's top is at 400 and the figure's head reaches about 440 in a jump.
static const float hintLowestBottom = 450;
static const Color panelColor = {0.16f, 0.16f, 0.2f, 1};
static const Color keyColor = {1, 0.85f, 0.3f, 1};

static const char hintText[] = "F1 help \xC2\xB7 Tab editor";

struct HelpTexts
{
    const char* title;
    const char* keys;
    const char* actions;
};

// Line k of keys goes with line k of actions.
static const HelpTexts helpTexts[2] = {
    {"Game keys \xC2\xB7 F1 or Escape closes",
     "Left, A, Q / Right, D\nSpace\nW\nControl+S / O\nControl+E\nControl+Z / Y\nTab\nAlt+F4",
     "walk\njump\nplay the edited animation, or stop\nsave / load the edited animation\n"
     "export PNG sheet, JSON, GIF\nundo / redo\neditor\nquit, unsaved edits to autosave.anim"},
    {"Editor keys \xC2\xB7 F1 or Escape closes",
     "Click a box\nControl+click a box\nClick the green box\nLeft / Right\nShift+Left / Right\nButton, Up / Down\n"
     "Drag a point\nShift+drag a point\nControl+Shift+drag\nX / M\n"
     "B, drag\nA\nG\nControl+C / V\nAlt+drag down / up\n1 2 3\n4\nSpace\nControl+I\nControl+Z / Y\n"
     "Control+S / O\nControl+E\nPage Up / Page Down\nHome / End\nL\nTab",
     "select frame\ndelete frame\nduplicate frame\nprevious / next frame\nmove the frame earlier / later\npolyline\n"
     "move it\nturn it about its joint, lengths kept\na hand or an ankle reaches for the mouse\n"
     "swap left and right / mirror the frame\nbox-select\n"
     "select all / none\ngrab: left keeps, right undoes\ncopy / paste polyline\nzoom in / out\n"
     "handles, all handles, guides\nonion skin\nlive preview\nin-between frame\nundo / redo\nsave / load\n"
     "export PNG sheet, JSON, GIF\nexport scale up / down\nexport line width up / down\n"
     "export lines white / black\ngame"},
};

void updateHelpPanel(HelpPanelState* help, const Window* window, int32_t promptWasOpen)
{
    if (promptWasOpen) return;
    if (wasPressed(window, KeyF1)) help->open = !help->open;
    else if (wasPressed(window, KeyEscape)) help->open = 0;
}

static uint32_t lengthOf(const char* text) { return (uint32_t)strlen(text); }

static float widthOf(const FontAtlas* font, const char* text, uint32_t length)
{
    float width = 0, height = 0;
    measureText(font, (const uint8_t*)text, length, textSize, &width, &height, nullptr);
    return width;
}

// Pixel metrics of the font at the panel's size; false without a font.
struct LineMetrics
{
    float ascent;
    float descent;
    float advance;
};

static bool lineMetrics(const FontAtlas* font, LineMetrics* metrics)
{
    if (!font || !font->header || font->header->pixelHeight == 0) return false;
    const FontAtlasHeader* header = font->header;
    float k = textSize / (float)header->pixelHeight * header->scale;
    metrics->ascent = (float)header->ascent * k;
    metrics->descent = -(float)header->descent * k;
    metrics->advance = (float)(header->ascent - header->descent + header->lineGap) * k;
    return metrics->advance > 0.0f;
}

void drawGameHint(HelpPanelState* help, RenderBatch* text, const FontAtlas* font, float width, float height)
{
    LineMetrics metrics;
    if (!lineMetrics(font, &metrics)) return;
    if (!help->hintMeasured)
    {
        help->hintWidth = widthOf(font, hintText, lengthOf(hintText));
        help->hintMeasured = 1;
    }
    float x = width - windowMargin - help->hintWidth;
    float baseline = height - windowMargin - metrics.ascent;
    if (x < 0.0f || baseline - metrics.descent < hintLowestBottom) return;
    pushText(text, x, baseline, (const uint8_t*)hintText, lengthOf(hintText), textSize, colorGrey50);
}

static void measureTexts(HelpPanelState* help, int mode, const FontAtlas* font)
{
    if (help->measured[mode]) return;
    const HelpTexts* texts = &helpTexts[mode];
    help->titleWidth[mode] = widthOf(font, texts->title, lengthOf(texts->title));
    help->keysWidth[mode] = widthOf(font, texts->keys, lengthOf(texts->keys));
    help->actionsWidth[mode] = widthOf(font, texts->actions, lengthOf(texts->actions));
    help->measured[mode] = 1;
}

static uint32_t lineCount(const char* text)
{
    uint32_t lines = 1;
    for (const char* c = text; *c; ++c) lines += *c == '\n';
    return lines;
}

// Bytes of the first `lines` lines, without the line feed after them.
static uint32_t firstLines(const char* text, uint32_t lines)
{
    uint32_t length = 0;
    for (uint32_t seen = 0; text[length]; ++length)
        if (text[length] == '\n' && ++seen == lines) break;
    return length;
}

void drawHelpPanel(HelpPanelState* help, int32_t editorMode, RenderBatch* rects, RenderBatch* lines,
                   RenderBatch* text, const FontAtlas* font, float width, float height)
{
    LineMetrics metrics;
    if (!help->open || !lineMetrics(font, &metrics)) return;
    int mode = editorMode ? 1 : 0;
    measureTexts(help, mode, font);
    const HelpTexts* texts = &helpTexts[mode];

    float columns = help->keysWidth[mode] + columnGap + help->actionsWidth[mode];
    float contentWidth = columns > help->titleWidth[mode] ? columns : help->titleWidth[mode];
    uint32_t rows = lineCount(texts->keys);
    float panelWidth = contentWidth + 2.0f * padding;
    float panelHeight = 2.0f * padding + metrics.ascent + metrics.descent + metrics.advance * 0.5f +
                        metrics.advance * (float)rows;

    // Centred where there is room; a small window keeps the top and loses rows at the bottom.
    float top = height - panelTopMargin;
    float room = top - panelBottomLimit;
    if (panelHeight < room) top -= (room - panelHeight) * 0.5f;
    float left = (width - panelWidth) * 0.5f;
    if (left < windowMargin) left = windowMargin;

    float titleBaseline = top - padding - metrics.ascent;
    float firstBaseline = titleBaseline - metrics.advance * 1.5f;
    float lowest = panelBottomLimit + padding + metrics.descent;
    if (titleBaseline - metrics.descent < panelBottomLimit) return;
    uint32_t shownRows = 0;
    while (shownRows < rows && firstBaseline - metrics.advance * (float)shownRows >= lowest) ++shownRows;
    float bottom = shownRows ? firstBaseline - metrics.advance * (float)(shownRows - 1) - metrics.descent - padding
                             : titleBaseline - metrics.descent - padding;
    if (bottom < 0.0f) bottom = 0.0f;

    float right = left + panelWidth;
    float panel[4] = {left, bottom, right, top};
    pushDraw(rects, panel, 1, panelColor);
    float outline[10] = {left, bottom, right, bottom, right, top, left, top, left, bottom};
    pushDraw(lines, outline, 5, colorGrey50);

    float x = left + padding;
    pushText(text, x, titleBaseline, (const uint8_t*)texts->title, lengthOf(texts->title), textSize, colorWhite);
    if (shownRows == 0) return;
    uint32_t keysLength = shownRows < rows ? firstLines(texts->keys, shownRows) : lengthOf(texts->keys);
    uint32_t actionsLength = shownRows < rows ? firstLines(texts->actions, shownRows) : lengthOf(texts->actions);
    pushText(text, x, firstBaseline, (const uint8_t*)texts->keys, keysLength, textSize, keyColor);
    pushText(text, x + help->keysWidth[mode] + columnGap, firstBaseline, (const uint8_t*)texts->actions,
             actionsLength, textSize, colorWhite);
}
