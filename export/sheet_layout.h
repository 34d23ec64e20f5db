#pragma once
#include <stdint.h>

// The export subsystem turns an animation's frames into files other programs
// read: the sprite sheet's layout (this header), the frame list in the JSON
// "hash" layout, and the PNG and GIF encoders. It computes bytes in memory;
// drawing the frames and writing the files is the program's part.

struct Animation;

static const uint32_t cellMargin = 2;
static const uint32_t largestSheetSide = 2048;
static const uint32_t cellsPerRow = 8;
static const uint32_t maxExportFrames = 32;
// 16 MiB of RGBA at most.
static const uint64_t sheetPixelBudget = (uint64_t)largestSheetSide * largestSheetSide;

// One cell size for every frame and where the cells lie in the sheet.
struct SheetLayout
{
    uint32_t frameCount;
    uint32_t cellWidth;
    uint32_t cellHeight;
    uint32_t columns;
    uint32_t rows;
    uint32_t sheetWidth;
    uint32_t sheetHeight;
    // The pose's reference point (0, 0) in every cell, in pixels from the
    // cell's left and bottom edges (drawing coordinates, y up).
    int32_t originX;
    int32_t originY;
    // Pixels per pose unit, and the lines' width in pixels.
    uint32_t scale;
    uint32_t lineWidth;
};

// The union box of all frames' finite points at the scale, plus half the
// line width (lineWidth pose units, so lineWidth x scale pixels) and
// cellMargin on each side, in rows of up to cellsPerRow cells, with as many
// columns as keep both sides of the sheet within largestSheetSide and its
// area within pixelBudget. When the cells cannot fit at that scale, the
// largest of exportScales below it at which they do; when none does, scale 1
// with as large a cell as fits, what lies beyond it clipped, keeping the
// reference point in view where the points allow. All zero for no frames,
// more than maxExportFrames, or a budget too small for any cell.
SheetLayout layoutSheet(const Animation* animation, uint32_t scale, uint32_t lineWidth, uint64_t pixelBudget);

// Frame k's cell: its top-left pixel in the sheet, rows counted from the top.
void cellCorner(const SheetLayout* layout, uint32_t frame, uint32_t* x, uint32_t* y);
