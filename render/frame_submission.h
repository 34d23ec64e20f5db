#pragma once
#include <stdint.h>

struct RenderCommandList;

struct Texture
{
    uint32_t name;
    const uint8_t* pixels;
    uint32_t width;
    uint32_t height;
    uint32_t bitsPerPixel;
};

// Uploads pixels as a clamped, linearly filtered texture without mipmaps.
Texture createTexture(const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t bitsPerPixel);

// Turns the frame's commands into GL calls: one indexed draw per non-empty batch.
void submitFrame(RenderCommandList* list);
