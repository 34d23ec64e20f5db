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
};

// The union box of all frames' finite points plus cellMargin on each side, in
// rows of up to cellsPerRow cells, with as many columns and as large a cell as
// keep both sides of the sheet within largestSheetSide and its area within
// pixelBudget; what lies beyond a cell is clipped,
// keeping the reference point in view where the points allow. All zero for
// no frames, more than maxExportFrames, or a budget too small for any cell.
SheetLayout layoutSheet(const Animation* animation, uint64_t pixelBudget);

// Frame k's cell: its top-left pixel in the sheet, rows counted from the top.
void cellCorner(const SheetLayout* layout, uint32_t frame, uint32_t* x, uint32_t* y);
