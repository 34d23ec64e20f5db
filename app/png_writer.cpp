#include "app/png_writer.h"
#include <string.h>
#include <stb_image_write.h>

// Defined by stb_image_write's implementation but not declared in its header.
extern "C" unsigned char* stbi_write_png_to_mem(const unsigned char* pixels, int strideBytes, int width, int height,
                                                int components, int* length);

namespace {

const uint64_t alignment = 16;
// Each block keeps its size in a header of its own, so that it can be grown or given back.
const uint64_t headerBytes = 16;
// Blocks below this size (the compressor's hash chains, mostly) come from the
// top end of the scratch, so that the few large ones at the bottom can grow
// in place instead of leaving copies behind.
const uint64_t smallBlock = 64 * 1024;
// One block's header and rounding.
const uint64_t blockOverhead = headerBytes + alignment - 1;
// The compressor's hash table: 16384 pointers. Each of its chains grows to
// at most 23 entries, through blocks of 2, 5, 11 and 23 pointers plus 8
// bytes; with headers and rounding that is 432 bytes a chain.
const uint64_t hashHeadBytes = 16384 * 8;
const uint64_t hashChainBytes = 16384 * 432ull;

struct PngScratch
{
    Arena* arena;
    uint64_t topUsed;
};

PngScratch current;

uint64_t roundUp(uint64_t n)
{
    return (n + alignment - 1) & ~(alignment - 1);
}

uint64_t freeBytes()
{
    return current.arena->capacity - current.arena->used - current.topUsed;
}

uint64_t blockSize(const void* block)
{
    uint64_t size;
    memcpy(&size, (const uint8_t*)block - headerBytes, sizeof size);
    return size;
}

void setBlockSize(void* block, uint64_t size)
{
    memcpy((uint8_t*)block - headerBytes, &size, sizeof size);
}

bool isLastLarge(const void* block)
{
    const uint8_t* end = current.arena->base + current.arena->used;
    return (const uint8_t*)block < end && (const uint8_t*)block + roundUp(blockSize(block)) == end;
}

// A 16-byte aligned window on the scratch, for the pointers stb keeps in its blocks.
Arena alignedView(const Arena* scratch)
{
    uint64_t skip = (alignment - (uintptr_t)scratch->base % alignment) % alignment;
    Arena view = {};
    if (scratch->capacity < skip) return view;
    view.base = scratch->base + skip;
    view.capacity = (scratch->capacity - skip) & ~(alignment - 1);
    return view;
}

} // namespace

void* pngScratchAllocate(uint64_t size)
{
    if (!current.arena || size > current.arena->capacity) return nullptr;
    uint64_t bytes = headerBytes + roundUp(size);
    if (bytes > freeBytes()) return nullptr;
    uint8_t* block;
    if (size < smallBlock)
    {
        current.topUsed += bytes;
        block = current.arena->base + current.arena->capacity - current.topUsed;
    }
    else
    {
        block = current.arena->base + current.arena->used;
        current.arena->used += bytes;
    }
    block += headerBytes;
    setBlockSize(block, size);
    return block;
}

void pngScratchFree(void* block)
{
    if (block && isLastLarge(block)) current.arena->used -= headerBytes + roundUp(blockSize(block));
}

void* pngScratchReallocate(void* block, uint64_t newSize)
{
    if (!block) return pngScratchAllocate(newSize);
    uint64_t oldSize = blockSize(block);
    if (isLastLarge(block) && newSize >= smallBlock && newSize <= current.arena->capacity)
    {
        uint64_t oldBytes = roundUp(oldSize);
        uint64_t newBytes = roundUp(newSize);
        if (newBytes > oldBytes && newBytes - oldBytes > freeBytes()) return nullptr;
        current.arena->used = current.arena->used - oldBytes + newBytes;
        setBlockSize(block, newSize);
        return block;
    }
    void* moved = pngScratchAllocate(newSize);
    if (!moved) return nullptr;
    memcpy(moved, block, oldSize < newSize ? oldSize : newSize);
    pngScratchFree(block);
    return moved;
}

uint64_t pngScratchBound(uint64_t filteredBytes, uint64_t rowBytes)
{
    // Fixed-Huffman deflate spends at most 9 bits on a byte; output that does
    // not shrink is stored instead, in blocks of 32767 bytes with 5 of framing.
    uint64_t compressedMost = filteredBytes + filteredBytes / 8 + 16;
    uint64_t storedMost = filteredBytes + 5 * (filteredBytes / 32767 + 1) + 6;
    uint64_t filtered = filteredBytes + blockOverhead;
    uint64_t row = rowBytes + blockOverhead;
    uint64_t hashHeads = hashHeadBytes + blockOverhead;
    // The compressed stream doubles its room as it grows: at most twice its length.
    uint64_t stream = 2 * compressedMost + 16 + blockOverhead;
    uint64_t file = 57 + storedMost + blockOverhead;
    // While the stream is small its blocks come from the top end and are left behind.
    uint64_t smallStream = 2 * smallBlock + 32 * blockOverhead;
    // Slack for aligning the window on the scratch.
    return filtered + row + hashHeads + stream + file + hashChainBytes + smallStream + 2 * alignment;
}

const uint8_t* encodePng(Arena* scratch, const uint8_t* pixels, uint32_t width, uint32_t height, uint64_t stride,
                         uint64_t* size)
{
    *size = 0;
    uint64_t rowBytes = (uint64_t)width * 4;
    uint64_t filteredBytes = (uint64_t)height * (rowBytes + 1);
    // stb_image_write counts bytes in int.
    if (width == 0 || height == 0 || filteredBytes > INT32_MAX / 2 || stride > INT32_MAX) return nullptr;
    if (pngScratchBound(filteredBytes, rowBytes) > scratch->capacity) return nullptr;
    Arena view = alignedView(scratch);

    current = {&view, 0};
    int length = 0;
    const uint8_t* png = stbi_write_png_to_mem(pixels, (int)stride, (int)width, (int)height, 4, &length);
    current = {};
    // The file's bytes stay in the scratch until it is emptied again.
    scratch->used = scratch->capacity;
    if (!png || length <= 0) return nullptr;
    *size = (uint64_t)length;
    return png;
}
