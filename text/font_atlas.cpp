#include "text/font_atlas.h"
#include <string.h>
#include <stb_truetype.h>
#include "app/file_reading.h"
#include "platform/os.h"

static const uint64_t regionSize = 2097152;
static const uint32_t firstAtlasSide = 256;

static bool leftOutOfLatin1(uint32_t codepoint)
{
    switch (codepoint)
    {
    case 0xA4: case 0xA6: case 0xA8: case 0xB4: case 0xB8: case 0xBC: case 0xBD: case 0xBE: return true;
    default: return false;
    }
}

// The printable ISO 8859-15 repertoire, then the replacement character last:
// layout draws every unknown character with the last glyph.
static void writeCharacterSet(uint32_t* out)
{
    static const uint32_t latin9Extras[] = {0x20AC, 0x0160, 0x0161, 0x017D, 0x017E, 0x0152, 0x0153, 0x0178};
    uint32_t n = 0;
    for (uint32_t codepoint = 0x20; codepoint <= 0x7E; ++codepoint) out[n++] = codepoint;
    for (uint32_t codepoint = 0xA0; codepoint <= 0xFF; ++codepoint)
        if (!leftOutOfLatin1(codepoint)) out[n++] = codepoint;
    for (uint32_t codepoint : latin9Extras) out[n++] = codepoint;
    out[n++] = 0xFFFD;
}

static uint32_t readBigEndian32(const uint8_t* bytes)
{
    return (uint32_t)bytes[0] << 24 | (uint32_t)bytes[1] << 16 | (uint32_t)bytes[2] << 8 | bytes[3];
}

// stb_truetype trusts the table directory; a cut-off file would make it read
// past the buffer, so every table must lie inside the file before we open it.
static bool tablesInsideFile(const uint8_t* data, uint64_t size, int fontOffset)
{
    uint64_t directory = (uint64_t)fontOffset + 12;
    if (fontOffset < 0 || directory > size) return false;
    uint32_t tableCount = (uint32_t)data[fontOffset + 4] << 8 | data[fontOffset + 5];
    if (directory + 16 * (uint64_t)tableCount > size) return false;
    for (uint32_t i = 0; i < tableCount; ++i)
    {
        const uint8_t* entry = data + directory + 16 * i;
        if ((uint64_t)readBigEndian32(entry + 8) + readBigEndian32(entry + 12) > size) return false;
    }
    return true;
}

static bool openFont(stbtt_fontinfo* info, Arena font)
{
    // Enough for any font file's header, collection or not.
    if (font.used < 16) return false;
    int offset = stbtt_GetFontOffsetForIndex(font.base, 0);
    if (!tablesInsideFile(font.base, font.used, offset)) return false;
    return stbtt_InitFont(info, font.base, offset) != 0;
}

static bool writeHeader(FontAtlasHeader* header, const stbtt_fontinfo* info, uint32_t pixelHeight)
{
    int ascent, descent, lineGap;
    stbtt_GetFontVMetrics(info, &ascent, &descent, &lineGap);
    // Layout divides by the line height; a font without one cannot be used.
    if (ascent - descent <= 0) return false;
    header->glyphCount = atlasGlyphCount;
    header->pixelHeight = pixelHeight;
    header->scale = stbtt_ScaleForPixelHeight(info, (float)pixelHeight);
    header->ascent = ascent;
    header->descent = descent;
    header->lineGap = lineGap;
    return true;
}

struct GlyphSource
{
    const stbtt_fontinfo* info;
    const stbtt_fontinfo* kernTable;
    const uint32_t* codepoints;
    const int* glyphIndices;
    const bool* kerned;
    float scale;
};

// Marks the glyphs that start at least one pair of the 'kern' table, so the
// pair-by-pair lookup runs only for them (a third of the set in common
// fonts). Without room for the table every glyph is marked.
static void markKernedGlyphs(Arena* arena, const stbtt_fontinfo* kernTable, const int* glyphIndices, bool* kerned)
{
    uint64_t used = arena->used;
    int length = stbtt_GetKerningTableLength(kernTable);
    uint8_t* starts = (uint8_t*)pushBytes(arena, 65536 / 8);
    stbtt_kerningentry* entries = (stbtt_kerningentry*)pushBytes(arena, (uint64_t)length * sizeof(stbtt_kerningentry));
    if (!starts || !entries)
    {
        for (uint32_t i = 0; i < atlasGlyphCount; ++i) kerned[i] = true;
        arena->used = used;
        return;
    }
    memset(starts, 0, 65536 / 8);
    length = stbtt_GetKerningTable(kernTable, entries, length);
    for (int k = 0; k < length; ++k) starts[entries[k].glyph1 >> 3] |= (uint8_t)(1u << (entries[k].glyph1 & 7));
    for (uint32_t i = 0; i < atlasGlyphCount; ++i)
        kerned[i] = (starts[(glyphIndices[i] >> 3) & 0x1FFF] >> (glyphIndices[i] & 7)) & 1;
    arena->used = used;
}

