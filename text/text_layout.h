#pragma once
#include <stdint.h>
#include "render/render_batch.h"

struct FontAtlas;

// Decodes one character at bytes (available bytes up to the end of the text).
// length is 0 for an invalid sequence. Never reads past available.
uint32_t decodeUtf8(const uint8_t* bytes, uint64_t available, uint8_t* length);

// Size of a text at a pixel size; depth (may be null) is from the first
// baseline down to the bottom of the last line.
void measureText(const FontAtlas* atlas, const uint8_t* text, uint32_t length, float size, float* width,
                 float* height, float* depth);

// Writes one quad (4 vertices of x, y, r, g, b, a, u, v and 5 indices) per
// character; the areas must hold length quads. Returns the number of quads.
uint32_t layoutText(const uint8_t* text, uint32_t length, float x, float y, float size, const FontAtlas* atlas,
                    float* vertices, uint32_t* indices, uint32_t firstVertexIndex, Color color);
