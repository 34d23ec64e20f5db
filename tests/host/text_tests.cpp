#include <gtest/gtest.h>
#include <math.h>
#include <stb_truetype.h>
#include <string.h>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>
#include "fake_platform.h"
#include "character/status_line_and_labels.h"
#include "platform/log.h"
#include "text/font_atlas.h"
#include "text/text_layout.h"

namespace {

const char* const dejaVu = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
const char* const liberationSans = "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf";
const char* const freeSerifItalic = "/usr/share/fonts/truetype/freefont/FreeSerifItalic.ttf";
const uint32_t replacement = 191; // the last glyph

// Heap memory, so the address sanitizer sees any write past the arena, and
// not zero, so whatever the build leaves unwritten shows.
struct FontArena
{
    std::vector<uint8_t> memory;
    Arena arena;
    explicit FontArena(uint64_t size = 5242880) : memory(size, 0xA5), arena{size, 0, memory.data()} {}
    uint32_t build(const char* path, uint32_t pixelHeight) { return buildFontAtlas(&arena, path, pixelHeight); }
};

// stb's own answers; kernOnly gives the 'kern' table's pairs, which the atlas keeps.
struct StbFont
{
    std::string bytes;
    stbtt_fontinfo info, kernOnly;
    explicit StbFont(const char* path) : bytes(fileContents(path))
    {
        stbtt_InitFont(&info, (const uint8_t*)bytes.data(), 0);
        kernOnly = info;
        kernOnly.gpos = 0;
    }
    int glyph(uint32_t codepoint) { return stbtt_FindGlyphIndex(&info, (int)codepoint); }
    int kern(uint32_t first, uint32_t next) { return stbtt_GetGlyphKernAdvance(&kernOnly, glyph(first), glyph(next)); }
};

// An atlas against the rasteriser: the header's metrics and size; each glyph's
// metrics, bitmap (rows stored bottom first, nothing else inked) and kerning
// pairs; its rectangle apart from all others by at least a pixel.
// Characters outside the set then measure as the replacement glyph.
TEST(FontAtlas, MatchesTheRasteriserWithGlyphsApartAndTheReplacementForTheRest)
{
    // Liberation Sans kerns some letters before a space, the first code point, and at 40 pixels
    // widens the atlas and then heightens it; FreeSerif Italic, at 10, has GPOS pairs unlike its 'kern' pairs.
    const struct { const char* path; uint32_t pixels, atlasWidth, atlasHeight; } fonts[] = {
        {dejaVu, 24, 256, 256}, {liberationSans, 40, 512, 512}, {freeSerifItalic, 10, 256, 256}};
    for (const auto& [path, pixels, atlasWidth, atlasHeight] : fonts)
    {
        FontArena font;
        ASSERT_EQ(font.build(path, pixels), 1u);
        const FontAtlas atlas = fontAtlasFromArena(font.arena, 1);
        const FontAtlasHeader& header = *atlas.header;
        const uint32_t width = header.atlasWidth;
        StbFont stb(path);
        int ascent, descent, lineGap;
        stbtt_GetFontVMetrics(&stb.info, &ascent, &descent, &lineGap);
        const float scale = (float)pixels / (float)(ascent - descent);
        EXPECT_EQ((std::vector<int64_t>{header.glyphCount, header.pixelHeight, header.ascent, header.descent,
                                        header.lineGap, width, header.atlasHeight, atlas.codepoints[replacement]}),
                  (std::vector<int64_t>{192, pixels, ascent, descent, lineGap, atlasWidth, atlasHeight, 0xFFFD}));

        std::vector<uint8_t> expected(width * header.atlasHeight, 0);
        for (uint32_t i = 0; i < 192; ++i)
        {
            const Glyph& g = atlas.glyphs[i];
            int index = stb.glyph(atlas.codepoints[i]), w, h, x0, y0, advance, bearing;
            uint8_t* bitmap = stbtt_GetGlyphBitmapSubpixel(&stb.info, scale, scale, 0, 0, index, &w, &h, &x0, &y0);
            stbtt_GetGlyphHMetrics(&stb.info, index, &advance, &bearing);
            ASSERT_EQ((std::vector<int64_t>{g.width, g.height, g.yOffset, g.advanceWidth, g.leftSideBearing}),
                      (std::vector<int64_t>{w, h, -(y0 + h), advance, bearing})) << i;
            ASSERT_TRUE(g.atlasX + g.width <= width && g.atlasY + g.height <= header.atlasHeight) << i;
            for (int row = 0; bitmap && row < h; ++row)
                memcpy(&expected[(g.atlasY + row) * width + g.atlasX], bitmap + (h - 1 - row) * w, w);
            stbtt_FreeBitmap(bitmap, nullptr);

            const KernPair* pairs = (const KernPair*)((const uint8_t*)atlas.header + g.kernOffset);
            uint32_t found = 0;
            for (uint32_t j = 0; j < 192; ++j)
            {
                int kern = stb.kern(atlas.codepoints[i], atlas.codepoints[j]);
                if (kern == 0) continue;
                ASSERT_LT(found, g.kernCount) << i;
                EXPECT_EQ(pairs[found].nextCodepoint, atlas.codepoints[j]) << i;
                EXPECT_EQ(pairs[found++].advance, kern) << i;
            }
            EXPECT_EQ(found, g.kernCount) << i;

            for (uint32_t j = 0; j < i && g.width; ++j)
            {
                const Glyph& o = atlas.glyphs[j];
                EXPECT_TRUE(!o.width || o.atlasX + o.width < g.atlasX || g.atlasX + g.width < o.atlasX ||
                            o.atlasY + o.height < g.atlasY || g.atlasY + g.height < o.atlasY) << i << " touches " << j;
            }
        }
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), atlas.pixels));
        // The staging memory is given back: only the atlas stays.
        EXPECT_EQ(font.arena.used, header.pixelsOffset + expected.size());

        // Printable ASCII is found by its value; anything else without a glyph,
        // control characters too, draws the replacement glyph.
        ASSERT_TRUE(atlas.asciiInOrder);
        auto measured = [&](const char* text) {
            float w, h;
            measureText(&atlas, (const uint8_t*)text, (uint32_t)strlen(text), (float)pixels, &w, &h, nullptr);
            return w;
        };
        EXPECT_NE(measured("~"), measured("\xEF\xBF\xBD"));
        for (const char* text : {"\t", "\x01", "\x7F", "\xC2\x80", "\xF0\x9F\x98\x80"})
            EXPECT_EQ(measured(text), measured("\xEF\xBF\xBD")) << (int)(uint8_t)text[0];
        atlas.codepoints[0] = 0xFFFD; // no space first: ASCII is no longer found by its value
        EXPECT_FALSE(fontAtlasFromArena(font.arena, 1).asciiInOrder);
    }
}