static bool writeKernPairs(Arena* block, Glyph* glyph, GlyphSource source, int glyphIndex)
{
    uint64_t start = block->used;
    uint32_t count = 0;
    for (uint32_t j = 0; j < atlasGlyphCount; ++j)
    {
        int advance = stbtt_GetGlyphKernAdvance(source.kernTable, glyphIndex, source.glyphIndices[j]);
        if (advance == 0) continue;
        KernPair* pair = (KernPair*)pushBytes(block, sizeof(KernPair));
        if (!pair) return false;
        pair->nextCodepoint = source.codepoints[j];
        pair->advance = advance;
        ++count;
    }
    glyph->kernCount = count;
    glyph->kernOffset = count ? (uint32_t)start : 0;
    return true;
}

// Renders into a temporary buffer and stages the rows bottom first, the
// order in which the atlas stores them.
static bool stageBitmap(Arena* arena, Arena* staging, uint32_t* stagingOffset, const Glyph* glyph,
                        GlyphSource source, int glyphIndex)
{
    uint64_t size = (uint64_t)glyph->width * glyph->height;
    uint8_t* staged = (uint8_t*)pushBytes(staging, size);
    if (!staged) return false;
    *stagingOffset = (uint32_t)(staged - staging->base);
    if (size == 0) return true;

    uint8_t* rendered = (uint8_t*)pushBytes(arena, size);
    if (!rendered) return false;
    int width = (int)glyph->width;
    stbtt_MakeGlyphBitmapSubpixel(source.info, rendered, width, (int)glyph->height, width, source.scale,
                                  source.scale, 0, 0, glyphIndex);
    for (uint32_t row = 0; row < glyph->height; ++row)
        memcpy(staged + (uint64_t)row * width, rendered + (uint64_t)(glyph->height - 1 - row) * width, width);
    popBytes(arena, size);
    return true;
}

static bool bakeGlyph(Arena* arena, Arena* block, Arena* staging, Glyph* glyph, uint32_t* stagingOffset,
                      GlyphSource source, uint32_t i)
{
    int glyphIndex = source.glyphIndices[i];
    stbtt_GetGlyphHMetrics(source.info, glyphIndex, &glyph->advanceWidth, &glyph->leftSideBearing);
    int x0, y0, x1, y1;
    stbtt_GetGlyphBitmapBoxSubpixel(source.info, glyphIndex, source.scale, source.scale, 0, 0, &x0, &y0, &x1, &y1);
    glyph->width = (uint32_t)(x1 - x0);
    glyph->height = (uint32_t)(y1 - y0);
    glyph->yOffset = -y1;
    if (source.kerned[i] && !writeKernPairs(block, glyph, source, glyphIndex)) return false;
    return stageBitmap(arena, staging, stagingOffset, glyph, source, glyphIndex);
}

struct Shelf
{
    uint32_t x;
    uint32_t y;
    uint32_t height;
};

// Steps past glyph i (one pixel of padding) and starts a new shelf when the
// next glyph would not fit on this one.
static void advanceShelf(Shelf* shelf, const Glyph* glyphs, uint32_t i, uint32_t atlasWidth)
{
    shelf->x += glyphs[i].width + 1;
    if (glyphs[i].height > shelf->height) shelf->height = glyphs[i].height;
    if (i + 1 < atlasGlyphCount && shelf->x + glyphs[i + 1].width > atlasWidth)
    {
        shelf->y += shelf->height + 1;
        shelf->x = 0;
        shelf->height = 0;
    }
}

static bool glyphsFit(const Glyph* glyphs, uint32_t atlasWidth, uint32_t atlasHeight)
{
    Shelf shelf = {};
    for (uint32_t i = 0; i < atlasGlyphCount; ++i)
    {
        // A glyph wider than the atlas would spill into the next row.
        if (shelf.y + glyphs[i].height > atlasHeight || glyphs[i].width > atlasWidth) return false;
        advanceShelf(&shelf, glyphs, i, atlasWidth);
    }
    return true;
}

// Widens a square atlas first: 256 x 256, 512 x 256, 512 x 512, ...
static bool chooseAtlasSize(FontAtlasHeader* header, const Glyph* glyphs, uint64_t room)
{
    uint32_t width = firstAtlasSide;
    uint32_t height = firstAtlasSide;
    while (!glyphsFit(glyphs, width, height))
    {
        if (width > height) height *= 2;
        else width *= 2;
        if ((uint64_t)width * height > room) return false;
    }
    header->atlasWidth = width;
    header->atlasHeight = height;
    return true;
}

