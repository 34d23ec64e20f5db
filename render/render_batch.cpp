#include "render/render_batch.h"
#include <string.h>

namespace {

// What one draw costs: its slot, its copied data and what it expands to.
struct DrawCost
{
    uint64_t dataBytes;
    uint64_t vertices;
    uint64_t indices;
};

uint64_t floatsPerVertex(const RenderBatch* batch)
{
    return (uint64_t)batch->positionComponents + batch->colorComponents + batch->uvComponents;
}

DrawCost costOfPoints(const RenderBatch* batch, uint32_t count)
{
    uint64_t pointBytes = (uint64_t)batch->positionComponents * 4;
    switch (batch->kind)
    {
    case Points: return {count * pointBytes, count * 4ull, count * 5ull};
    case LineStrips: return {count * pointBytes, count, count + 1ull};
    case Rects: return {count * 2 * pointBytes, count * 4ull, count * 5ull};
    case ThickLines:
    {
        uint64_t segments = count > 1 ? count - 1ull : count;
        return {count * pointBytes, segments * 4, segments * 5};
    }
    default: return {count * pointBytes, 0, 0};
    }
}

// A text can become at most one quad per byte.
DrawCost costOfText(uint32_t length)
{
    return {length, length * 4ull, length * 5ull};
}

// Takes the draw's slot and data room, or refuses the whole draw.
bool reserveDraw(RenderBatch* batch, uint64_t slotBytes, DrawCost cost, void** slot, void** data)
{
    uint64_t vertexBytes = floatsPerVertex(batch) * 4;
    uint64_t vertexRoom = vertexBytes ? batch->vertexBufferSize / vertexBytes : 0;
    uint64_t indexRoom = batch->indexBufferSize / 4;
    uint64_t vertices = batch->plannedVertexCount + cost.vertices;
    uint64_t indices = batch->plannedIndexCount + cost.indices;
    bool fits = batch->draws.capacity - batch->draws.used >= slotBytes &&
                batch->vertexData.capacity - batch->vertexData.used >= cost.dataBytes && vertices <= vertexRoom &&
                indices <= indexRoom && batch->positionComponents >= 2;
    if (!fits)
    {
        batch->overflowed = 1;
        return false;
    }
    *slot = pushBytes(&batch->draws, slotBytes);
    *data = pushBytes(&batch->vertexData, cost.dataBytes);
    batch->plannedVertexCount = (uint32_t)vertices;
    batch->plannedIndexCount = (uint32_t)indices;
    batch->drawCount += 1;
    return true;
}

void copyBytes(void* to, const void* from, uint64_t n)
{
    if (n) memcpy(to, from, n);
}

// Slots are written whole, padding zeroed, without assuming their alignment.
void writeSlot(void* slot, uint64_t slotBytes, const void* record, uint64_t recordBytes)
{
    memset(slot, 0, slotBytes);
    memcpy(slot, record, recordBytes);
}

void pushCommand(RenderCommandList* list, uint32_t type, const void* payload, uint64_t payloadBytes)
{
    uint8_t* at = (uint8_t*)pushBytes(&list->commands, 4 + payloadBytes);
    if (!at)
    {
        list->overflowed = 1;
        return;
    }
    memcpy(at, &type, 4);
    memcpy(at + 4, payload, payloadBytes);
    list->count += 1;
}

} // namespace

void pushDraw(RenderBatch* batch, const float* points, uint32_t count, Color color)
{
    if (batch->kind == Points || batch->kind == Text) return;
    DrawCost cost = costOfPoints(batch, count);
    void* slot;
    void* data;
    if (!reserveDraw(batch, drawStride, cost, &slot, &data)) return;
    copyBytes(data, points, cost.dataBytes);
    Draw draw;
    memset(&draw, 0, sizeof draw); // its tail padding too, so equal draws have equal bytes
    draw.points = (float*)data;
    draw.count = count;
    draw.color = color;
    writeSlot(slot, drawStride, &draw, sizeof draw);
}

