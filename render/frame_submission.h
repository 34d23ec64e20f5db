#pragma once
#include <stdint.h>
#include "app/arena.h"

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

struct RenderBatch;

// Makes the batch's program current with its projection, and binds its
// vertex and index buffers (made at first use) emptied for this frame's data.
void useBatchProgramAndBuffers(RenderBatch* batch);

// Points the program's named float attribute, if it reads one, into the bound
// vertex buffer at offset, one vertex every stride bytes.
void setAttribute(uint32_t program, const char* name, uint32_t components, uint64_t stride, uint64_t offset);

// Whether the bytes a draw record names lie inside the batch's copied data;
// only such a record is trusted. No bytes always do.
bool insideVertexData(const RenderBatch* batch, const void* data, uint64_t bytes);

// Turns the frame's commands into GL calls: one indexed draw per non-empty batch.
void submitFrame(RenderCommandList* list);

// The bytes of the frame last shown: its commands and, for each batch drawn,
// the batch record, its projection, draw list and copied points. `bytes` is
// fixed room carved at start; a frame that does not fit is never "the same".
struct ShownFrame
{
    Arena bytes;
    uint64_t length;
    uint32_t valid;
};

// The room carved for it: the program's batches hold about 60 KiB at most,
// so that a batch added later still fits.
static const uint64_t shownFrameBytes = 256ull << 10;

// Whether the list would draw byte for byte what shown holds; when it would
// not, shown takes this frame's bytes. Reads the list, calls no GL.
bool sameAsShownFrame(const RenderCommandList* list, ShownFrame* shown);
