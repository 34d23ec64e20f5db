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
const uint32_t replacement = 191; // the last glyph

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

// Heap memory, so the address sanitizer sees any write past the arena, and
// not zero, so whatever the build leaves unwritten shows.
struct FontArena
{
    std::vector<uint8_t> memory;
    Arena arena;
    explicit FontArena(uint64_t size = 5242880) : memory(size, 0xA5), arena{size, 0, memory.data()} {}
    uint32_t build(const char* path, uint32_t pixelHeight) { return buildFontAtlas(&arena, path, pixelHeight); }
};

struct StbFont
{
    std::vector<uint8_t> bytes;
    stbtt_fontinfo info, kernOnly; // kernOnly: the 'kern' table's answers, which the atlas keeps
    explicit StbFont(const char* path) : bytes(fileBytes(path))
    {
        stbtt_InitFont(&info, bytes.data(), 0);
        kernOnly = info;
        kernOnly.gpos = 0;
    }
    int glyph(uint32_t codepoint) { return stbtt_FindGlyphIndex(&info, (int)codepoint); }
};

const KernPair* pairsOf(const FontAtlas& atlas, const Glyph& g)
{
    return (const KernPair*)((const uint8_t*)atlas.header + g.kernOffset);
}

// A 24-pixel atlas against the rasteriser: the header's metrics; each glyph's
// box, rows stored bottom first and kerning pairs; its rectangle apart from all
// others by at least a pixel, a new shelf starting at the left just above the
// previous shelf's tallest glyph; no ink outside the glyphs. Counts the pairs.
void expectAtlasMatchesFont(const char* path, uint32_t* kernTotal)
{
    SCOPED_TRACE(path);
    FontArena font;
    ASSERT_EQ(font.build(path, 24), 1u);
    const FontAtlas atlas = fontAtlasFromArena(font.arena, 1);
    const FontAtlasHeader& header = *atlas.header;
    const uint32_t width = header.atlasWidth, height = header.atlasHeight;
    StbFont stb(path);
    int ascent, descent, lineGap;
    stbtt_GetFontVMetrics(&stb.info, &ascent, &descent, &lineGap);
    const float scale = 24.0f / (float)(ascent - descent);
    EXPECT_EQ((std::vector<int64_t>{header.glyphCount, header.pixelHeight, header.ascent, header.descent, header.lineGap}),
              (std::vector<int64_t>{192, 24, ascent, descent, lineGap}));
    EXPECT_FLOAT_EQ(header.scale, scale);
    EXPECT_EQ(atlas.codepoints[replacement], 0xFFFDu);

    std::vector<uint8_t> owner(width * height, 0);
    uint32_t shelfY = 0, shelfHeight = 0;
    *kernTotal = 0;
    for (uint32_t i = 0; i < 192; ++i)
    {
        const Glyph& g = atlas.glyphs[i];
        int index = stb.glyph(atlas.codepoints[i]), x0, y0, x1, y1, advance, bearing;
        stbtt_GetGlyphBitmapBoxSubpixel(&stb.info, index, scale, scale, 0, 0, &x0, &y0, &x1, &y1);
        stbtt_GetGlyphHMetrics(&stb.info, index, &advance, &bearing);
        ASSERT_EQ((std::vector<int64_t>{g.width, g.height, g.yOffset, g.advanceWidth, g.leftSideBearing}),
                  (std::vector<int64_t>{x1 - x0, y1 - y0, -y1, advance, bearing})) << i;
        ASSERT_LE(g.atlasX + g.width, width) << i;
        ASSERT_LE(g.atlasY + g.height, height) << i;

        std::vector<uint8_t> rendered(g.width * g.height + 1);
        stbtt_MakeGlyphBitmapSubpixel(&stb.info, rendered.data(), (int)g.width, (int)g.height, (int)g.width, scale,
                                      scale, 0, 0, index);
        for (uint32_t row = 0; row < g.height; ++row)
            ASSERT_EQ(memcmp(atlas.pixels + (g.atlasY + row) * width + g.atlasX,
                             rendered.data() + (g.height - 1 - row) * g.width, g.width), 0)
                << "glyph " << i << " row " << row;

        uint32_t found = 0;
        for (uint32_t j = 0; j < 192; ++j)
        {
            int kern = stbtt_GetGlyphKernAdvance(&stb.kernOnly, index, stb.glyph(atlas.codepoints[j]));
            if (kern == 0) continue;
            ASSERT_LT(found, g.kernCount) << i;
            EXPECT_EQ(pairsOf(atlas, g)[found].nextCodepoint, atlas.codepoints[j]) << i;
            EXPECT_EQ(pairsOf(atlas, g)[found++].advance, kern) << i;
        }
        EXPECT_EQ(found, g.kernCount) << i;
        *kernTotal += g.kernCount;

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
    }
    // Header, code points, glyphs, the pairs, then the pixels: only that block stays.
    EXPECT_EQ(header.pixelsOffset, 40 + 40 * 192 + 8 * *kernTotal);
    EXPECT_EQ(font.arena.used, header.pixelsOffset + width * height);
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
    const uint32_t cases[][3] = {{24, 256, 256}, {32, 512, 256}, {48, 512, 512}, {64, 1024, 512}, {96, 1024, 1024}};
    for (const auto& c : cases)
    {
        FontArena font;
        ASSERT_EQ(font.build(dejaVu, c[0]), 1u) << c[0];
        FontAtlas atlas = fontAtlasFromArena(font.arena, 1);
        EXPECT_EQ(atlas.header->atlasWidth, c[1]) << c[0];
        EXPECT_EQ(atlas.header->atlasHeight, c[2]) << c[0];
    }
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
        dejaVu, // at 200 pixels: 2048 x 1024 would not fit the 2 MiB block
    };
    for (const std::string& path : failing)
    {
        FontArena font;
        EXPECT_EQ(font.build(path.c_str(), path == dejaVu ? 200 : 24), 0u) << path;
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

// Counts a message in what the log gained since the watch began.
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
        {{'A'}, 'A', 1, nullptr},
        {{0xC3, 0xA9}, 0xE9, 2, nullptr},
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
        if (c.logged)
        {
            EXPECT_EQ(watch.count(c.logged), 1) << (int)c.bytes[0];
        }
    }
}