void pushDraw(RenderBatch* batch, const float* points, uint32_t count, float size, Color color)
{
    if (batch->kind != Points && batch->kind != ThickLines) return;
    DrawCost cost = costOfPoints(batch, count);
    void* slot;
    void* data;
    if (!reserveDraw(batch, drawStride, cost, &slot, &data)) return;
    copyBytes(data, points, cost.dataBytes);
    PointDraw draw;
    memset(&draw, 0, sizeof draw);
    draw.points = (float*)data;
    draw.count = count;
    draw.size = size;
    draw.color = color;
    writeSlot(slot, drawStride, &draw, sizeof draw);
}

void pushText(RenderBatch* batch, float x, float y, const uint8_t* text, uint32_t length, float size, Color color)
{
    if (batch->kind != Text) return;
    void* slot;
    void* data;
    if (!reserveDraw(batch, textDrawStride, costOfText(length), &slot, &data)) return;
    copyBytes(data, text, length);
    TextDraw draw;
    memset(&draw, 0, sizeof draw);
    draw.x = x;
    draw.y = y;
    draw.z = 0;
    draw.text = {length, length, (uint8_t*)data};
    draw.length = length;
    draw.size = size;
    draw.color = color;
    writeSlot(slot, textDrawStride, &draw, sizeof draw);
}

void resetBatch(RenderBatch* batch)
{
    batch->drawCount = 0;
    batch->draws.used = 0;
    batch->vertexData.used = 0;
    batch->vertexBytesUsed = 0;
    batch->nextVertexIndex = 0;
    batch->indexBytesUsed = 0;
    batch->overflowed = 0;
    batch->plannedVertexCount = 0;
    batch->plannedIndexCount = 0;
}

RenderBatch createRenderBatch(Arena* arena, BatchSize size, uint32_t program, float* projection)
{
    RenderBatch batch = {};
    batch.kind = size.kind;
    batch.draws = subArena(arena, size.drawListBytes);
    batch.vertexData = subArena(arena, size.vertexDataBytes);
    batch.vertexBufferSize = size.vertexBufferSize;
    batch.indexBufferSize = size.indexBufferSize;
    batch.program = program;
    batch.projection = projection;
    batch.positionComponents = 2;
    batch.colorComponents = 4;
    // A thick line's vertex also carries its segment's ends and half width.
    batch.uvComponents = size.kind == Text ? 2 : size.kind == ThickLines ? 5 : 0;
    return batch;
}

void pushClear(RenderCommandList* list, Color color)
{
    float payload[4] = {color.r, color.g, color.b, color.a};
    pushCommand(list, CommandClear, payload, sizeof payload);
}

void pushViewport(RenderCommandList* list, float x, float y, float width, float height)
{
    float payload[4] = {x, y, width, height};
    pushCommand(list, CommandViewport, payload, sizeof payload);
}

void pushDrawBatch(RenderCommandList* list, RenderBatch* batch)
{
    uint64_t pointer = (uint64_t)(uintptr_t)batch;
    pushCommand(list, CommandDrawBatch, &pointer, sizeof pointer);
}

void resetCommandList(RenderCommandList* list)
{
    list->count = 0;
    list->commands.used = 0;
    list->scratch.used = 0;
    list->overflowed = 0;
}

void computeScreenToNormalized(float matrix[16], int32_t clientWidth, int32_t clientHeight)
{
    bool sizeUsable = clientWidth > 0 && clientHeight > 0;
    // A minimised window keeps the last matrix; before there is one, a 1 x 1
    // area stands in so that nothing infinite ever reaches the shaders.
    bool haveMatrix = matrix[0] > 0 && matrix[0] <= 2 && matrix[5] > 0 && matrix[5] <= 2;
    if (!sizeUsable && haveMatrix) return;
    float width = sizeUsable ? (float)clientWidth : 1.0f;
    float height = sizeUsable ? (float)clientHeight : 1.0f;
    const float result[16] = {2.0f / width, 0, 0, -1, 0, 2.0f / height, 0, -1, 0, 0, 1, 0, 0, 0, 0, 1};
    memcpy(matrix, result, sizeof result);
}