TEST(FontAtlas, FailedBuildsLeaveNoAtlas)
{
    StbFont flat(dejaVu);
    memset(&flat.bytes[flat.info.hhea + 4], 0, 4); // ascender and descender 0: no line height to scale by
    const struct { std::string name, bytes; } files[] = {
        {"empty.ttf", ""},
        {"not_a_font.ttf", std::string(4096, 'x')},
        {"a_byte_late.ttf", fileContents(dejaVu).substr(1) + '\0'}, // its tables inside the file but no font header
        {"cut_directory.ttf", fileContents(dejaVu).substr(0, flat.bytes.find("maxp") + 8)}, // maxp's place cut off
        {"cut.ttf", fileContents(dejaVu).substr(0, flat.bytes.size() - 1)}, // its last table ends the file
        {"first_table_long.ttf", fileContents(dejaVu).replace(24, 4, 4, '\xFF')}, // the first table's length
        {"flat.ttf", flat.bytes},
    };
    TempFolder folder;
    std::vector<std::string> failing = {"/no/such/font.ttf", dejaVu}; // DejaVu at 200 pixels: 2048 x 1024 is too big
    for (const auto& f : files)
    {
        failing.push_back(std::string(folder.path) + "/" + f.name);
        std::ofstream(failing.back(), std::ios::binary) << f.bytes;
    }
    for (const std::string& path : failing)
    {
        FontArena font;
        EXPECT_TRUE(font.build(path.c_str(), path == dejaVu ? 200 : 24) == 0 && font.arena.used == 2 * 2097152) << path;
        EXPECT_EQ(fontAtlasFromArena(font.arena, 0).header, nullptr);
    }

    FontArena small(3 * 1024 * 1024);
    EXPECT_TRUE(small.build(dejaVu, 24) == 0 && small.arena.used == 0) << "the two regions do not fit";
}

// ---- UTF-8 and layout ----

const char* const leadingByteMessage = "UTF-8: the first character is not an ASCII or a leading byte.\n";
const char* const invalidByteMessage = "UTF-8: The character contains one or more invalid byte.\n";

