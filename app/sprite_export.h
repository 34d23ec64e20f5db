#pragma once
#include <stdint.h>
#include "app/arena.h"
#include "render/render_batch.h"

struct Animation;

// Export of an animation as a sprite sheet (name.png), its frame list
// (name.json, the "hash" layout sprite-sheet packers write) and a looping
// GIF (name.gif).

static const uint32_t cellMargin = 2;
static const uint32_t largestSheetSide = 2048;
static const uint32_t cellsPerRow = 8;
static const uint32_t maxExportFrames = 32;
// 16 MiB of RGBA at most.
static const uint64_t sheetPixelBudget = (uint64_t)largestSheetSide * largestSheetSide;
static const uint32_t exportFrameMilliseconds = 150;
static const uint16_t exportFrameCentiseconds = 15;

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

// The length of a typed export name once a .png, .gif or .json ending (any
// case) is dropped; 0 when no file name is left (empty, or ending in a folder).
uint32_t exportNameLength(const uint8_t* name, uint32_t length);

// The frame list for files named path (without extension; keys and the
// image name use only its last component) into out. Returns its length, or
// 0 if it does not fit.
uint64_t writeSpriteJson(const SheetLayout* layout, const char* path, char* out, uint64_t capacity);

enum ExportedFile : uint32_t
{
    ExportedPng = 1,
    ExportedJson = 2,
    ExportedGif = 4,
};

// Encodes a rendered sheet (RGBA, top row first, sheetWidth x 4 bytes a row)
// and writes path.png, path.json and path.gif, each through a safe save and
// using scratch for the encoding. A file that cannot be written does not stop
// the others. Returns the ExportedFile bits of the files written.
uint32_t writeSpriteFiles(const SheetLayout* layout, const uint8_t* sheet, const char* path, Arena* scratch);

// Everything an export needs, carved once at start-up.
struct SpriteExporter
{
    Arena sheet;
    Arena scratch;
    RenderBatch lines;
    RenderCommandList commands;
    float cellProjection[16];
};

// Bytes startSpriteExporter carves.
uint64_t spriteExporterSize();

// Carves the exporter's regions from block (spriteExporterSize bytes); its
// line strips are drawn with program.
void startSpriteExporter(SpriteExporter* exporter, Arena* block, uint32_t program);

// Draws every frame into an offscreen framebuffer through the exporter's
// batch, reads the sheet back and writes the three files named path (no
// extension). Binds the window's framebuffer and a windowWidth x windowHeight
// viewport again. Returns the ExportedFile bits of the files written.
uint32_t exportAnimation(SpriteExporter* exporter, const Animation* animation, const char* path,
                         int32_t windowWidth, int32_t windowHeight);
