#include "character/status_line_and_labels.h"
#include <string.h>
#include "character/pose_editor.h"
#include "platform/os.h"
#include "render/render_batch.h"
#include "text/text_layout.h"

static const float statusSize = 16;
static const float statusBaseline = 12;
static const float rightMargin = 10;
static const float labelSize = 16;
static const float labelGap = 7;
// From a button's bottom edge to its label's baseline.
static const float labelRise = 8;
static const uint8_t separator[] = {' ', 0xC2, 0xB7, ' '};
static const uint8_t ellipsis[] = {0xE2, 0x80, 0xA6};
static const uint8_t replacementCharacter[] = {0xEF, 0xBF, 0xBD};
// Above any zoom a drag reaches; keeps the figure a whole number.
static const float largestShownZoom = 1.0e7f;

// Appends bytes while they fit in the status buffer.
struct Writer
{
    uint8_t* out;
    uint32_t length;
};

static void put(Writer* w, const void* bytes, uint32_t count)
{
    if (count > statusCapacity - w->length) count = statusCapacity - w->length;
    memcpy(w->out + w->length, bytes, count);
    w->length += count;
}

static void putText(Writer* w, const char* text) { put(w, text, (uint32_t)strlen(text)); }

static void putNumber(Writer* w, uint64_t value)
{
    char digits[20];
    uint32_t count = 0;
    do
    {
        digits[19 - count++] = (char)('0' + value % 10);
        value /= 10;
    } while (value != 0);
    put(w, digits + 20 - count, count);
}

static void putZoom(Writer* w, float zoom)
{
    if (!(zoom >= 0.0f)) zoom = 0.0f;
    if (zoom > largestShownZoom) zoom = largestShownZoom;
    uint64_t hundredths = (uint64_t)(zoom * 100.0f + 0.5f);
    putNumber(w, hundredths / 100);
    char fraction[3] = {'.', (char)('0' + hundredths / 10 % 10), (char)('0' + hundredths % 10)};
    put(w, fraction, 3);
}

// As the prompt shows a name: converted from the typed code page, or raw
// when that fails. A control character would break the line or vanish, so
// it shows as the replacement character instead.
static void putName(Writer* w, const uint8_t* name, uint32_t length)
{
    uint8_t converted[3 * 128];
    const uint8_t* bytes = name;
    uint32_t count = osAnsiToUtf8(name, length, converted, sizeof converted);
    if (count > 0) bytes = converted;
    else count = length;
    for (uint32_t i = 0; i < count; ++i)
    {
        if (bytes[i] < 0x20 || bytes[i] == 0x7F) put(w, replacementCharacter, sizeof replacementCharacter);
        else put(w, bytes + i, 1);
    }
}

uint32_t formatStatus(uint8_t* out, const StatusFacts* facts, int32_t modified, uint32_t* nameStart,
                      uint32_t* nameEnd)
{
    Writer w = {out, 0};
    if (facts->lookLength > 0 && facts->lookLength < statusCapacity)
    {
        put(&w, (const uint8_t*)facts->look, facts->lookLength);
        if (nameStart) *nameStart = w.length;
        if (nameEnd) *nameEnd = w.length;
        return w.length;
    }
    putText(&w, "frame ");
    putNumber(&w, facts->selectedFrame + 1);
    putText(&w, " of ");
    putNumber(&w, facts->frameCount);
    put(&w, separator, sizeof separator);
    putText(&w, polylineNames[facts->polyline < 4 ? facts->polyline : 0]);
    put(&w, separator, sizeof separator);
    putNumber(&w, facts->selectedPoints);
    putText(&w, " selected");
    put(&w, separator, sizeof separator);
    putText(&w, "zoom ");
    putZoom(&w, facts->zoom);
    put(&w, separator, sizeof separator);
    uint32_t start = w.length;
    if (facts->nameLength > 0) putName(&w, facts->name, facts->nameLength);
    else putText(&w, "untitled");
    uint32_t end = w.length;
    if (modified) putText(&w, "*");
    if (nameStart) *nameStart = start;
    if (nameEnd) *nameEnd = end;
    return w.length;
}

static float widthOf(const FontAtlas* font, const uint8_t* text, uint32_t length)
{
    float width = 0, height = 0;
    measureText(font, text, length, statusSize, &width, &height, nullptr);
    return width;
}

