#pragma once
// Text: the glyph atlas baked once from a TrueType font (this header), and
// UTF-8 decoding, measuring and layout into textured quads.
#include <stdint.h>
#include "app/arena.h"

// Header at the start of the atlas block; offsets count from the block's first byte.
struct FontAtlasHeader
{
    uint64_t pixelsOffset;
    uint32_t atlasWidth;
    uint32_t atlasHeight;
    uint32_t glyphCount;
    uint32_t pixelHeight;
    float scale;
    int32_t ascent;
    int32_t descent;
    int32_t lineGap;
};
static_assert(sizeof(FontAtlasHeader) == 40, "the atlas header is 40 bytes");

struct Glyph
{
    uint32_t atlasX;
    uint32_t atlasY;
    uint32_t width;
    uint32_t height;
    int32_t leftSideBearing;
    int32_t advanceWidth;
    int32_t yOffset;
    uint32_t kernCount;
    uint32_t kernOffset;
};
static_assert(sizeof(Glyph) == 36, "a glyph is 36 bytes");

struct KernPair
{
    uint32_t nextCodepoint;
    int32_t advance;
};

struct FontAtlas
{
    FontAtlasHeader* header;
    uint32_t* codepoints;
    Glyph* glyphs;
    uint8_t* pixels;
    // Code points 0x20..0x7E are the first glyphs, in order: a printable
    // ASCII character's glyph is found by its value instead of a search.
    int32_t asciiInOrder;
};

static const uint32_t atlasGlyphCount = 192;
static const uint32_t firstAscii = 0x20;
static const uint32_t asciiCount = 95;

// Bakes the 192-character atlas from a TrueType file into the (empty) arena.
// Returns 0 if the font cannot be read or opened; the arena keeps what it reserved.
uint32_t buildFontAtlas(Arena* arena, const char* fontPath, uint32_t pixelHeight);

// The record for a built atlas. After a failed build header is null, and
// measuring and layout then treat every text as empty.
FontAtlas fontAtlasFromArena(Arena arena, uint32_t built);
