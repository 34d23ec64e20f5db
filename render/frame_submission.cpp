#include "render/frame_submission.h"
#include <string.h>
#include "platform/gl_functions.h"
#include "render/render_batch.h"
#include "render/thick_lines.h"
#include "text/font_atlas.h"
#include "text/text_layout.h"

void setAttribute(GLuint program, const char* name, uint32_t components, uint64_t stride, uint64_t offset)
{
    GLint location = gl.glGetAttribLocation(program, name);
    if (location < 0) return;
    gl.glEnableVertexAttribArray((GLuint)location);
    gl.glVertexAttribPointer((GLuint)location, (GLint)components, GL_FLOAT, GL_FALSE, (GLsizei)stride,
                             (const void*)(uintptr_t)offset);
}

void useBatchProgramAndBuffers(RenderBatch* batch)
{
    gl.glUseProgram(batch->program);
    GLint projection = gl.glGetUniformLocation(batch->program, "screenToNormalized");
    if (batch->projection) gl.glUniformMatrix4fv(projection, 1, GL_FALSE, batch->projection);

    if (batch->vertexBuffer == 0)
    {
        gl.glGenBuffers(1, &batch->vertexBuffer);
        gl.glGenBuffers(1, &batch->indexBuffer);
    }
    // Orphaned each frame, so that the driver never waits on last frame's draw.
    gl.glBindBuffer(GL_ARRAY_BUFFER, batch->vertexBuffer);
    gl.glBufferData(GL_ARRAY_BUFFER, (GLsizeiptr)batch->vertexBufferSize, nullptr, GL_DYNAMIC_DRAW);
    gl.glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, batch->indexBuffer);
    gl.glBufferData(GL_ELEMENT_ARRAY_BUFFER, (GLsizeiptr)batch->indexBufferSize, nullptr, GL_DYNAMIC_DRAW);
}

bool insideVertexData(const RenderBatch* batch, const void* data, uint64_t bytes)
{
    uintptr_t start = (uintptr_t)batch->vertexData.base;
    uintptr_t at = (uintptr_t)data;
    if (bytes == 0) return true;
    return at >= start && at - start <= batch->vertexData.used && bytes <= batch->vertexData.used - (at - start);
}

