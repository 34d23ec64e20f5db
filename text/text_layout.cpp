#include "text/text_layout.h"
#include <string.h>
#include "platform/log.h"
#include "text/font_atlas.h"

static bool neverInUtf8(uint8_t byte)
{
    return byte == 0xC0 || byte == 0xC1 || byte == 0xF5 || byte == 0xFF;
}

static uint8_t sequenceLength(uint8_t lead)
{
    if ((lead & 0xE0) == 0xC0) return 2;
    if ((lead & 0xF0) == 0xE0) return 3;
    if ((lead & 0xF8) == 0xF0) return 4;
    return 0;
}

uint32_t decodeUtf8(const uint8_t* bytes, uint64_t available, uint8_t* length)
{
    *length = 0;
    if (available == 0) return 0;
    uint8_t b0 = bytes[0];
    if (b0 < 0x80)
    {
        *length = 1;
        return b0;
    }
    if (b0 < 0xC0)
    {
        logString("UTF-8: the first character is not an ASCII or a leading byte.\n");
        return 0;
    }
    uint64_t inspected = available < 4 ? available : 4;
    for (uint64_t i = 0; i < inspected; ++i)
    {
        if (neverInUtf8(bytes[i]))
        {
            logString("UTF-8: The character contains one or more invalid byte.\n");
            return 0;
        }
    }
    uint8_t sequence = sequenceLength(b0);
    if (sequence == 0) return 0;
    // Cut off by the end of the text: the remaining bytes become one
    // replacement character, so the walk ends instead of meeting them again.
    if (sequence > available)
    {
        *length = (uint8_t)available;
        return 0xFFFD;
    }
    *length = sequence;
    if (sequence == 2) return (uint32_t)(b0 & 0x1F) << 6 | (bytes[1] & 0x3F);
    if (sequence == 3) return (uint32_t)(b0 & 0x0F) << 12 | (uint32_t)(bytes[1] & 0x3F) << 6 | (bytes[2] & 0x3F);
    return (uint32_t)(b0 & 0x07) << 18 | (uint32_t)(bytes[1] & 0x3F) << 12 | (uint32_t)(bytes[2] & 0x3F) << 6 |
           (bytes[3] & 0x3F);
}

// Requested pixels per baked pixel (bitmap) and per font unit (font).
struct TextScale
{
    float bitmap;
    float font;
    float lineHeight;
    float lineAdvance;
};

// False for an atlas that was never built: it has nothing to draw with.
static bool textScale(const FontAtlas* atlas, float size, TextScale* scale)
{
    if (!atlas || !atlas->header) return false;
    const FontAtlasHeader* header = atlas->header;
    if (header->pixelHeight == 0 || header->glyphCount == 0 || header->atlasWidth == 0 || header->atlasHeight == 0)
        return false;
    scale->bitmap = size / (float)header->pixelHeight;
    scale->font = scale->bitmap * header->scale;
    scale->lineHeight = (float)(header->ascent - header->descent) * scale->font;
    scale->lineAdvance = (float)(header->ascent - header->descent + header->lineGap) * scale->font;
    return true;
}

// The first equal code point, or the last glyph (the replacement character).
static const Glyph* findGlyph(const FontAtlas* atlas, uint32_t codepoint)
{
    if (atlas->asciiInOrder && codepoint - firstAscii < asciiCount) return &atlas->glyphs[codepoint - firstAscii];
    uint32_t count = atlas->header->glyphCount;
    for (uint32_t i = 0; i < count; ++i)
        if (atlas->codepoints[i] == codepoint) return &atlas->glyphs[i];
    return &atlas->glyphs[count - 1];
}

static int32_t kerning(const FontAtlas* atlas, const Glyph* glyph, uint32_t nextCodepoint)
{
    const KernPair* pairs = (const KernPair*)((const uint8_t*)atlas->header + glyph->kernOffset);
    for (uint32_t i = 0; i < glyph->kernCount; ++i)
        if (pairs[i].nextCodepoint == nextCodepoint) return pairs[i].advance;
    return 0;
}

// Most text is ASCII, which decodes to itself without a call.
static uint32_t decodeAt(const uint8_t* bytes, uint64_t available, uint8_t* length)
{
    if (available != 0 && bytes[0] < 0x80)
    {
        *length = 1;
        return bytes[0];
    }
    return decodeUtf8(bytes, available, length);
}

struct TextWalk
{
    const FontAtlas* atlas;
    const uint8_t* text;
    uint32_t length;
    uint32_t position;
    uint32_t iterations;
    bool firstOfLine;
};

struct TextStep
{
    bool lineBreak;
    bool firstOfLine;
    const Glyph* glyph;
    int32_t advance;
};

static TextWalk startWalk(const FontAtlas* atlas, const uint8_t* text, uint32_t length)
{
    TextWalk walk = {atlas, text, length, 0, 0, true};
    return walk;
}