// DejaVu Sans at 24 pixels, built once for all layout tests.
const FontAtlas& sharedAtlas()
{
    static FontArena* font = new FontArena();
    static const FontAtlas atlas = fontAtlasFromArena(font->arena, font->build(dejaVu, 24));
    return atlas;
}

const Color tint = {0.1f, 0.2f, 0.3f, 0.4f};

class TextLayout : public ::testing::Test
{
protected:
    const FontAtlas& atlas = sharedAtlas();
    const float k = atlas.header ? atlas.header->scale : 0; // font units to pixels at size 24
    std::vector<float> vertices;
    std::vector<uint32_t> indices;

    void SetUp() override { ASSERT_NE(atlas.header, nullptr); }

    uint32_t layout(const std::string& text, float x = 100, float y = 500, const FontAtlas* with = &sharedAtlas())
    {
        vertices.assign(text.size() * 32 + 1, -1.0f);
        indices.assign(text.size() * 5, 0);
        return layoutText((const uint8_t*)text.data(), (uint32_t)text.size(), x, y, 24, with, vertices.data(),
                          indices.data(), 40, tint);
    }
    const Glyph& glyph(uint32_t codepoint) const
    {
        uint32_t i = 0;
        while (i < replacement && atlas.codepoints[i] != codepoint) ++i;
        return atlas.glyphs[i];
    }
    // Quad q as written: four corners (bottom-left, bottom-right, top-left, top-right) of x, y, colour, u, v.
    std::vector<float> quad(uint32_t q) const { return {vertices.begin() + q * 32, vertices.begin() + q * 32 + 32}; }
    // The quad glyph g must give with its left edge at x and the baseline at y.
    std::vector<float> expectedQuad(const Glyph& g, float x, float y) const
    {
        float w = (float)atlas.header->atlasWidth, h = (float)atlas.header->atlasHeight;
        float x1 = x + (float)g.width, y0 = y + (float)g.yOffset, y1 = y0 + (float)g.height;
        float u0 = (float)g.atlasX / w, u1 = (float)(g.atlasX + g.width) / w;
        float v0 = (float)g.atlasY / h, v1 = (float)(g.atlasY + g.height) / h;
        const float corners[4][4] = {{x, y0, u0, v0}, {x1, y0, u1, v0}, {x, y1, u0, v1}, {x1, y1, u1, v1}};
        std::vector<float> all;
        for (const auto& c : corners) all.insert(all.end(), {c[0], c[1], tint.r, tint.g, tint.b, tint.a, c[2], c[3]});
        return all;
    }
    // The quad's texels tell which glyph drew it.
    bool drewGlyph(uint32_t q, const Glyph& g) const
    {
        std::vector<float> expected = expectedQuad(g, 0, 0), actual = quad(q);
        return actual[6] == expected[6] && actual[31] == expected[31];
    }
};

