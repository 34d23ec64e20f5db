#pragma once
// The renderer: retained render batches and the per-frame command list
// (this header), the shader programs, frame submission with one indexed draw
// per batch, and the offscreen framebuffer the export draws into.
#include <stdint.h>
#include "app/arena.h"

struct FontAtlas;

struct Color
{
    float r, g, b, a;
};

static const Color colorBlack = {0, 0, 0, 1};
static const Color colorWhite = {1, 1, 1, 1};
static const Color colorRed = {1, 0, 0, 1};
static const Color colorGreen = {0, 1, 0, 1};
static const Color colorBlue = {0, 0, 1, 1};
static const Color colorYellow = {1, 1, 0, 1};
static const Color colorCyan = {0, 1, 1, 1};
static const Color colorMagenta = {1, 0, 1, 1};
static const Color colorGrey25 = {0.25f, 0.25f, 0.25f, 1};
static const Color colorGrey50 = {0.5f, 0.5f, 0.5f, 1};
static const Color colorGrey75 = {0.75f, 0.75f, 0.75f, 1};

enum BatchKind : uint32_t
{
    Points = 2,
    LineStrips = 3,
    Rects = 4,
    Text = 5,
    // Thick polylines with round ends and joins and smooth edges (render/thick_lines.h).
    ThickLines = 6,
};

// LineStrips and Rects.
struct Draw
{
    float* points;
    uint32_t count;
    Color color;
};

struct PointDraw
{
    float* points;
    uint32_t count;
    float size;
    Color color;
};

struct TextDraw
{
    float x, y, z;
    Arena text;
    uint32_t length;
    float size;
    Color color;
};

static const uint64_t drawStride = 32;
static const uint64_t textDrawStride = 72;
static_assert(sizeof(Draw) <= drawStride && sizeof(PointDraw) <= drawStride, "draw slots are 32 bytes");
static_assert(sizeof(TextDraw) <= textDrawStride, "text draw slots are 72 bytes");

struct RenderBatch
{
    BatchKind kind;
    uint32_t drawCount;
    Arena draws;
    Arena vertexData;
    uint32_t vertexBuffer;
    uint32_t vertexBufferSize;
    uint32_t vertexBytesUsed;
    uint32_t nextVertexIndex;
    uint32_t indexBuffer;
    uint32_t indexBufferSize;
    uint32_t indexBytesUsed;
    uint32_t program;
    float* projection;
    uint32_t positionComponents;
    uint32_t colorComponents;
    uint32_t uvComponents;
    FontAtlas* font;
    uint32_t texture;
    // Sticky until resetBatch: a draw was refused this frame for lack of room.
    uint32_t overflowed;
    // Vertices and indices the draws appended this frame will expand to at
    // submission; kept so a push can be refused before it outgrows the buffers.
    uint32_t plannedVertexCount;
    uint32_t plannedIndexCount;
};

struct RenderCommandList
{
    uint32_t count;
    Arena commands;
    Arena scratch;
    // Sticky until resetCommandList: a command was refused for lack of room.
    uint32_t overflowed;
};

enum CommandType : uint32_t
{
    CommandClear = 0,
    CommandViewport = 1,
    CommandDrawBatch = 6,
};

// Appends a line strip (count points) or count rectangles (two corners each).
// A draw that would pass the draw list, the vertex data or what the GL buffers
// hold once expanded is refused whole and sets `overflowed`; so is every push
// below. The points are copied; the caller's array is not kept. A push whose
// form does not fit the batch's kind is ignored.
void pushDraw(RenderBatch* batch, const float* points, uint32_t count, Color color);
// Appends count squares of side size centred on the points (Points batches),
// or a polyline of width size through them (ThickLines batches).
void pushDraw(RenderBatch* batch, const float* points, uint32_t count, float size, Color color);
// Appends length UTF-8 bytes to draw with the pen starting at (x, y) on the baseline.
void pushText(RenderBatch* batch, float x, float y, const uint8_t* text, uint32_t length, float size, Color color);
// Empties the batch for a new frame; GL names and settings persist.
void resetBatch(RenderBatch* batch);

// What a batch can hold: its kind, the bytes of its draw list and of the
// points it copies, and the bytes of its GL vertex and index buffers.
struct BatchSize
{
    BatchKind kind;
    uint64_t drawListBytes;
    uint64_t vertexDataBytes;
    uint32_t vertexBufferSize;
    uint32_t indexBufferSize;
};

// The program's four batches. The GL buffers bound what one frame can draw:
// vertices of 6 floats (8 for text) and 4-byte indices.
static const BatchSize lineBatchSize = {LineStrips, 512 * drawStride, 8192, 24576, 4092};
static const BatchSize pointBatchSize = {Points, 512 * drawStride, 8192, 98304, 20480};
static const BatchSize rectBatchSize = {Rects, 64 * drawStride, 1024, 6144, 1280};
// Text: room for the prompt, the editor's labels and status line and the help
// panel together, 2048 bytes, each at most one glyph of 4 vertices and 5 indices.
static const BatchSize textBatchSize = {Text, 100 * textDrawStride, 2048, 2048 * 4 * 32, 2048 * 5 * 4};

// Carves the draw list and then the vertex data from arena and sets the
// batch up for its kind (Text batches get 2 texture components).
RenderBatch createRenderBatch(Arena* arena, BatchSize size, uint32_t program, float* projection);

// Command appends; a command that does not fit is refused and sets `overflowed`.
void pushClear(RenderCommandList* list, Color color);
void pushViewport(RenderCommandList* list, float x, float y, float width, float height);
void pushDrawBatch(RenderCommandList* list, RenderBatch* batch);
// Empties the commands and the scratch for a new frame.
void resetCommandList(RenderCommandList* list);

// Fills the row-major pixel-to-clip matrix for a client area. A zero or
// negative size (a minimised window) leaves the last valid matrix in place.
void computeScreenToNormalized(float matrix[16], int32_t clientWidth, int32_t clientHeight);