namespace {

const uint32_t stripEnd = 0xFFFFFFFFu;
const uint32_t maxFloatsPerVertex = 16;

// One vertex as it is written for a draw: the colour (and zero texture
// coordinates) already in place, only x and y left to fill in.
struct VertexShape
{
    uint32_t floats;
    uint64_t stride;
    float values[maxFloatsPerVertex];
};

// The scratch room for one draw; `mark` is where the scratch stood before.
struct DrawAreas
{
    float* vertices;
    uint32_t* indices;
    uint64_t mark;
};

uint32_t floatsPerVertex(const RenderBatch* batch)
{
    return batch->positionComponents + batch->colorComponents + batch->uvComponents;
}

bool batchLayoutUsable(const RenderBatch* batch)
{
    uint64_t floats = (uint64_t)batch->positionComponents + batch->colorComponents + batch->uvComponents;
    return batch->positionComponents >= 2 && floats <= maxFloatsPerVertex;
}

VertexShape shapeFor(const RenderBatch* batch, Color color)
{
    VertexShape shape = {};
    shape.floats = floatsPerVertex(batch);
    shape.stride = shape.floats * 4ull;
    const float channels[4] = {color.r, color.g, color.b, color.a};
    uint32_t colorCount = batch->colorComponents < 4 ? batch->colorComponents : 4;
    for (uint32_t i = 0; i < colorCount; ++i) shape.values[batch->positionComponents + i] = channels[i];
    return shape;
}

float* putVertex(float* at, const VertexShape& shape, float x, float y, Color color)
{
    at[0] = x;
    at[1] = y;
    if (shape.floats == 6) // the layout of every colour batch, written straight from registers
    {
        at[2] = color.r;
        at[3] = color.g;
        at[4] = color.b;
        at[5] = color.a;
        return at + 6;
    }
    memcpy(at + 2, shape.values + 2, (shape.floats - 2) * sizeof(float));
    return at + shape.floats;
}

uint32_t* putQuadIndices(uint32_t* at, uint32_t first)
{
    at[0] = first;
    at[1] = first + 1;
    at[2] = first + 2;
    at[3] = first + 3;
    at[4] = stripEnd;
    return at + 5;
}

// Point k of a draw's data: x and y are its first two floats.
void loadPoint(const float* points, uint64_t floatIndex, float* x, float* y)
{
    float pair[2];
    memcpy(pair, points + floatIndex, sizeof pair);
    *x = pair[0];
    *y = pair[1];
}

bool takeAreas(Arena* scratch, uint64_t vertexBytes, uint64_t indexBytes, DrawAreas* areas)
{
    areas->mark = scratch->used;
    uint64_t misalignment = ((uintptr_t)scratch->base + scratch->used) % 16;
    uint64_t padding = misalignment ? 16 - misalignment : 0;
    uint8_t* room = (uint8_t*)pushBytes(scratch, padding + vertexBytes + indexBytes);
    if (!room)
    {
        scratch->used = areas->mark;
        return false;
    }
    areas->vertices = (float*)(room + padding);
    areas->indices = (uint32_t*)(room + padding + vertexBytes);
    return true;
}

bool buffersHoldMore(const RenderBatch* batch, uint64_t vertexBytes, uint64_t indexBytes)
{
    return (uint64_t)batch->vertexBytesUsed + vertexBytes <= batch->vertexBufferSize &&
           (uint64_t)batch->indexBytesUsed + indexBytes <= batch->indexBufferSize;
}

void uploadDraw(RenderBatch* batch, const DrawAreas& areas, uint64_t vertexBytes, uint64_t indexBytes)
{
    if (vertexBytes)
        gl.glBufferSubData(GL_ARRAY_BUFFER, (GLintptr)batch->vertexBytesUsed, (GLsizeiptr)vertexBytes,
                           areas.vertices);
    if (indexBytes)
        gl.glBufferSubData(GL_ELEMENT_ARRAY_BUFFER, (GLintptr)batch->indexBytesUsed, (GLsizeiptr)indexBytes,
                           areas.indices);
    batch->vertexBytesUsed += (uint32_t)vertexBytes;
    batch->indexBytesUsed += (uint32_t)indexBytes;
}

// Squares around points and rectangles between corner pairs: four vertices
// and five indices per item.
void writeQuads(RenderBatch* batch, const DrawAreas& areas, const float* points, uint32_t items, float size,
                Color color)
{
    VertexShape shape = shapeFor(batch, color);
    uint64_t pc = batch->positionComponents;
    float* vertex = areas.vertices;
    uint32_t* index = areas.indices;
    for (uint64_t k = 0; k < items; ++k)
    {
        float x0, y0, x1, y1;
        if (batch->kind == Points)
        {
            float px, py;
            loadPoint(points, k * pc, &px, &py);
            x0 = px - size * 0.5f;
            y0 = py - size * 0.5f;
            x1 = x0 + size;
            y1 = y0 + size;
        }
        else
        {
            loadPoint(points, k * 2 * pc, &x0, &y0);
            loadPoint(points, k * 2 * pc + pc, &x1, &y1);
        }
        vertex = putVertex(vertex, shape, x0, y0, color);
        vertex = putVertex(vertex, shape, x1, y0, color);
        vertex = putVertex(vertex, shape, x0, y1, color);
        vertex = putVertex(vertex, shape, x1, y1, color);
        index = putQuadIndices(index, batch->nextVertexIndex);
        batch->nextVertexIndex += 4;
    }
}

void writeStrip(RenderBatch* batch, const DrawAreas& areas, const float* points, uint32_t count, Color color)
{
    VertexShape shape = shapeFor(batch, color);
    uint64_t pc = batch->positionComponents;
    float* vertex = areas.vertices;
    for (uint64_t k = 0; k < count; ++k)
    {
        float x, y;
        loadPoint(points, k * pc, &x, &y);
        vertex = putVertex(vertex, shape, x, y, color);
        areas.indices[k] = batch->nextVertexIndex++;
    }
    areas.indices[count] = stripEnd;
}

// Returns false when the draw does not fit, which ends the batch's expansion.
bool expandPointDraw(RenderBatch* batch, Arena* scratch, const uint8_t* slot)
{
    Draw draw;
    PointDraw pointDraw;
    memcpy(&draw, slot, sizeof draw);
    memcpy(&pointDraw, slot, sizeof pointDraw);
    uint64_t count = draw.count;
    uint64_t pointFloats = batch->kind == Rects ? 2ull * batch->positionComponents : batch->positionComponents;
    if (!insideVertexData(batch, draw.points, count * pointFloats * 4)) return false;

    uint64_t stride = floatsPerVertex(batch) * 4ull;
    bool strip = batch->kind == LineStrips;
    uint64_t vertexBytes = strip ? count * stride : count * 4 * stride;
    uint64_t indexBytes = strip ? (count + 1) * 4 : count * 20;
    if (!buffersHoldMore(batch, vertexBytes, indexBytes)) return false;
    DrawAreas areas;
    if (!takeAreas(scratch, vertexBytes, indexBytes, &areas)) return false;

    if (strip)
        writeStrip(batch, areas, draw.points, draw.count, draw.color);
    else if (batch->kind == Points)
        writeQuads(batch, areas, pointDraw.points, pointDraw.count, pointDraw.size, pointDraw.color);
    else
        writeQuads(batch, areas, draw.points, draw.count, 0, draw.color);
    uploadDraw(batch, areas, vertexBytes, indexBytes);
    scratch->used = areas.mark;
    return true;
}

bool expandTextDraw(RenderBatch* batch, Arena* scratch, const uint8_t* slot)
{
    TextDraw draw;
    memcpy(&draw, slot, sizeof draw);
    if (!insideVertexData(batch, draw.text.base, draw.length)) return false;

    uint64_t stride = floatsPerVertex(batch) * 4ull;
    DrawAreas areas;
    if (!takeAreas(scratch, (uint64_t)draw.length * 4 * stride, draw.length * 20ull, &areas)) return false;
    uint32_t quads = 0;
    if (batch->font && stride == 32)
        quads = layoutText(draw.text.base, draw.length, draw.x, draw.y, draw.size, batch->font, areas.vertices,
                           areas.indices, (uint32_t)(batch->vertexBytesUsed / stride), draw.color);
    if (quads > draw.length) quads = draw.length;
    uint64_t vertexBytes = (uint64_t)quads * 4 * stride;
    uint64_t indexBytes = quads * 20ull;
    bool fits = buffersHoldMore(batch, vertexBytes, indexBytes);
    if (fits) uploadDraw(batch, areas, vertexBytes, indexBytes);
    scratch->used = areas.mark;
    return fits;
}

void expandDraws(RenderBatch* batch, Arena* scratch)
{
    uint64_t slotBytes = batch->kind == Text ? textDrawStride : drawStride;
    uint64_t slots = batch->draws.used / slotBytes;
    uint64_t draws = batch->drawCount < slots ? batch->drawCount : slots;
    for (uint64_t i = 0; i < draws; ++i)
    {
        const uint8_t* slot = batch->draws.base + i * slotBytes;
        bool expanded = batch->kind == Text ? expandTextDraw(batch, scratch, slot)
                                            : expandPointDraw(batch, scratch, slot);
        if (!expanded) return;
    }
}

void bindFontTexture(RenderBatch* batch)
{
    if (batch->texture == 0 && batch->font && batch->font->header)
    {
        const FontAtlasHeader* header = batch->font->header;
        batch->texture = createTexture(batch->font->pixels, header->atlasWidth, header->atlasHeight, 8).name;
    }
    gl.glActiveTexture(GL_TEXTURE0);
    gl.glBindTexture(GL_TEXTURE_2D, batch->texture);
}

void setUpBatch(RenderBatch* batch)
{
    useBatchProgramAndBuffers(batch);

    uint64_t stride = floatsPerVertex(batch) * 4ull;
    uint64_t offset = 0;
    setAttribute(batch->program, "position", batch->positionComponents, stride, offset);
    offset += batch->positionComponents * 4ull;
    if (batch->colorComponents > 0)
    {
        setAttribute(batch->program, "color", batch->colorComponents, stride, offset);
        offset += batch->colorComponents * 4ull;
    }
    if (batch->uvComponents > 0)
    {
        setAttribute(batch->program, "inUV", batch->uvComponents, stride, offset);
        bindFontTexture(batch);
    }
}

void drawBatch(RenderBatch* batch, Arena* scratch)
{
    if (batch == nullptr || batch->drawCount == 0 || !batchLayoutUsable(batch)) return;
    if (batch->kind == ThickLines)
    {
        drawThickLines(batch, scratch);
        return;
    }
    setUpBatch(batch);
    GLenum mode;
    switch (batch->kind)
    {
    case LineStrips: mode = GL_LINE_STRIP; break;
    case Points:
    case Rects:
    case Text: mode = GL_TRIANGLE_STRIP; break;
    default: return;
    }
    expandDraws(batch, scratch);
    gl.glEnable(GL_PRIMITIVE_RESTART);
    gl.glPrimitiveRestartIndex(stripEnd);
    gl.glDrawElements(mode, (GLsizei)(batch->indexBytesUsed / 4), GL_UNSIGNED_INT, nullptr);
    gl.glDisable(GL_PRIMITIVE_RESTART);
}

// Truncates toward zero like a plain conversion, but a value no int can
// hold (or NaN) is clamped instead of being undefined.
GLint truncateToInt(float value)
{
    const float limit = 1073741824.0f;
    if (!(value > -limit)) return value != value ? 0 : -(GLint)limit;
    if (value > limit) return (GLint)limit;
    return (GLint)value;
}

GLsizei truncateToSize(float value)
{
    GLint size = truncateToInt(value);
    return size > 0 ? size : 0;
}

uint64_t commandBytes(uint32_t type)
{
    switch (type)
    {
    case CommandClear: return 20;
    case CommandViewport: return 20;
    case CommandDrawBatch: return 12;
    default: return 0;
    }
}

// Walks a list's commands in order; stops at the count, or at a command that
// is unknown or runs past the list's bytes.
struct CommandCursor
{
    const RenderCommandList* list;
    const uint8_t* at;
    uint64_t left;
    uint32_t index;
};

bool nextCommand(CommandCursor* cursor, uint32_t* type, const uint8_t** command, uint64_t* bytes)
{
    if (cursor->index >= cursor->list->count || cursor->left < 4) return false;
    memcpy(type, cursor->at, sizeof *type);
    *bytes = commandBytes(*type);
    if (*bytes == 0 || *bytes > cursor->left) return false;
    *command = cursor->at;
    cursor->at += *bytes;
    cursor->left -= *bytes;
    ++cursor->index;
    return true;
}

void runCommand(RenderCommandList* list, uint32_t type, const uint8_t* payload)
{
    if (type == CommandDrawBatch)
    {
        uint64_t pointer;
        memcpy(&pointer, payload, sizeof pointer);
        drawBatch((RenderBatch*)(uintptr_t)pointer, &list->scratch);
        return;
    }
    float values[4];
    memcpy(values, payload, sizeof values);
    if (type == CommandClear)
    {
        gl.glClearColor(values[0], values[1], values[2], values[3]);
        gl.glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    else
    {
        gl.glViewport(truncateToInt(values[0]), truncateToInt(values[1]), truncateToSize(values[2]),
                      truncateToSize(values[3]));
    }
}

GLenum textureFormat(uint32_t bitsPerPixel)
{
    switch (bitsPerPixel)
    {
    case 8: return GL_RED;
    case 16: return GL_RG;
    case 24: return GL_RGB;
    default: return GL_RGBA;
    }
}

} // namespace

Texture createTexture(const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t bitsPerPixel)
{
    Texture texture = {0, pixels, width, height, bitsPerPixel};
    gl.glGenTextures(1, &texture.name);
    gl.glBindTexture(GL_TEXTURE_2D, texture.name);
    gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
    gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    GLenum format = textureFormat(bitsPerPixel);
    gl.glTexImage2D(GL_TEXTURE_2D, 0, (GLint)format, (GLsizei)width, (GLsizei)height, 0, format, GL_UNSIGNED_BYTE,
                    pixels);
    return texture;
}

namespace {

// Compares a frame's bytes with the shown frame's as they come, and from the
// first difference on copies them over the shown ones.
struct FrameComparison
{
    ShownFrame* shown;
    uint64_t at;
    bool same;
    bool fits;
};

void compareBytes(FrameComparison* c, const void* bytes, uint64_t n)
{
    Arena* room = &c->shown->bytes;
    if (!c->fits || n > room->capacity - c->at)
    {
        c->fits = false;
        c->same = false;
        return;
    }
    uint8_t* at = room->base + c->at;
    if (c->same && (n > c->shown->length - c->at || memcmp(at, bytes, n) != 0)) c->same = false;
    if (!c->same && n) memcpy(at, bytes, n);
    c->at += n;
}

// The count first, so that bytes moving between regions never read the same.
void compareRegion(FrameComparison* c, const void* bytes, uint64_t n)
{
    compareBytes(c, &n, sizeof n);
    if (n) compareBytes(c, bytes, n);
}

void compareBatch(FrameComparison* c, const uint8_t* payload)
{
    uint64_t pointer;
    memcpy(&pointer, payload, sizeof pointer);
    const RenderBatch* batch = (const RenderBatch*)(uintptr_t)pointer;
    if (!batch) return;
    compareBytes(c, batch, sizeof *batch);
    if (batch->projection) compareBytes(c, batch->projection, 16 * sizeof(float));
    compareRegion(c, batch->draws.base, batch->draws.used);
    compareRegion(c, batch->vertexData.base, batch->vertexData.used);
}

} // namespace

bool sameAsShownFrame(const RenderCommandList* list, ShownFrame* shown)
{
    FrameComparison c = {shown, 0, shown->valid != 0, shown->bytes.base != nullptr};
    compareBytes(&c, &list->count, sizeof list->count);
    CommandCursor cursor = {list, list->commands.base, list->commands.used, 0};
    uint32_t type;
    const uint8_t* command;
    uint64_t bytes;
    while (nextCommand(&cursor, &type, &command, &bytes))
    {
        compareBytes(&c, command, bytes);
        if (type == CommandDrawBatch) compareBatch(&c, command + 4);
    }
    bool same = c.same && c.at == shown->length;
    shown->length = c.fits ? c.at : 0;
    shown->valid = c.fits;
    return same;
}

void submitFrame(RenderCommandList* list)
{
    uint64_t scratchStart = list->scratch.used;
    CommandCursor cursor = {list, list->commands.base, list->commands.used, 0};
    uint32_t type;
    const uint8_t* command;
    uint64_t bytes;
    while (nextCommand(&cursor, &type, &command, &bytes)) runCommand(list, type, command + 4);
    list->scratch.used = scratchStart;
}
