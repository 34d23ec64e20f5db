#include <gtest/gtest.h>
#include <stb_truetype.h>
#include <string.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>
#include "platform/log.h"
#include "text/font_atlas.h"
#include "text/text_layout.h"

namespace {

const char* const dejaVu = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
// FreeMono has a GPOS table but no 'kern' table.
const char* const freeMono = "/usr/share/fonts/truetype/freefont/FreeMono.ttf";
const uint64_t fontArenaSize = 5242880;
const uint64_t reservedOnFailure = 2 * 2097152;
const uint32_t glyphsBytesEnd = 40 + 4 * 192 + 36 * 192;

std::vector<uint8_t> fileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::string writeTemp(const char* name, const std::vector<uint8_t>& bytes)
{
    std::filesystem::path folder = std::filesystem::temp_directory_path() / "marionette_text_tests";
    std::filesystem::create_directories(folder);
    std::string path = (folder / name).string();
    std::ofstream(path, std::ios::binary).write((const char*)bytes.data(), (std::streamsize)bytes.size());
    return path;
}

// Heap memory, so the address sanitizer sees any write past the arena.
struct FontArena
{
    std::vector<uint8_t> memory;
    Arena arena;
    explicit FontArena(uint64_t size = fontArenaSize) : memory(size), arena{size, 0, memory.data()} {}
    uint32_t build(const char* path, uint32_t pixelHeight) { return buildFontAtlas(&arena, path, pixelHeight); }
};

struct StbFont
{
    std::vector<uint8_t> data;
    stbtt_fontinfo info;
    explicit StbFont(const char* path) : data(fileBytes(path))
    {
        stbtt_InitFont(&info, data.data(), stbtt_GetFontOffsetForIndex(data.data(), 0));
    }
};

const KernPair* kernPairs(const FontAtlas& atlas, const Glyph& glyph)
{
    return (const KernPair*)((const uint8_t*)atlas.header + glyph.kernOffset);
}

uint32_t indexOf(const FontAtlas& atlas, uint32_t codepoint)
{
    for (uint32_t i = 0; i < atlas.header->glyphCount; ++i)
        if (atlas.codepoints[i] == codepoint) return i;
    return UINT32_MAX;
}

TEST(FontAtlas, HeaderAndCharacterSet)
{
    FontArena font;
    ASSERT_EQ(font.build(dejaVu, 24), 1u);
    FontAtlas atlas = fontAtlasFromArena(font.arena, 1);
    const FontAtlasHeader& header = *atlas.header;
    StbFont stb(dejaVu);
    int ascent, descent, lineGap;
    stbtt_GetFontVMetrics(&stb.info, &ascent, &descent, &lineGap);

    EXPECT_EQ(header.glyphCount, 192u);
    EXPECT_EQ(header.pixelHeight, 24u);
    EXPECT_EQ(header.ascent, ascent);
    EXPECT_EQ(header.descent, descent);
    EXPECT_EQ(header.lineGap, lineGap);
    EXPECT_FLOAT_EQ(header.scale, 24.0f / (float)(ascent - descent));
    EXPECT_EQ(header.atlasWidth, 256u);
    EXPECT_EQ(header.atlasHeight, 256u);
    EXPECT_EQ(font.arena.used, header.pixelsOffset + 256u * 256u) << "only the compact block stays";

    std::vector<uint32_t> expected;
    for (uint32_t c = 0x20; c <= 0x7E; ++c) expected.push_back(c);
    for (uint32_t c = 0xA0; c <= 0xFF; ++c)
        if (c != 0xA4 && c != 0xA6 && c != 0xA8 && c != 0xB4 && c != 0xB8 && c != 0xBC && c != 0xBD && c != 0xBE)
            expected.push_back(c);
    for (uint32_t c : {0x20ACu, 0x160u, 0x161u, 0x17Du, 0x17Eu, 0x152u, 0x153u, 0x178u, 0xFFFDu}) expected.push_back(c);
    ASSERT_EQ(expected.size(), 192u);
    EXPECT_EQ(std::vector<uint32_t>(atlas.codepoints, atlas.codepoints + 192), expected);
}

// Every glyph's rectangle lies inside the atlas, apart from all others by at
// least a pixel, holds the rasteriser's rows bottom first, and nothing else
// in the atlas is inked.
void expectPackedGlyphs(const char* path, uint32_t pixelHeight)
{
    SCOPED_TRACE(std::string(path) + " at " + std::to_string(pixelHeight));
    FontArena font;
    ASSERT_EQ(font.build(path, pixelHeight), 1u);
    FontAtlas atlas = fontAtlasFromArena(font.arena, 1);
    const uint32_t width = atlas.header->atlasWidth, height = atlas.header->atlasHeight;
    StbFont stb(path);
    float scale = atlas.header->scale;
    std::vector<uint8_t> owner(width * height, 0);

    for (uint32_t i = 0; i < 192; ++i)
    {
        const Glyph& g = atlas.glyphs[i];
        int index = stbtt_FindGlyphIndex(&stb.info, (int)atlas.codepoints[i]);
        int x0, y0, x1, y1;
        stbtt_GetGlyphBitmapBoxSubpixel(&stb.info, index, scale, scale, 0, 0, &x0, &y0, &x1, &y1);
        ASSERT_EQ(g.width, (uint32_t)(x1 - x0)) << i;
        ASSERT_EQ(g.height, (uint32_t)(y1 - y0)) << i;
        EXPECT_EQ(g.yOffset, -y1) << i;
        ASSERT_LE(g.atlasX + g.width, width) << i;
        ASSERT_LE(g.atlasY + g.height, height) << i;

        std::vector<uint8_t> rendered(g.width * g.height + 1);
        stbtt_MakeGlyphBitmapSubpixel(&stb.info, rendered.data(), (int)g.width, (int)g.height, (int)g.width, scale,
                                      scale, 0, 0, index);
        for (uint32_t row = 0; row < g.height; ++row)
        {
            const uint8_t* atlasRow = atlas.pixels + (g.atlasY + row) * width + g.atlasX;
            const uint8_t* sourceRow = rendered.data() + (g.height - 1 - row) * g.width;
            ASSERT_EQ(memcmp(atlasRow, sourceRow, g.width), 0) << "glyph " << i << " row " << row;
        }
        // Claim the rectangle grown by the padding to the right and above:
        // a neighbour that overlaps or touches finds a claimed pixel.
        for (uint32_t y = g.atlasY; y < g.atlasY + g.height + (g.height ? 1 : 0) && y < height; ++y)
            for (uint32_t x = g.atlasX; x < g.atlasX + g.width + (g.width ? 1 : 0) && x < width; ++x)
            {
                bool inside = y < g.atlasY + g.height && x < g.atlasX + g.width;
                ASSERT_FALSE(owner[y * width + x] == 2 || (inside && owner[y * width + x])) << "glyph " << i;
                owner[y * width + x] = inside ? 2 : 1;
            }
    }
    for (uint32_t p = 0; p < width * height; ++p)
    {
        if (owner[p] == 2) continue;
        ASSERT_EQ(atlas.pixels[p], 0) << "stray ink at " << p;
    }
}

TEST(FontAtlas, GlyphsArePackedApartAndBottomRowFirst)
{
    expectPackedGlyphs(dejaVu, 24);
    expectPackedGlyphs(freeMono, 24);
    expectPackedGlyphs(dejaVu, 48);
}

TEST(FontAtlas, ShelvesStartAtTheLeftAboveTheTallestGlyph)
{
    FontArena font;
    ASSERT_EQ(font.build(dejaVu, 24), 1u);
    FontAtlas atlas = fontAtlasFromArena(font.arena, 1);
    uint32_t shelfY = 0, shelfHeight = 0, shelves = 1;
    for (uint32_t i = 0; i < 192; ++i)
    {
        const Glyph& g = atlas.glyphs[i];
        if (i > 0 && g.atlasY != shelfY)
        {
            EXPECT_EQ(g.atlasX, 0u) << i;
            EXPECT_EQ(g.atlasY, shelfY + shelfHeight + 1) << i;
            shelfY = g.atlasY;
            shelfHeight = 0;
            ++shelves;
        }
        else if (i > 0)
        {
            const Glyph& before = atlas.glyphs[i - 1];
            EXPECT_EQ(g.atlasX, before.atlasX + before.width + 1) << i;
        }
        shelfHeight = std::max(shelfHeight, g.height);
    }
    EXPECT_GT(shelves, 3u);
}

TEST(FontAtlas, LargerPixelHeightsGrowTheAtlasWidthFirst)
{
    const uint32_t heights[] = {24, 32, 48, 64, 96};
    const uint32_t sizes[][2] = {{256, 256}, {512, 256}, {512, 512}, {1024, 512}, {1024, 1024}};
    for (int i = 0; i < 5; ++i)
    {
        FontArena font;
        ASSERT_EQ(font.build(dejaVu, heights[i]), 1u) << heights[i];
        FontAtlas atlas = fontAtlasFromArena(font.arena, 1);
        EXPECT_EQ(atlas.header->atlasWidth, sizes[i][0]) << heights[i];
        EXPECT_EQ(atlas.header->atlasHeight, sizes[i][1]) << heights[i];
    }
    // 2048 x 1024 would not fit the 2 MiB block: refused, nothing written past it.
    FontArena font;
    EXPECT_EQ(font.build(dejaVu, 200), 0u);
    EXPECT_EQ(font.arena.used, reservedOnFailure);
}

TEST(FontAtlas, KerningPairsAreTheKernTablesNonZeroValuesInOrder)
{
    FontArena font;
    ASSERT_EQ(font.build(dejaVu, 24), 1u);
    FontAtlas atlas = fontAtlasFromArena(font.arena, 1);
    StbFont stb(dejaVu);
    stbtt_fontinfo kernTable = stb.info;
    kernTable.gpos = 0;

    uint64_t nextOffset = glyphsBytesEnd;
    uint32_t total = 0;
    for (uint32_t i = 0; i < 192; ++i)
    {
        const Glyph& g = atlas.glyphs[i];
        int left = stbtt_FindGlyphIndex(&stb.info, (int)atlas.codepoints[i]);
        std::vector<std::pair<uint32_t, int32_t>> expected, actual;
        for (uint32_t j = 0; j < 192; ++j)
        {
            int k = stbtt_GetGlyphKernAdvance(&kernTable, left,
                                              stbtt_FindGlyphIndex(&stb.info, (int)atlas.codepoints[j]));
            if (k != 0) expected.push_back({atlas.codepoints[j], k});
        }
        for (uint32_t p = 0; p < g.kernCount; ++p)
            actual.push_back({kernPairs(atlas, g)[p].nextCodepoint, kernPairs(atlas, g)[p].advance});
        ASSERT_EQ(actual, expected) << "glyph " << i;
        EXPECT_EQ(g.kernOffset, g.kernCount ? nextOffset : 0u) << "runs follow each other glyph by glyph";
        nextOffset += 8 * g.kernCount;
        total += g.kernCount;
    }
    EXPECT_GT(total, 100u);
    EXPECT_EQ(atlas.header->pixelsOffset, nextOffset);
}

TEST(FontAtlas, FontWithoutKernTableHasNoPairs)
{
    FontArena font;
    ASSERT_EQ(font.build(freeMono, 24), 1u);
    FontAtlas atlas = fontAtlasFromArena(font.arena, 1);
    for (uint32_t i = 0; i < 192; ++i)
    {
        EXPECT_EQ(atlas.glyphs[i].kernCount, 0u) << i;
        EXPECT_EQ(atlas.glyphs[i].kernOffset, 0u) << i;
    }
    EXPECT_EQ(atlas.header->pixelsOffset, glyphsBytesEnd);
}

// A copy of DejaVu Sans with the horizontal header's ascender and descender zeroed.
std::vector<uint8_t> fontWithoutLineHeight()
{
    std::vector<uint8_t> data = fileBytes(dejaVu);
    uint32_t tables = data[4] << 8 | data[5];
    for (uint32_t t = 0; t < tables; ++t)
    {
        const uint8_t* entry = data.data() + 12 + 16 * t;
        if (memcmp(entry, "hhea", 4) != 0) continue;
        uint32_t offset = entry[8] << 24 | entry[9] << 16 | entry[10] << 8 | entry[11];
        memset(data.data() + offset + 4, 0, 4);
    }
    return data;
}

TEST(FontAtlas, FailedBuildsLeaveNoAtlas)
{
    std::vector<uint8_t> dejaVuBytes = fileBytes(dejaVu);
    std::vector<uint8_t> cut(dejaVuBytes.begin(), dejaVuBytes.begin() + 100000);
    std::vector<uint8_t> tiny(dejaVuBytes.begin(), dejaVuBytes.begin() + 6);
    const std::string failing[] = {
        "/no/such/font.ttf",
        writeTemp("empty.ttf", {}),
        writeTemp("tiny.ttf", tiny),
        writeTemp("not_a_font.ttf", std::vector<uint8_t>(4096, 'x')),
        writeTemp("cut.ttf", cut),
        writeTemp("flat.ttf", fontWithoutLineHeight()),
    };
    for (const std::string& path : failing)
    {
        FontArena font;
        EXPECT_EQ(font.build(path.c_str(), 24), 0u) << path;
        EXPECT_EQ(font.arena.used, reservedOnFailure) << path;
        FontAtlas atlas = fontAtlasFromArena(font.arena, 0);
        EXPECT_EQ(atlas.header, nullptr);
        EXPECT_EQ(atlas.glyphs, nullptr);
    }

    FontArena small(3 * 1024 * 1024);
    EXPECT_EQ(small.build(dejaVu, 24), 0u) << "the two regions do not fit";
    EXPECT_EQ(small.arena.used, 0u);

    FontArena busy;
    busy.arena.used = 16;
    EXPECT_EQ(busy.build(dejaVu, 24), 0u) << "the block must start the arena";
    EXPECT_EQ(busy.arena.used, 16u);
}

// ---- UTF-8 and layout ----

const char* const leadingByteMessage = "UTF-8: the first character is not an ASCII or a leading byte.\n";
const char* const invalidByteMessage = "UTF-8: The character contains one or more invalid byte.\n";

struct LogWatch
{
    uint64_t start = globalLog.used;
    int count(const char* message) const
    {
        std::string live((const char*)globalLog.data + start, globalLog.used - start);
        int found = 0;
        for (size_t at = live.find(message); at != std::string::npos; at = live.find(message, at + 1)) ++found;
        return found;
    }
};

struct Decoded
{
    std::vector<uint8_t> bytes;
    uint32_t codepoint;
    uint8_t length;
    const char* logged;
};

TEST(Utf8, DecodesValidInvalidAndCutOffSequences)
{
    const Decoded cases[] = {
        {{'A'}, 0x41, 1, nullptr},
        {{0xC3, 0xA9}, 0xE9, 2, nullptr},
        {{0xE2, 0x82, 0xAC, 'x'}, 0x20AC, 3, nullptr},
        {{0xF0, 0x9F, 0x98, 0x80}, 0x1F600, 4, nullptr},
        {{0x80}, 0, 0, leadingByteMessage},
        {{0xFF}, 0, 0, invalidByteMessage},
        {{0xC0, 0x80}, 0, 0, invalidByteMessage},
        {{0xE2, 0x82, 0xF5}, 0, 0, invalidByteMessage},
        {{0xF8, 0x80, 0x80, 0x80, 0x80}, 0, 0, nullptr},
        // Cut off by the end: the rest of the text is one replacement character.
        {{0xE2, 0x82}, 0xFFFD, 2, nullptr},
        {{0xF0}, 0xFFFD, 1, nullptr},
    };
    for (const Decoded& c : cases)
    {
        // Exactly as long as the text, so a read past it trips the sanitizer.
        std::vector<uint8_t> exact(c.bytes);
        exact.shrink_to_fit();
        LogWatch watch;
        uint8_t length = 9;
        EXPECT_EQ(decodeUtf8(exact.data(), exact.size(), &length), c.codepoint) << (int)c.bytes[0];
        EXPECT_EQ(length, c.length) << (int)c.bytes[0];
        EXPECT_EQ(watch.count("UTF-8"), c.logged ? 1 : 0) << (int)c.bytes[0];
        EXPECT_EQ(watch.count(c.logged ? c.logged : "UTF-8"), c.logged ? 1 : 0) << (int)c.bytes[0];
    }
}

class TextLayout : public ::testing::Test
{
protected:
    static FontArena* font;
    static FontAtlas atlas;
    static float k;  // font units to pixels at size 24
    std::vector<float> vertices;
    std::vector<uint32_t> indices;

