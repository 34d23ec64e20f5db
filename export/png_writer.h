#pragma once
#include <stdint.h>
#include "app/arena.h"

// PNG encoding through stb_image_write with zlib's deflate, every allocation
// of both coming from a scratch arena instead of the heap.

// Scratch bytes encodePng needs for an image whose filtered rows take
// filteredBytes in all (height x (rowBytes + 1)), whatever its pixels are.
uint64_t pngScratchBound(uint64_t filteredBytes, uint64_t rowBytes);

// Encodes width x height RGBA pixels (rows stride bytes apart, top row first)
// as a PNG file in scratch, which it empties first. Returns the file's bytes
// and their count, or null when the scratch is smaller than pngScratchBound.
const uint8_t* encodePng(Arena* scratch, const uint8_t* pixels, uint32_t width, uint32_t height, uint64_t stride,
                         uint64_t* size);

// What stb_image_write is compiled with: blocks from the scratch encodePng
// works in (null when it is full; freeing gives back only the last block),
// and zlib for the image data.
void* pngScratchAllocate(uint64_t size);
void pngScratchFree(void* block);
unsigned char* pngZlibCompress(unsigned char* data, int length, int* compressedLength, int quality);