// How often the log has gained the message since `from`.
int logged(uint64_t from, const char* message)
{
    std::string live((const char*)globalLog.data + from, globalLog.used - from);
    int found = 0;
    for (size_t at = live.find(message); at != std::string::npos; at = live.find(message, at + 1)) ++found;
    return found;
}

TEST(Utf8, DecodesValidInvalidAndCutOffSequences)
{
    const struct { std::vector<uint8_t> bytes; uint32_t codepoint; uint8_t length; int invalid, leading; } cases[] = {
        {{}, 0, 0, 0, 0},
        {{'A'}, 'A', 1, 0, 0},
        {{0xC3, 0xA9, 'x', 'x', 0xFF}, 0xE9, 2, 0, 0}, // a bad byte beyond the longest sequence is not looked at
        {{0xE2, 0x82, 0xAC, 'x'}, 0x20AC, 3, 0, 0},
        {{0xF0, 0x9F, 0x98, 0x80}, 0x1F600, 4, 0, 0},
        {{0xF4, 0x8F, 0xBF, 0xBF}, 0x10FFFF, 4, 0, 0},
        {{0x80}, 0, 0, 0, 1},
        {{0xC0, 0x80}, 0, 0, 1, 0},
        {{0xE2, 0x82, 0xF5}, 0, 0, 1, 0},
        {{0xF8, 0x80, 0x80, 0x80, 0x80}, 0, 0, 0, 0},
        // Cut off by the end: the rest of the text is one replacement character.
        {{0xE2, 0x82}, 0xFFFD, 2, 0, 0},
        {{0xF0}, 0xFFFD, 1, 0, 0},
    };
    for (const auto& c : cases)
    {
        // Exactly as long as the text, so a read past it trips the sanitizer.
        std::vector<uint8_t> exact(c.bytes);
        exact.shrink_to_fit();
        uint64_t start = globalLog.used;
        uint8_t length = 9;
        uint32_t codepoint = decodeUtf8(exact.data(), exact.size(), &length);
        EXPECT_EQ((std::vector<int64_t>{codepoint, length, logged(start, "UTF-8"), logged(start, invalidByteMessage),
                                        logged(start, leadingByteMessage)}),
                  (std::vector<int64_t>{c.codepoint, c.length, c.invalid + c.leading, c.invalid, c.leading}))
            << testing::PrintToString(c.bytes);
    }
}

// A hand-made atlas: 'A' (kerned -3 before 'V'), 'V' and the replacement
// glyph. At size 20 a baked pixel is 2 pixels and a font unit 1; lines are 20
// high and 22 apart; the ascent is 16.
struct HandAtlas
{
    FontAtlasHeader header = {0, 64, 32, 3, 10, 0.5f, 16, -4, 2};
    KernPair pairs[1] = {{'V', -3}};
    uint32_t codepoints[3] = {'A', 'V', 0xFFFD};
    Glyph glyphs[3] = {{0, 0, 3, 4, 2, 8, -1, 1, sizeof(FontAtlasHeader)},
                       {8, 16, 2, 5, 1, 6, 0, 0, 0},
                       {16, 0, 4, 4, 0, 10, 0, 0, 0}};
    FontAtlas atlas = {&header, codepoints, glyphs, nullptr, 0};
};

TEST(TextLayout, MeasuresTheWidestLineAndEveryLineBelowTheFirst)
{
    HandAtlas hand;
    // A line's first glyph drops its side bearing; an unknown
    // character is the replacement glyph; a bad byte is met once per byte left.
    const struct { const char* text; float width, height, depth; } cases[] = {
        {"", 0, 20, 4},
        {"A", 6, 20, 4},
        {"AV", 9, 20, 4},
        {"VA", 13, 20, 4},
        {"AA", 14, 20, 4},
        {"VA\nA", 13, 42, 26},
        {"A\nVV", 11, 42, 26},
        {"AV\n", 9, 42, 26},
        {"\xC3\xA9V", 16, 20, 4},
        {"\x80" "A", 20, 20, 4},
    };
    auto measure = [](const FontAtlas* atlas, const char* text) {
        std::vector<float> size(3, -1);
        measureText(atlas, (const uint8_t*)text, (uint32_t)strlen(text), 20, &size[0], &size[1], &size[2]);
        return size;
    };
    uint64_t start = globalLog.used;
    for (const auto& c : cases)
        EXPECT_EQ(measure(&hand.atlas, c.text), (std::vector<float>{c.width, c.height, c.depth})) << c.text;
    EXPECT_EQ(logged(start, leadingByteMessage), 3) << "the bad byte is met twice and looked at once as the next";
    // Without an atlas, or with one of no size or no glyphs, there is nothing to measure.
    EXPECT_EQ(measure(nullptr, "A"), std::vector<float>(3, 0));
    for (uint32_t FontAtlasHeader::*field : {&FontAtlasHeader::pixelHeight, &FontAtlasHeader::glyphCount,
                                             &FontAtlasHeader::atlasWidth, &FontAtlasHeader::atlasHeight})
    {
        HandAtlas broken;
        broken.header.*field = 0;
        EXPECT_EQ(measure(&broken.atlas, "A"), std::vector<float>(3, 0));
    }
}