    static void SetUpTestSuite()
    {
        font = new FontArena();
        atlas = fontAtlasFromArena(font->arena, font->build(dejaVu, 24));
        k = atlas.header ? atlas.header->scale : 0;
    }
    static void TearDownTestSuite()
    {
        delete font;
        font = nullptr;
    }
    void SetUp() override { ASSERT_NE(atlas.header, nullptr); }

    uint32_t layout(const std::string& text, float x = 100, float y = 500, uint32_t firstVertex = 0,
                    Color color = colorWhite, const FontAtlas* with = &atlas)
    {
        vertices.assign(text.size() * 32, -1.0f);
        indices.assign(text.size() * 5, 7);
        return layoutText((const uint8_t*)text.data(), (uint32_t)text.size(), x, y, 24, with, vertices.data(),
                          indices.data(), firstVertex, color);
    }
    // Corner c (0 bottom-left, 1 bottom-right, 2 top-left, 3 top-right) of quad q.
    const float* corner(uint32_t q, uint32_t c) const { return vertices.data() + (q * 4 + c) * 8; }
    static const Glyph& glyph(uint32_t codepoint) { return atlas.glyphs[indexOf(atlas, codepoint)]; }
    // The quad's u0 tells which glyph drew it.
    bool drewGlyph(uint32_t q, uint32_t index) const
    {
        const Glyph& g = atlas.glyphs[index];
        return corner(q, 0)[6] == (float)g.atlasX / (float)atlas.header->atlasWidth &&
               corner(q, 3)[7] == (float)(g.atlasY + g.height) / (float)atlas.header->atlasHeight;
    }
    static int32_t kern(uint32_t left, uint32_t right)
    {
        const Glyph& g = glyph(left);
        for (uint32_t p = 0; p < g.kernCount; ++p)
            if (kernPairs(atlas, g)[p].nextCodepoint == right) return kernPairs(atlas, g)[p].advance;
        return 0;
    }
};
FontArena* TextLayout::font;
FontAtlas TextLayout::atlas;
float TextLayout::k;

TEST_F(TextLayout, TwoByteCharacterIsOneQuadOfItsOwnGlyph)
{
    EXPECT_EQ(layout("\xC3\xA9"), 1u);
    EXPECT_TRUE(drewGlyph(0, indexOf(atlas, 0xE9)));
    EXPECT_EQ(vertices[32], -1.0f) << "nothing written after the one quad";

    EXPECT_EQ(layout("\xE2\x82\xAC"), 1u);
    EXPECT_TRUE(drewGlyph(0, indexOf(atlas, 0x20AC)));
    EXPECT_EQ(layout("\xC4\x80"), 1u) << "U+0100 is outside the set";
    EXPECT_TRUE(drewGlyph(0, 191));
}

TEST_F(TextLayout, InvalidByteRepeatsTheReplacementForTheRemainingIterations)
{
    LogWatch watch;
    EXPECT_EQ(layout("A\xFF" "B"), 3u);
    EXPECT_TRUE(drewGlyph(0, indexOf(atlas, 'A')));
    EXPECT_TRUE(drewGlyph(1, 191));
    EXPECT_TRUE(drewGlyph(2, 191)) << "B is never reached";
    // Decoded as A's successor, then twice per later iteration but the last.
    EXPECT_EQ(watch.count(invalidByteMessage), 4);

    LogWatch lone;
    EXPECT_EQ(layout("\x80"), 1u);
    EXPECT_TRUE(drewGlyph(0, 191));
    EXPECT_EQ(lone.count(leadingByteMessage), 1);
}

TEST_F(TextLayout, CutOffSequenceEndsTheWalkWithOneReplacement)
{
    EXPECT_EQ(layout("A\xE2\x82"), 2u);
    EXPECT_TRUE(drewGlyph(0, indexOf(atlas, 'A')));
    EXPECT_TRUE(drewGlyph(1, 191));
    EXPECT_EQ(layout("\xF0\x9F\x98"), 1u);

    float width, height;
    measureText(&atlas, (const uint8_t*)"\xF0\x9F", 2, 24, &width, &height, nullptr);
    const Glyph& replacement = atlas.glyphs[191];
    EXPECT_FLOAT_EQ(width, (float)(replacement.advanceWidth - replacement.leftSideBearing) * k);
}

TEST_F(TextLayout, EmptyTextIsOneEmptyLine)
{
    float width = -1, height = -1, depth = -1;
    measureText(&atlas, (const uint8_t*)"", 0, 24, &width, &height, &depth);
    EXPECT_EQ(width, 0.0f);
    EXPECT_FLOAT_EQ(height, (float)(atlas.header->ascent - atlas.header->descent) * k);
    EXPECT_FLOAT_EQ(depth, (float)-atlas.header->descent * k);
    EXPECT_EQ(layout(""), 0u);
}

TEST_F(TextLayout, LineFeedStartsALineOneAdvanceLowerAtTheSameX)
{
    const Glyph& a = glyph('A');
    const Glyph& b = glyph('B');
    float lineHeight = (float)(atlas.header->ascent - atlas.header->descent) * k;
    float lineAdvance = (float)(atlas.header->ascent - atlas.header->descent + atlas.header->lineGap) * k;

    ASSERT_EQ(layout("A\nB", 100, 500), 2u);
    EXPECT_EQ(corner(0, 0)[0], 100.0f);
    EXPECT_EQ(corner(1, 0)[0], 100.0f);
    EXPECT_FLOAT_EQ(corner(0, 0)[1], 500.0f + (float)a.yOffset);
    EXPECT_FLOAT_EQ(corner(1, 0)[1], 500.0f - lineAdvance + (float)b.yOffset);

    float width, height, depth;
    measureText(&atlas, (const uint8_t*)"A\nB", 3, 24, &width, &height, &depth);
    float widthA = (float)(a.advanceWidth - a.leftSideBearing) * k;
    float widthB = (float)(b.advanceWidth - b.leftSideBearing) * k;
    EXPECT_FLOAT_EQ(width, std::max(widthA, widthB));
    EXPECT_FLOAT_EQ(height, lineHeight + lineAdvance);
    EXPECT_FLOAT_EQ(depth, height - (float)atlas.header->ascent * k);
}

TEST_F(TextLayout, FirstGlyphOfALineStartsAtThePenAndLaterOnesKern)
{
    const Glyph& b = glyph('B');
    ASSERT_NE(b.leftSideBearing, 0) << "needs a glyph with a side bearing";
    ASSERT_LT(kern('A', 'V'), 0);
    ASSERT_EQ(layout("BAV", 50, 300), 3u);
    EXPECT_EQ(corner(0, 0)[0], 50.0f);
    EXPECT_FLOAT_EQ(corner(0, 1)[0], 50.0f + (float)b.width);

    const Glyph& a = glyph('A');
    const Glyph& v = glyph('V');
    float penA = 50.0f + (float)(b.advanceWidth - b.leftSideBearing + kern('B', 'A')) * k;
    float penV = penA + (float)(a.advanceWidth + kern('A', 'V')) * k;
    EXPECT_FLOAT_EQ(corner(1, 0)[0], penA + (float)a.leftSideBearing * k);
    EXPECT_FLOAT_EQ(corner(2, 0)[0], penV + (float)v.leftSideBearing * k);

    float width, height;
    measureText(&atlas, (const uint8_t*)"BAV", 3, 24, &width, &height, nullptr);
    EXPECT_FLOAT_EQ(width, penV + (float)v.advanceWidth * k - 50.0f);
}

TEST_F(TextLayout, QuadsCarryColourTexelsAndStripIndices)
{
    Color color = {0.1f, 0.2f, 0.3f, 0.4f};
    ASSERT_EQ(layout("g \xC3\xA9", 0, 0, 40, color), 3u);
    const uint32_t expected[] = {40, 41, 42, 43, 0xFFFFFFFFu, 44, 45, 46, 47, 0xFFFFFFFFu, 48, 49, 50, 51, 0xFFFFFFFFu};
    EXPECT_EQ(std::vector<uint32_t>(indices.begin(), indices.begin() + 15), std::vector<uint32_t>(expected, expected + 15));

    const Glyph& g = glyph('g');
    EXPECT_LT(g.yOffset, 0) << "a descender reaches below the baseline";
    EXPECT_FLOAT_EQ(corner(0, 0)[1], (float)g.yOffset);
    EXPECT_EQ(corner(0, 3)[5], 0.4f);
    EXPECT_EQ(corner(0, 0)[7], (float)g.atlasY / 256.0f) << "v0 is the glyph's bottom edge";
    EXPECT_EQ(corner(1, 0)[0], corner(1, 3)[0]) << "the space is a quad of no size";
}

TEST_F(TextLayout, AnAtlasThatWasNotBuiltDrawsNothing)
{
    FontArena failedArena;
    FontAtlas failed = fontAtlasFromArena(failedArena.arena, failedArena.build("/no/such/font.ttf", 24));
    FontArena zeroArena;
    FontAtlas zeroHeight = fontAtlasFromArena(zeroArena.arena, zeroArena.build(dejaVu, 0));
    for (const FontAtlas* broken : {(const FontAtlas*)nullptr, (const FontAtlas*)&failed, (const FontAtlas*)&zeroHeight})
    {
        float width = -1, height = -1, depth = -1;
        measureText(broken, (const uint8_t*)"Hi\nthere", 8, 24, &width, &height, &depth);
        EXPECT_EQ(width, 0.0f);
        EXPECT_EQ(height, 0.0f);
        EXPECT_EQ(depth, 0.0f);
        EXPECT_EQ(layout("Hi\nthere", 0, 0, 0, colorWhite, broken), 0u);
        EXPECT_EQ(vertices[0], -1.0f);
    }
}

} // namespace
