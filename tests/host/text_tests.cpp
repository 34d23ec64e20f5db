#include <gtest/gtest.h>
#include <stb_truetype.h>
#include <string.h>
#include <algorithm>
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
    explicit FontArena(uint64_t size = 5242880) : memory(size), arena{size, 0, memory.data()} {}
    uint32_t build(const char* path, uint32_t pixelHeight) { return buildFontAtlas(&arena, path, pixelHeight); }
};

uint32_t indexOf(const FontAtlas& atlas, uint32_t codepoint)
{
    for (uint32_t i = 0; i < atlas.header->glyphCount; ++i)
        if (atlas.codepoints[i] == codepoint) return i;
    return UINT32_MAX;
}

// Checks a 24-pixel atlas against the rasteriser: the header's metrics; each
// glyph's box and rows stored bottom first, its rectangle apart from all others
// by at least a pixel, a new shelf starting at the left just above the previous
// shelf's tallest glyph; no ink outside the glyphs. Counts the kerning pairs.
void expectAtlasMatchesFont(const char* path, uint32_t* kernTotal)
{
    SCOPED_TRACE(path);
    FontArena font;
    ASSERT_EQ(font.build(path, 24), 1u);
    const FontAtlas atlas = fontAtlasFromArena(font.arena, 1);
    const FontAtlasHeader& header = *atlas.header;
    const uint32_t width = header.atlasWidth, height = header.atlasHeight;
    std::vector<uint8_t> fontBytes = fileBytes(path);
    stbtt_fontinfo stb;
    stbtt_InitFont(&stb, fontBytes.data(), 0);
    int ascent, descent, lineGap;
    stbtt_GetFontVMetrics(&stb, &ascent, &descent, &lineGap);
    EXPECT_EQ(header.glyphCount, 192u);
    EXPECT_EQ(header.pixelHeight, 24u);
    EXPECT_EQ(header.ascent, ascent);
    EXPECT_EQ(header.descent, descent);
    EXPECT_EQ(header.lineGap, lineGap);
    const float scale = 24.0f / (float)(ascent - descent);
    EXPECT_FLOAT_EQ(header.scale, scale);
    EXPECT_EQ(font.arena.used, header.pixelsOffset + width * height) << "only the compact block stays";

    std::vector<uint8_t> owner(width * height, 0);
    uint32_t shelfY = 0, shelfHeight = 0;
    *kernTotal = 0;
    for (uint32_t i = 0; i < 192; ++i)
    {
        const Glyph& g = atlas.glyphs[i];
        int index = stbtt_FindGlyphIndex(&stb, (int)atlas.codepoints[i]), x0, y0, x1, y1;
        stbtt_GetGlyphBitmapBoxSubpixel(&stb, index, scale, scale, 0, 0, &x0, &y0, &x1, &y1);
        ASSERT_EQ(g.width, (uint32_t)(x1 - x0)) << i;
        ASSERT_EQ(g.height, (uint32_t)(y1 - y0)) << i;
        EXPECT_EQ(g.yOffset, -y1) << i;
        ASSERT_LE(g.atlasX + g.width, width) << i;
        ASSERT_LE(g.atlasY + g.height, height) << i;

        std::vector<uint8_t> rendered(g.width * g.height + 1);
        stbtt_MakeGlyphBitmapSubpixel(&stb, rendered.data(), (int)g.width, (int)g.height, (int)g.width, scale, scale,
                                      0, 0, index);
        for (uint32_t row = 0; row < g.height; ++row)
            ASSERT_EQ(memcmp(atlas.pixels + (g.atlasY + row) * width + g.atlasX,
                             rendered.data() + (g.height - 1 - row) * g.width, g.width), 0)
                << "glyph " << i << " row " << row;

        // Claim the rectangle grown by the padding to the right and above:
        // a neighbour that overlaps or touches finds a claimed pixel.
        for (uint32_t y = g.atlasY; y < g.atlasY + g.height + (g.height ? 1 : 0) && y < height; ++y)
            for (uint32_t x = g.atlasX; x < g.atlasX + g.width + (g.width ? 1 : 0) && x < width; ++x)
            {
                bool inside = y < g.atlasY + g.height && x < g.atlasX + g.width;
                ASSERT_FALSE(owner[y * width + x] == 2 || (inside && owner[y * width + x])) << "glyph " << i;
                owner[y * width + x] = inside ? 2 : 1;
            }
        if (g.atlasY != shelfY)
        {
            EXPECT_EQ(g.atlasX, 0u) << i;
            EXPECT_EQ(g.atlasY, shelfY + shelfHeight + 1) << i;
            shelfY = g.atlasY;
            shelfHeight = 0;
        }
        shelfHeight = std::max(shelfHeight, g.height);
        *kernTotal += g.kernCount;
    }
    EXPECT_EQ(header.pixelsOffset, glyphsBytesEnd + 8 * *kernTotal) << "the kerning pairs come before the pixels";
    for (uint32_t p = 0; p < width * height; ++p)
        ASSERT_TRUE(owner[p] == 2 || atlas.pixels[p] == 0) << "stray ink at " << p;
}