TEST(TextLayout, QuadsStartEachLineAtThePenOneLineLower)
{
    HandAtlas hand;
    std::vector<float> vertices(3 * 32, -1);
    std::vector<uint32_t> indices(3 * 5, 1);
    const Color color = {0.25f, 0.5f, 0.75f, 0.125f};
    ASSERT_EQ(layoutText((const uint8_t*)"AV\nV", 4, 100, 200, 20, &hand.atlas, vertices.data(), indices.data(), 7,
                         color), 3u);
    // Per quad: x0, y0, x1, y1 and u0, v0, u1, v1 (texels over 64 x 32);
    // corners go x0 y0, x1 y0, x0 y1, x1 y1, each with the colour.
    const float quads[3][8] = {{100, 198, 106, 206, 0, 0, 3 / 64.0f, 4 / 32.0f},
                               {104, 200, 108, 210, 8 / 64.0f, 16 / 32.0f, 10 / 64.0f, 21 / 32.0f},
                               {100, 178, 104, 188, 8 / 64.0f, 16 / 32.0f, 10 / 64.0f, 21 / 32.0f}};
    std::vector<float> expected;
    for (const auto& e : quads)
        for (int corner = 0; corner < 4; ++corner)
            expected.insert(expected.end(), {e[corner & 1 ? 2 : 0], e[corner & 2 ? 3 : 1], 0.25f, 0.5f, 0.75f, 0.125f,
                                             e[corner & 1 ? 6 : 4], e[corner & 2 ? 7 : 5]});
    EXPECT_EQ(vertices, expected);
    const uint32_t end = 0xFFFFFFFFu;
    EXPECT_EQ(indices, (std::vector<uint32_t>{7, 8, 9, 10, end, 11, 12, 13, 14, end, 15, 16, 17, 18, end}));
}

// The status as text: a name too long to convert shows as typed; a name of
// control characters, each shown as three bytes, fills the buffer to its end
// and no further (no typed name comes near); a look as long as the buffer
// gives way to the status.
TEST(StatusLine, FormatsTheFactsWithinItsCapacity)
{
    std::vector<uint8_t> out(statusCapacity); // exactly, so a write past it trips the sanitizer
    const std::string controls(300, '\x01'), look(statusCapacity, 'x');
    StatusFacts facts = {1, 5, 2, 3, 1.499f, (const uint8_t*)"w", 1, nullptr, 0}; // a name of one letter
    uint32_t start = 0, end = 0;
    auto status = [&](int32_t modified) {
        return std::string((const char*)out.data(), formatStatus(out.data(), &facts, modified, &start, &end));
    };
    const std::string dot = " \xC2\xB7 ";
    facts.zoom = NAN, facts.polyline = 4;
    EXPECT_NE(status(0).find("head" + dot + "3 selected" + dot + "zoom 0.00" + dot + "w"), std::string::npos);
    facts.zoom = 1e30f;
    EXPECT_NE(status(0).find("zoom 10000000.00" + dot), std::string::npos);
    const std::string euros(200, '\x80'); // too long to convert: shown as typed
    facts.name = (const uint8_t*)euros.data(), facts.nameLength = 200;
    EXPECT_EQ(status(0).substr(start), euros);
    facts.name = (const uint8_t*)controls.data(), facts.nameLength = 300;
    EXPECT_TRUE(status(1).size() == statusCapacity && end == statusCapacity);
    facts.look = look.data(), facts.lookLength = statusCapacity - 1;
    EXPECT_EQ(status(0), look.substr(1));
    facts.lookLength = statusCapacity;
    EXPECT_EQ(status(0).substr(0, 6), "frame ");
}

} // namespace
