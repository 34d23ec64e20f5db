#pragma once
#include <stdint.h>

// How an export draws the figure, as the person chose it: the scale of the
// sheet, the line width in pose units and the line colour; and the small
// settings text that keeps the choice between runs.
struct ExportLook
{
    uint32_t scale;
    uint32_t width;
    // 0 for white lines (on black in the GIF), 1 for black lines (on white).
    uint32_t black;
};

static const uint32_t exportScaleCount = 6;
static const uint32_t exportScales[exportScaleCount] = {1, 2, 3, 4, 6, 8};
static const uint32_t thinnestLine = 1;
static const uint32_t thickestLine = 12;
static const ExportLook defaultExportLook = {2, 4, 0};

// Steps the scale through exportScales or the width through 1..12 by
// direction (+1 or -1). False, changing nothing, past either end.
bool stepExportScale(ExportLook* look, int32_t direction);
bool stepLineWidth(ExportLook* look, int32_t direction);

// "white" or "black".
const char* lineColourName(const ExportLook* look);

// Writes "export 2× · width 4 · white" (UTF-8, NUL-terminated); returns its
// length, 0 when capacity is too small.
uint32_t describeExportLook(const ExportLook* look, char* out, uint32_t capacity);

// The settings file's text for the look; returns its length, 0 when capacity is too small.
uint32_t formatSettings(const ExportLook* look, char* out, uint32_t capacity);

// Reads settings text: each setting that is present, well formed and in range
// is taken, every other one keeps its default. A text without our section
// heading is not ours and gives the defaults.
ExportLook parseSettings(const char* text, uint64_t length);
