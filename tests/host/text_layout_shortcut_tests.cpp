// Layout looks printable ASCII glyphs up by value, multiplies by the atlas's
// reciprocal sizes and skips the next character of a glyph without kerning
// pairs. These must give exactly what the plain walk gives: a first-equal
// search, a division, and a kerning lookup after every character.
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "text/font_atlas.h"
#include "text/text_layout.h"

namespace {

struct Quad
{
    float x0, u0, v1;
};

// The plain walk over one line of single-byte characters.
std::vector<Quad> plainLayout(const FontAtlas& atlas, const std::string& text, float x, float size)
{
    const FontAtlasHeader* h = atlas.header;
    auto glyphOf = [&](uint32_t codepoint) -> const Glyph& {
        for (uint32_t i = 0; i < h->glyphCount; ++i)
            if (atlas.codepoints[i] == codepoint) return atlas.glyphs[i];
        return atlas.glyphs[h->glyphCount - 1];
    };
    float k = size / (float)h->pixelHeight * h->scale;
    std::vector<Quad> quads;
    float pen = x;
    for (size_t i = 0; i < text.size(); ++i)
    {
        const Glyph& g = glyphOf((uint8_t)text[i]);
        bool first = i == 0;
        quads.push_back({first ? pen : pen + (float)g.leftSideBearing * k, (float)g.atlasX / (float)h->atlasWidth,
                         (float)(g.atlasY + g.height) / (float)h->atlasHeight});
        int32_t advance = g.advanceWidth - (first ? g.leftSideBearing : 0);
        const KernPair* pairs = (const KernPair*)((const uint8_t*)h + g.kernOffset);
        for (uint32_t p = 0; i + 1 < text.size() && p < g.kernCount; ++p)
            if (pairs[p].nextCodepoint == (uint8_t)text[i + 1])
            {
                advance += pairs[p].advance;
                break;
            }
        pen += (float)advance * k;
    }
    return quads;
}

TEST(TextLayoutShortcuts, GiveExactlyThePlainWalksQuads)
{
    std::vector<uint8_t> memory(5242880);
    Arena arena = {memory.size(), 0, memory.data()};
    const char* dejaVu = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
    FontAtlas atlas = fontAtlasFromArena(arena, buildFontAtlas(&arena, dejaVu, 24));
    ASSERT_NE(atlas.header, nullptr);
    ASSERT_TRUE(atlas.asciiInOrder);
    // Kerned pairs (AV, Te, Yo), Latin-1 and Latin-9 letters past ASCII, one outside the set.
    const std::string texts[] = {"AVAWATYa Te Yo.", "f\xE9te \xA4 na\xEFve", "~ }{|", "\x01\x7F"};
    for (const std::string& latin1 : texts)
    {
        std::string utf8;
        for (char c : latin1)
        {
            uint8_t b = (uint8_t)c;
            if (b < 0x80) utf8 += c;
            else utf8 += {(char)(0xC0 | b >> 6), (char)(0x80 | (b & 0x3F))};
        }
        std::vector<float> vertices(utf8.size() * 32);
        std::vector<uint32_t> indices(utf8.size() * 5);
        uint32_t quads = layoutText((const uint8_t*)utf8.data(), (uint32_t)utf8.size(), 30, 200, 18, &atlas,
                                    vertices.data(), indices.data(), 0, colorWhite);
        std::vector<Quad> expected = plainLayout(atlas, latin1, 30, 18);
        ASSERT_EQ(quads, expected.size()) << latin1;
        for (uint32_t q = 0; q < quads; ++q)
        {
            const float* corner = vertices.data() + q * 32;
            EXPECT_EQ(corner[0], expected[q].x0) << latin1 << " quad " << q;
            EXPECT_EQ(corner[6], expected[q].u0) << latin1 << " quad " << q;
            EXPECT_EQ(corner[3 * 8 + 7], expected[q].v1) << latin1 << " quad " << q;
        }
    }
}

} // namespace