TEST(FontAtlas, MatchesTheRasteriserWithGlyphsPackedApart)
{
    uint32_t kernPairs = 0;
    expectAtlasMatchesFont(dejaVu, &kernPairs);
    EXPECT_GT(kernPairs, 100u);
    expectAtlasMatchesFont(freeMono, &kernPairs);
    EXPECT_EQ(kernPairs, 0u) << "pairs come from the 'kern' table only";
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

TEST(FontAtlas, FailedBuildsLeaveNoAtlas)
{
    std::vector<uint8_t> dejaVuBytes = fileBytes(dejaVu), flat = dejaVuBytes;
    stbtt_fontinfo info;
    stbtt_InitFont(&info, dejaVuBytes.data(), 0);
    memset(&flat[info.hhea + 4], 0, 4); // ascender and descender 0: no line height to scale by
    const std::string failing[] = {
        "/no/such/font.ttf",
        writeTemp("empty.ttf", {}),
        writeTemp("not_a_font.ttf", std::vector<uint8_t>(4096, 'x')),
        writeTemp("cut.ttf", std::vector<uint8_t>(dejaVuBytes.begin(), dejaVuBytes.begin() + 100000)),
        writeTemp("flat.ttf", flat),
    };
    for (const std::string& path : failing)
    {
        FontArena font;
        EXPECT_EQ(font.build(path.c_str(), 24), 0u) << path;
        EXPECT_EQ(font.arena.used, reservedOnFailure) << path;
        EXPECT_EQ(fontAtlasFromArena(font.arena, 0).header, nullptr);
    }

    FontArena small(3 * 1024 * 1024);
    EXPECT_EQ(small.build(dejaVu, 24), 0u) << "the two regions do not fit";
    EXPECT_EQ(small.arena.used, 0u);
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

TEST(Utf8, DecodesValidInvalidAndCutOffSequences)
{
    const struct { std::vector<uint8_t> bytes; uint32_t codepoint; uint8_t length; const char* logged; } cases[] = {
        {{0xE2, 0x82, 0xAC, 'x'}, 0x20AC, 3, nullptr},
        {{0xF0, 0x9F, 0x98, 0x80}, 0x1F600, 4, nullptr},
        {{0x80}, 0, 0, leadingByteMessage},
        {{0xC0, 0x80}, 0, 0, invalidByteMessage},
        {{0xE2, 0x82, 0xF5}, 0, 0, invalidByteMessage},
        {{0xF8, 0x80, 0x80, 0x80, 0x80}, 0, 0, nullptr},
        // Cut off by the end: the rest of the text is one replacement character.
        {{0xE2, 0x82}, 0xFFFD, 2, nullptr},
        {{0xF0}, 0xFFFD, 1, nullptr},
    };
    for (const auto& c : cases)
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

// DejaVu Sans at 24 pixels, built once for all layout tests.
const FontAtlas& sharedAtlas()
{
    static FontArena* font = new FontArena();
    static const FontAtlas atlas = fontAtlasFromArena(font->arena, font->build(dejaVu, 24));
    return atlas;
}

class TextLayout : public ::testing::Test
{
protected:
    const FontAtlas& atlas = sharedAtlas();
    const float k = atlas.header ? atlas.header->scale : 0; // font units to pixels at size 24
    std::vector<float> vertices;

    void SetUp() override { ASSERT_NE(atlas.header, nullptr); }

    uint32_t layout(const std::string& text, float x = 100, float y = 500, const FontAtlas* with = &sharedAtlas())
    {
        vertices.assign(text.size() * 32, -1.0f);
        std::vector<uint32_t> indices(text.size() * 5);
        return layoutText((const uint8_t*)text.data(), (uint32_t)text.size(), x, y, 24, with, vertices.data(),
                          indices.data(), 0, colorWhite);
    }
    // Corner c (0 bottom-left, 1 bottom-right, 2 top-left, 3 top-right) of quad q.
    const float* corner(uint32_t q, uint32_t c) const { return vertices.data() + (q * 4 + c) * 8; }
    const Glyph& glyph(uint32_t codepoint) const { return atlas.glyphs[indexOf(atlas, codepoint)]; }
    // The quad's texels tell which glyph drew it.
    bool drewGlyph(uint32_t q, uint32_t index) const
    {
        const Glyph& g = atlas.glyphs[index];
        return corner(q, 0)[6] == (float)g.atlasX / (float)atlas.header->atlasWidth &&
               corner(q, 3)[7] == (float)(g.atlasY + g.height) / (float)atlas.header->atlasHeight;
    }
};

TEST_F(TextLayout, MultiByteCharacterIsOneQuadOfItsOwnGlyph)
{
    EXPECT_EQ(layout("\xC3\xA9"), 1u);
    EXPECT_TRUE(drewGlyph(0, indexOf(atlas, 0xE9)));
    EXPECT_EQ(vertices[32], -1.0f) << "nothing written after the one quad";

    EXPECT_EQ(layout("\xE2\x82\xAC"), 1u);
    EXPECT_TRUE(drewGlyph(0, indexOf(atlas, 0x20AC)));
    EXPECT_EQ(layout("\xC4\x80"), 1u) << "U+0100 is outside the set";
    EXPECT_TRUE(drewGlyph(0, 191));
}

TEST_F(TextLayout, BadBytesDrawTheReplacementGlyph)
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

    // A sequence cut off by the end is one replacement that ends the walk.
    EXPECT_EQ(layout("A\xE2\x82"), 2u);
    EXPECT_TRUE(drewGlyph(1, 191));
    EXPECT_EQ(layout("\xF0\x9F\x98"), 1u);
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
    const FontAtlasHeader& h = *atlas.header;
    float lineAdvance = (float)(h.ascent - h.descent + h.lineGap) * k;
    ASSERT_EQ(layout("A\nB", 100, 500), 2u);
    EXPECT_EQ(corner(0, 0)[0], 100.0f);
    EXPECT_EQ(corner(1, 0)[0], 100.0f);
    EXPECT_FLOAT_EQ(corner(0, 0)[1], 500.0f + (float)glyph('A').yOffset);
    EXPECT_FLOAT_EQ(corner(1, 0)[1], 500.0f - lineAdvance + (float)glyph('B').yOffset);

    float width, height, depth;
    measureText(&atlas, (const uint8_t*)"A\nB", 3, 24, &width, &height, &depth);
    EXPECT_FLOAT_EQ(height, (float)(h.ascent - h.descent) * k + lineAdvance);
    EXPECT_FLOAT_EQ(depth, height - (float)h.ascent * k);
}

TEST_F(TextLayout, FirstGlyphOfALineStartsAtThePenWithoutItsSideBearing)
{
    const Glyph& b = glyph('B');
    ASSERT_NE(b.leftSideBearing, 0) << "needs a glyph with a side bearing";
    ASSERT_EQ(layout("BA\nB", 50, 300), 3u);
    EXPECT_EQ(corner(0, 0)[0], 50.0f);
    EXPECT_FLOAT_EQ(corner(0, 1)[0], 50.0f + (float)b.width);
    EXPECT_EQ(corner(2, 0)[0], 50.0f) << "and so does the first of the next line";
    EXPECT_GT(corner(1, 0)[0], corner(0, 1)[0]) << "later glyphs follow the pen";
}

TEST_F(TextLayout, KerningPairsAreTheFontsAndMoveTheNextGlyph)
{
    std::vector<uint8_t> fontBytes = fileBytes(dejaVu);
    stbtt_fontinfo stb;
    stbtt_InitFont(&stb, fontBytes.data(), 0);
    stb.gpos = 0; // the 'kern' table's answer, which the atlas keeps
    for (const char* pair : {"AV", "To", "LT", "Ay"})
    {
        const Glyph& first = glyph((uint32_t)pair[0]);
        int expected = stbtt_GetGlyphKernAdvance(&stb, stbtt_FindGlyphIndex(&stb, pair[0]),
                                                 stbtt_FindGlyphIndex(&stb, pair[1]));
        ASSERT_NE(expected, 0) << pair;
        const KernPair* pairs = (const KernPair*)((const uint8_t*)atlas.header + first.kernOffset);
        const KernPair* found = std::find_if(pairs, pairs + first.kernCount,
                                             [&](const KernPair& p) { return p.nextCodepoint == (uint32_t)pair[1]; });
        ASSERT_NE(found, pairs + first.kernCount) << pair;
        EXPECT_EQ(found->advance, expected) << pair;

        // The second glyph starts where the unkerned pen would, moved by the pair.
        ASSERT_EQ(layout(pair, 100, 500), 2u);
        const Glyph& second = glyph((uint32_t)pair[1]);
        float pen = 100.0f + (float)(first.advanceWidth - first.leftSideBearing + expected) * k;
        EXPECT_NEAR(corner(1, 0)[0], pen + (float)second.leftSideBearing * k, 0.51f) << pair;
    }
}

TEST_F(TextLayout, AnAtlasThatWasNotBuiltDrawsNothing)
{
    FontArena failedArena;
    FontAtlas failed = fontAtlasFromArena(failedArena.arena, failedArena.build("/no/such/font.ttf", 24));
    for (const FontAtlas* broken : {(const FontAtlas*)nullptr, (const FontAtlas*)&failed})
    {
        float width = -1, height = -1, depth = -1;
        measureText(broken, (const uint8_t*)"Hi\nthere", 8, 24, &width, &height, &depth);
        EXPECT_EQ((std::vector<float>{width, height, depth}), std::vector<float>(3, 0.0f));
        EXPECT_EQ(layout("Hi\nthere", 0, 0, broken), 0u);
        EXPECT_EQ(vertices[0], -1.0f);
    }
}

} // namespace