TEST_F(TextLayout, EachCharacterIsOneQuadOfItsGlyphAndBadBytesTheReplacement)
{
    const Glyph& bad = atlas.glyphs[replacement];
    const struct { const char* text; std::vector<const Glyph*> glyphs; int invalid, leading; } cases[] = {
        {"\xC3\xA9", {&glyph(0xE9)}, 0, 0},
        {"\xE2\x82\xAC", {&glyph(0x20AC)}, 0, 0},
        {"\xC4\x80", {&bad}, 0, 0}, // U+0100 is outside the set
        // B is never reached; the bad byte is decoded as A's successor, then twice
        // per later iteration but the last.
        {"A\xFF" "B", {&glyph('A'), &bad, &bad}, 4, 0},
        {"\x80", {&bad}, 0, 1},
        // A sequence cut off by the end is one replacement that ends the walk.
        {"A\xE2\x82", {&glyph('A'), &bad}, 0, 0},
        {"\xF0\x9F\x98", {&bad}, 0, 0},
    };
    for (const auto& c : cases)
    {
        LogWatch watch;
        ASSERT_EQ(layout(c.text), c.glyphs.size()) << c.text;
        for (uint32_t q = 0; q < c.glyphs.size(); ++q) EXPECT_TRUE(drewGlyph(q, *c.glyphs[q])) << c.text << q;
        EXPECT_EQ(vertices[c.glyphs.size() * 32], -1.0f) << "nothing written after the quads";
        EXPECT_EQ(watch.count(invalidByteMessage), c.invalid) << c.text;
        EXPECT_EQ(watch.count(leadingByteMessage), c.leading) << c.text;
    }
}

TEST_F(TextLayout, GlyphsSitOnTheBaselineAndEachLineStartsAtThePen)
{
    const FontAtlasHeader& h = *atlas.header;
    const Glyph &a = glyph('A'), &b = glyph('B');
    ASSERT_NE(b.leftSideBearing, 0) << "needs a first glyph with a side bearing";
    float lineAdvance = (float)(h.ascent - h.descent + h.lineGap) * k;
    ASSERT_EQ(layout("BA\nB", 50, 300), 3u);
    // The first glyph of a line drops its side bearing; B and A have no kerning pair.
    EXPECT_EQ(quad(0), expectedQuad(b, 50, 300));
    float pen = 50.0f + (float)(b.advanceWidth - b.leftSideBearing) * k;
    EXPECT_EQ(quad(1), expectedQuad(a, pen + (float)a.leftSideBearing * k, 300));
    EXPECT_EQ(quad(2), expectedQuad(b, 50, 300 - lineAdvance));
    EXPECT_EQ(indices, (std::vector<uint32_t>{40, 41, 42, 43, ~0u, 44, 45, 46, 47, ~0u, 48, 49, 50, 51, ~0u, 0, 0,
                                              0, 0, 0}));

    // The widest line, and the height from the top of the first line to the bottom of the last.
    float widthBA = (float)(b.advanceWidth - b.leftSideBearing) * k + (float)a.advanceWidth * k;
    const struct { const char* text; float width, height; } cases[] = {
        {"", 0, 0}, {"BA\nB", widthBA, lineAdvance}, {"B\nBA", widthBA, lineAdvance}};
    for (const auto& c : cases)
    {
        float width = -1, height = -1, depth = -1;
        measureText(&atlas, (const uint8_t*)c.text, (uint32_t)strlen(c.text), 24, &width, &height, &depth);
        EXPECT_FLOAT_EQ(width, c.width) << c.text;
        EXPECT_FLOAT_EQ(height, (float)(h.ascent - h.descent) * k + c.height) << c.text;
        EXPECT_FLOAT_EQ(depth, height - (float)h.ascent * k) << c.text;
    }
}

TEST_F(TextLayout, KerningPairsAreTheFontsAndMoveTheNextGlyph)
{
    StbFont stb(dejaVu);
    for (const char* pair : {"AV", "To", "LT", "Ay"})
    {
        const Glyph& first = glyph((uint32_t)pair[0]);
        int expected = stbtt_GetGlyphKernAdvance(&stb.kernOnly, stb.glyph(pair[0]), stb.glyph(pair[1]));
        ASSERT_NE(expected, 0) << pair;
        const KernPair* pairs = pairsOf(atlas, first);
        const KernPair* found = std::find_if(pairs, pairs + first.kernCount,
                                             [&](const KernPair& p) { return p.nextCodepoint == (uint32_t)pair[1]; });
        ASSERT_NE(found, pairs + first.kernCount) << pair;
        EXPECT_EQ(found->advance, expected) << pair;

        // The second glyph starts where the unkerned pen would, moved by the pair.
        ASSERT_EQ(layout(pair, 100, 500), 2u);
        const Glyph& second = glyph((uint32_t)pair[1]);
        float pen = 100.0f + (float)(first.advanceWidth - first.leftSideBearing + expected) * k;
        EXPECT_FLOAT_EQ(quad(1)[0], pen + (float)second.leftSideBearing * k) << pair;
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