static void packGlyphs(uint8_t* pixels, uint32_t atlasWidth, Glyph* glyphs, const uint8_t* staging,
                       const uint32_t* stagingOffsets)
{
    Shelf shelf = {};
    for (uint32_t i = 0; i < atlasGlyphCount; ++i)
    {
        Glyph* glyph = &glyphs[i];
        glyph->atlasX = shelf.x;
        glyph->atlasY = shelf.y;
        const uint8_t* rows = staging + stagingOffsets[i];
        for (uint32_t row = 0; row < glyph->height; ++row)
            memcpy(pixels + (uint64_t)(shelf.y + row) * atlasWidth + shelf.x, rows + (uint64_t)row * glyph->width,
                   glyph->width);
        advanceShelf(&shelf, glyphs, i, atlasWidth);
    }
}

static bool bake(Arena* arena, Arena* block, Arena* staging, Arena font, uint32_t pixelHeight)
{
    stbtt_fontinfo info;
    if (!openFont(&info, font)) return false;

    FontAtlasHeader* header = (FontAtlasHeader*)pushBytes(block, sizeof(FontAtlasHeader));
    uint32_t* codepoints = (uint32_t*)pushBytes(block, atlasGlyphCount * sizeof(uint32_t));
    Glyph* glyphs = (Glyph*)pushBytes(block, atlasGlyphCount * sizeof(Glyph));
    // Only what the block will hold is cleared, not the whole region.
    memset(block->base, 0, block->used);
    writeCharacterSet(codepoints);
    if (!writeHeader(header, &info, pixelHeight)) return false;

    uint32_t* stagingOffsets = (uint32_t*)pushBytes(arena, atlasGlyphCount * sizeof(uint32_t));
    if (!stagingOffsets) return false;
    // One lookup per code point; the kerning loop reuses them for every pair.
    int glyphIndices[atlasGlyphCount];
    for (uint32_t i = 0; i < atlasGlyphCount; ++i) glyphIndices[i] = stbtt_FindGlyphIndex(&info, (int)codepoints[i]);
    // This stb_truetype prefers a font's GPOS table to its 'kern' table when
    // it has both; the atlas keeps the 'kern' pairs, which are also far quicker to look up.
    stbtt_fontinfo kernOnly = info;
    kernOnly.gpos = 0;
    bool kerned[atlasGlyphCount] = {};
    if (info.kern) markKernedGlyphs(arena, &kernOnly, glyphIndices, kerned);
    GlyphSource source = {&info, &kernOnly, codepoints, glyphIndices, kerned, header->scale};
    for (uint32_t i = 0; i < atlasGlyphCount; ++i)
        if (!bakeGlyph(arena, block, staging, &glyphs[i], &stagingOffsets[i], source, i)) return false;

    if (!chooseAtlasSize(header, glyphs, block->capacity - block->used)) return false;
    header->pixelsOffset = block->used;
    uint8_t* pixels = (uint8_t*)pushBytes(block, (uint64_t)header->atlasWidth * header->atlasHeight);
    if (!pixels) return false;
    memset(pixels, 0, (uint64_t)header->atlasWidth * header->atlasHeight);
    packGlyphs(pixels, header->atlasWidth, glyphs, staging->base, stagingOffsets);
    return true;
}

uint32_t buildFontAtlas(Arena* arena, const char* fontPath, uint32_t pixelHeight)
{
    // The block must start at the arena's base, where the atlas record looks for it.
    if (arena->used != 0) return 0;
    Arena block = subArena(arena, regionSize);
    Arena staging = subArena(arena, regionSize);
    if (!block.base || !staging.base)
    {
        arena->used = 0;
        return 0;
    }

    Arena font = readWholeFile(fontPath, false);
    bool built = font.base && bake(arena, &block, &staging, font, pixelHeight);
    // Only the build needs the file's bytes.
    if (font.base) osReleaseMemory(font.base, font.capacity);
    arena->used = built ? block.used : 2 * regionSize;
    return built ? 1 : 0;
}

FontAtlas fontAtlasFromArena(Arena arena, uint32_t built)
{
    FontAtlas atlas = {};
    if (!built || !arena.base) return atlas;
    atlas.header = (FontAtlasHeader*)arena.base;
    atlas.codepoints = (uint32_t*)(arena.base + sizeof(FontAtlasHeader));
    atlas.glyphs = (Glyph*)(arena.base + sizeof(FontAtlasHeader) + atlas.header->glyphCount * sizeof(uint32_t));
    atlas.pixels = arena.base + atlas.header->pixelsOffset;
    atlas.asciiInOrder = atlas.header->glyphCount > asciiCount;
    for (uint32_t i = 0; i < asciiCount && atlas.asciiInOrder; ++i)
        atlas.asciiInOrder = atlas.codepoints[i] == firstAscii + i;
    return atlas;
}
