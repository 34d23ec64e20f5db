#pragma once
#include <stdint.h>

// A framebuffer object with one RGBA8 colour buffer, drawn into instead of the window.
struct OffscreenTarget
{
    uint32_t framebuffer;
    uint32_t colorBuffer;
    uint32_t width;
    uint32_t height;
};

// Creates a width x height target and leaves it bound for drawing and
// reading. On failure nothing is left created or bound and the record is all zero.
OffscreenTarget createOffscreenTarget(uint32_t width, uint32_t height);

// Copies the bound target's pixels, bottom row first, to destination, whose
// rows are rowLength pixels (of 4 bytes) apart. Waits for drawing to finish.
void readOffscreenPixels(const OffscreenTarget* target, uint8_t* destination, uint32_t rowLength);

// Binds the window's framebuffer again and deletes the target's GL objects.
void destroyOffscreenTarget(OffscreenTarget* target);
