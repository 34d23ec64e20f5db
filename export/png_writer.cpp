#include "export/png_writer.h"
#include <string.h>
#include <stb_image_write.h>
#include <zlib.h>

// Defined by stb_image_write's implementation but not declared in its header.
extern "C" unsigned char* stbi_write_png_to_mem(const unsigned char* pixels, int strideBytes, int width, int height,
                                                int components, int* length);

namespace {

const uint64_t alignment = 16;
// Each block keeps its size in a header, so that the last one can be given back.
const uint64_t headerBytes = 16;
const uint64_t blockOverhead = headerBytes + alignment - 1;
// The last level before zlib's lazy matching, which on a large sheet costs
// more than twice the time for a third smaller file.
const int compressionLevel = 3;
// zlib's deflate state at 15 window bits and memory level 8 (its documented
// 256 KiB, and the state record), in the blocks it asks for.
const uint64_t zlibWorkBytes = 320 << 10;
// PNG signature and the IHDR, IDAT and IEND chunks around the image data.
const uint64_t pngFramingBytes = 8 + 12 + 13 + 12 + 12;

Arena* current;

uint64_t roundUp(uint64_t n)
{
    return (n + alignment - 1) & ~(alignment - 1);
}

uint64_t blockSize(const void* block)
{
    uint64_t size;
    memcpy(&size, (const uint8_t*)block - headerBytes, sizeof size);
    return size;
}

// A 16-byte aligned window on the scratch, for the 32-bit tables in its blocks.
Arena alignedView(const Arena* scratch)
{
    uint64_t skip = (alignment - (uintptr_t)scratch->base % alignment) % alignment;
    Arena view = {};
    if (scratch->capacity < skip) return view;
    view.base = scratch->base + skip;
    view.capacity = scratch->capacity - skip;
    return view;
}

} // namespace

void* pngScratchAllocate(uint64_t size)
{
    if (!current || size > current->capacity) return nullptr;
    uint8_t* block = (uint8_t*)pushBytes(current, headerBytes + roundUp(size));
    if (!block) return nullptr;
    memcpy(block, &size, sizeof size);
    return block + headerBytes;
}

void pngScratchFree(void* block)
{
    if (!block || !current) return;
    uint8_t* start = (uint8_t*)block - headerBytes;
    if (start + headerBytes + roundUp(blockSize(block)) == current->base + current->used)
        current->used = (uint64_t)(start - current->base);
}

static voidpf zlibAllocate(voidpf, uInt items, uInt size)
{
    return pngScratchAllocate((uint64_t)items * size);
}

static void zlibFree(voidpf, voidpf block)
{
    pngScratchFree(block);
}

unsigned char* pngZlibCompress(unsigned char* data, int length, int* compressedLength, int)
{
    *compressedLength = 0;
    uLong count = length > 0 ? (uLong)length : 0;
    uLong bound = compressBound(count);
    uint8_t* out = (uint8_t*)pngScratchAllocate(bound);
    if (!out) return nullptr;
    z_stream stream = {};
    stream.zalloc = zlibAllocate;
    stream.zfree = zlibFree;
    if (deflateInit(&stream, compressionLevel) != Z_OK) return nullptr;
    stream.next_in = data;
    stream.avail_in = (uInt)count;
    stream.next_out = out;
    stream.avail_out = (uInt)bound;
    int status = deflate(&stream, Z_FINISH);
    deflateEnd(&stream);
    if (status != Z_STREAM_END) return nullptr;
    *compressedLength = (int)stream.total_out;
    return out;
}

uint64_t pngScratchBound(uint64_t filteredBytes, uint64_t rowBytes)
{
    // The filtered rows, one row being filtered, the compressed data, zlib's
    // state in five blocks, and the file; none given back in between.
    uint64_t compressed = compressBound((uLong)filteredBytes);
    return filteredBytes + rowBytes + compressed + zlibWorkBytes + pngFramingBytes + compressed +
           9 * blockOverhead + alignment;
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
    current = &view;
    // Line art's vertical strokes repeat the row above, which the Up filter
    // turns into zeros; choosing a filter per row would cost more than the rest.
    stbi_write_force_png_filter = 2;
    int length = 0;
    const uint8_t* png = stbi_write_png_to_mem(pixels, (int)stride, (int)width, (int)height, 4, &length);
    current = nullptr;
    // The file's bytes stay in the scratch until it is emptied again.
    scratch->used = scratch->capacity;
    if (!png) return nullptr;
    *size = (uint64_t)length;
    return png;
}