// One character per call; false at the end. An invalid sequence has length 0
// and so meets the same bytes again until the iterations run out.
static bool walkText(TextWalk* walk, TextStep* step)
{
    if (walk->position >= walk->length || walk->iterations >= walk->length) return false;
    walk->iterations += 1;
    const uint8_t* at = walk->text + walk->position;
    step->lineBreak = *at == '\n';
    if (step->lineBreak)
    {
        walk->position += 1;
        walk->firstOfLine = true;
        return true;
    }

    uint8_t sequence;
    uint32_t codepoint = decodeAt(at, walk->length - walk->position, &sequence);
    const Glyph* glyph = findGlyph(walk->atlas, codepoint);
    step->glyph = glyph;
    step->firstOfLine = walk->firstOfLine;
    // The first glyph of a line starts at the pen, so its side bearing is dropped.
    step->advance = glyph->advanceWidth - (walk->firstOfLine ? glyph->leftSideBearing : 0);
    walk->firstOfLine = false;
    walk->position += sequence;

    bool followed = walk->iterations < walk->length && walk->position < walk->length;
    // An ASCII character decodes without a side effect, so a glyph without
    // kerning pairs skips it; anything else is decoded (and its errors logged) as ever.
    if (followed && walk->text[walk->position] != '\n' &&
        (glyph->kernCount != 0 || walk->text[walk->position] >= 0x80))
    {
        uint8_t nextSequence;
        uint32_t next = decodeAt(walk->text + walk->position, walk->length - walk->position, &nextSequence);
        step->advance += kerning(walk->atlas, glyph, next);
    }
    return true;
}

void measureText(const FontAtlas* atlas, const uint8_t* text, uint32_t length, float size, float* width,
                 float* height, float* depth)
{
    *width = 0;
    *height = 0;
    if (depth) *depth = 0;
    TextScale scale;
    if (!textScale(atlas, size, &scale)) return;

    float lineWidth = 0;
    *height = scale.lineHeight;
    TextWalk walk = startWalk(atlas, text, length);
    TextStep step;
    while (walkText(&walk, &step))
    {
        if (step.lineBreak)
        {
            *height += scale.lineAdvance;
            lineWidth = 0;
            continue;
        }
        lineWidth += (float)step.advance * scale.font;
        if (lineWidth > *width) *width = lineWidth;
    }
    if (depth) *depth = *height - (float)atlas->header->ascent * scale.font;
}

// Texture coordinates are texel positions over the atlas's size. Its sides
// are powers of two, whose reciprocals are exact, so multiplying gives the
// same bits as dividing at a fraction of the cost.
struct TexelScale
{
    float widthInverse;
    float heightInverse;
};

static TexelScale texelScale(const FontAtlasHeader* header)
{
    return {1.0f / (float)header->atlasWidth, 1.0f / (float)header->atlasHeight};
}

// u0, u1, v0, v1 of a glyph's box in the atlas.
static void glyphTexels(const Glyph* glyph, const TexelScale& texel, float uv[4])
{
    uv[0] = (float)glyph->atlasX * texel.widthInverse;
    uv[1] = (float)(glyph->atlasX + glyph->width) * texel.widthInverse;
    uv[2] = (float)glyph->atlasY * texel.heightInverse;
    uv[3] = (float)(glyph->atlasY + glyph->height) * texel.heightInverse;
}

// Position, colour and texture coordinates each go in as one piece.
static float* writeVertex(float* out, float x, float y, const float color[4], float u, float v)
{
    const float position[2] = {x, y};
    const float texel[2] = {u, v};
    memcpy(out, position, sizeof position);
    memcpy(out + 2, color, 4 * sizeof(float));
    memcpy(out + 6, texel, sizeof texel);
    return out + 8;
}

uint32_t layoutText(const uint8_t* text, uint32_t length, float x, float y, float size, const FontAtlas* atlas,
                    float* vertices, uint32_t* indices, uint32_t firstVertexIndex, Color color)
{
    TextScale scale;
    if (!textScale(atlas, size, &scale)) return 0;
    TexelScale texel = texelScale(atlas->header);
    const float rgba[4] = {color.r, color.g, color.b, color.a};

    float penX = x;
    float baseline = y;
    uint32_t quads = 0;
    uint32_t next = firstVertexIndex;
    TextWalk walk = startWalk(atlas, text, length);
    TextStep step;
    while (walkText(&walk, &step))
    {
        if (step.lineBreak)
        {
            penX = x;
            baseline -= scale.lineAdvance;
            continue;
        }
        const Glyph* glyph = step.glyph;
        quads += 1;
        float y0 = baseline + (float)glyph->yOffset * scale.bitmap;
        float y1 = y0 + (float)glyph->height * scale.bitmap;
        float x0 = step.firstOfLine ? penX : penX + (float)glyph->leftSideBearing * scale.font;
        float x1 = x0 + (float)glyph->width * scale.bitmap;
        penX += (float)step.advance * scale.font;

        float uv[4];
        glyphTexels(glyph, texel, uv);
        vertices = writeVertex(vertices, x0, y0, rgba, uv[0], uv[2]);
        vertices = writeVertex(vertices, x1, y0, rgba, uv[1], uv[2]);
        vertices = writeVertex(vertices, x0, y1, rgba, uv[0], uv[3]);
        vertices = writeVertex(vertices, x1, y1, rgba, uv[1], uv[3]);
        indices[0] = next;
        indices[1] = next + 1;
        indices[2] = next + 2;
        indices[3] = next + 3;
        indices[4] = 0xFFFFFFFFu;
        indices += 5;
        next += 4;
    }
    return quads;
}
