#pragma once
#include <stdint.h>

struct RenderBatch;
struct FontAtlas;

// What the status line reports about the editor.
struct StatusFacts
{
    uint64_t selectedFrame;
    uint32_t frameCount;
    uint64_t polyline;
    uint64_t selectedPoints;
    float zoom;
    // The name last saved or loaded, in the bytes it was typed in; may be empty.
    const uint8_t* name;
    uint32_t nameLength;
    // For a moment after the export look changes, its description (UTF-8)
    // stands in for the status; empty otherwise.
    const char* look;
    uint32_t lookLength;
};

static const uint32_t statusCapacity = 512;

// The last status drawn and how it was fitted, so that an unchanged status
// costs no measuring.
struct StatusLineState
{
    uint8_t composed[statusCapacity];
    uint32_t composedLength;
    float room;
    uint8_t shown[statusCapacity];
    uint32_t shownLength;
    float shownWidth;
};

// The polyline names, in the order of the buttons.
static const char* const polylineNames[4] = {"head", "spine", "arms", "legs"};

// Writes the status as UTF-8, for example
// "frame 2 of 5 · arms · 3 selected · zoom 1.50 · walk.anim*", the mark
// while there are unsaved edits. The name is converted as the prompt shows
// it, control characters becoming the replacement character; or, while
// facts->look is set, that text alone. Returns the
// bytes written; nameStart and nameEnd (may be null) receive where the name lies.
uint32_t formatStatus(uint8_t* out, const StatusFacts* facts, int32_t modified, uint32_t* nameStart,
                      uint32_t* nameEnd);

// Draws the status right-aligned at the bottom right, within the window's
// right half. What does not fit is cut at an ellipsis: the name loses its
// front first, then the status its end.
void drawStatusLine(StatusLineState* state, RenderBatch* text, const FontAtlas* font, float width,
                    const StatusFacts* facts, int32_t modified);

// Names the four polyline buttons in the space right of them, leaving out
// labels the window's bottom would cut.
void drawPolylineLabels(RenderBatch* text, float height);