// Start offsets of the characters of text[from, to), and to itself last.
static uint32_t characterStarts(const uint8_t* text, uint32_t from, uint32_t to, uint16_t* starts)
{
    uint32_t count = 0;
    for (uint32_t i = from; i < to; ++i)
        if ((text[i] & 0xC0) != 0x80) starts[count++] = (uint16_t)i;
    starts[count] = (uint16_t)to;
    return count;
}

// The text with the part [from, to) cut to `keep` characters and an
// ellipsis on the cut side: its front when keepTail, else its end.
static uint32_t cutText(const uint8_t* text, uint32_t length, uint32_t from, uint32_t to, const uint16_t* starts,
                        uint32_t characters, uint32_t keep, bool keepTail, uint8_t* out)
{
    Writer w = {out, 0};
    put(&w, text, from);
    if (keepTail)
    {
        put(&w, ellipsis, sizeof ellipsis);
        uint32_t first = starts[characters - keep];
        put(&w, text + first, to - first);
    }
    else
    {
        put(&w, text + from, starts[keep] - from);
        put(&w, ellipsis, sizeof ellipsis);
    }
    put(&w, text + to, length - to);
    return w.length;
}

// Keeps as many characters of [from, to) as fit in the room (a binary
// search on measured widths). False when not even the ellipsis fits.
static bool fitByCutting(const FontAtlas* font, const uint8_t* text, uint32_t length, uint32_t from, uint32_t to,
                         bool keepTail, float room, StatusLineState* state)
{
    uint16_t starts[statusCapacity + 1];
    uint32_t characters = characterStarts(text, from, to, starts);
    uint8_t candidate[statusCapacity];
    uint32_t low = 0, high = characters;
    bool found = false;
    while (low < high)
    {
        uint32_t keep = low + (high - low) / 2;
        uint32_t candidateLength = cutText(text, length, from, to, starts, characters, keep, keepTail, candidate);
        float width = widthOf(font, candidate, candidateLength);
        if (width <= room)
        {
            memcpy(state->shown, candidate, candidateLength);
            state->shownLength = candidateLength;
            state->shownWidth = width;
            found = true;
            low = keep + 1;
        }
        else
            high = keep;
    }
    return found;
}

static void fitStatus(StatusLineState* state, const FontAtlas* font, const uint8_t* text, uint32_t length,
                      uint32_t nameStart, uint32_t nameEnd, float room)
{
    float width = widthOf(font, text, length);
    if (width <= room)
    {
        memcpy(state->shown, text, length);
        state->shownLength = length;
        state->shownWidth = width;
        return;
    }
    if (nameEnd > nameStart && fitByCutting(font, text, length, nameStart, nameEnd, true, room, state)) return;
    if (fitByCutting(font, text, length, 0, length, false, room, state)) return;
    state->shownLength = 0;
}

void drawStatusLine(StatusLineState* state, RenderBatch* text, const FontAtlas* font, float width,
                    const StatusFacts* facts, int32_t modified)
{
    uint8_t composed[statusCapacity];
    uint32_t nameStart = 0, nameEnd = 0;
    uint32_t length = formatStatus(composed, facts, modified, &nameStart, &nameEnd);
    float room = width * 0.5f - rightMargin;
    if (!(room > 0.0f)) return;
    bool unchanged = length == state->composedLength && room == state->room &&
                     memcmp(composed, state->composed, length) == 0;
    if (!unchanged)
    {
        fitStatus(state, font, composed, length, nameStart, nameEnd, room);
        memcpy(state->composed, composed, length);
        state->composedLength = length;
        state->room = room;
    }
    if (state->shownLength == 0) return;
    float x = width - rightMargin - state->shownWidth;
    pushText(text, x, statusBaseline, state->shown, state->shownLength, statusSize, colorGrey75);
}

void drawPolylineLabels(RenderBatch* text, float height)
{
    for (uint32_t i = 0; i < 4; ++i)
    {
        float button[4];
        polylineButtonRect(button, i, height);
        float baseline = button[1] + labelRise;
        if (baseline < labelSize) continue;
        const char* name = polylineNames[i];
        pushText(text, button[2] + labelGap, baseline, (const uint8_t*)name, (uint32_t)strlen(name), labelSize,
                 colorGrey75);
    }
}
