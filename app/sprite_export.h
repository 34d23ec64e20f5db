#pragma once
#include <stdint.h>
#include "app/arena.h"
#include "export/export_look.h"
#include "export/sheet_layout.h"
#include "render/render_batch.h"

struct Animation;

// Export of an animation as a sprite sheet (name.png), its frame list
// (name.json, the "hash" layout sprite-sheet packers write) and a looping
// GIF (name.gif): the frames drawn offscreen, encoded, and saved.

// How long each GIF image shows.
static const uint16_t exportFrameCentiseconds = 15;

enum ExportedFile : uint32_t
{
    ExportedPng = 1,
    ExportedJson = 2,
    ExportedGif = 4,
};

// Encodes a rendered sheet (RGBA, top row first, sheetWidth x 4 bytes a row)
// drawn in the look and writes path.png, path.json and path.gif, each through
// a safe save and using scratch for the encoding. A file that cannot be
// written does not stop the others. Returns the ExportedFile bits of the files written.
uint32_t writeSpriteFiles(const SheetLayout* layout, const ExportLook* look, const uint8_t* sheet, const char* path,
                          Arena* scratch);

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
// thick lines are drawn with program (buildThickLineProgram).
void startSpriteExporter(SpriteExporter* exporter, Arena* block, uint32_t program);

// Draws every frame in the look into an offscreen framebuffer through the
// exporter's batch, reads the sheet back and writes the three files named
// path (no extension); a scale whose cells cannot fit gives way to the
// largest that does, and the log says so. Binds the window's framebuffer and
// a windowWidth x windowHeight viewport again. Returns the ExportedFile bits
// of the files written.
uint32_t exportAnimation(SpriteExporter* exporter, const Animation* animation, const ExportLook* look,
                         const char* path, int32_t windowWidth, int32_t windowHeight);
