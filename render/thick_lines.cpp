#include "render/thick_lines.h"
#include <math.h>
#include <string.h>
#include "platform/gl_functions.h"
#include "render/frame_submission.h"
#include "render/shader_program.h"

const char* const thickLineVertexSource =
    "#version 150\n"
    "in vec2 position;in vec4 segment;in float radius;in vec4 color;"
    "out vec2 pixel;flat out vec4 ends;flat out float halfWidth;flat out vec4 lineColor;"
    "uniform mat4x4 screenToNormalized;void main( ) {pixel = position;ends = segment;halfWidth = radius;"
    "lineColor = color;gl_Position = vec4( position, 0.0, 1.0 ) * screenToNormalized;}";

const char* const thickLineFragmentSource =
    "#version 150\n"
    "out vec4 fragment_out_color;in vec2 pixel;flat in vec4 ends;flat in float halfWidth;flat in vec4 lineColor;"
    "void main( ) {vec2 along = ends.zw - ends.xy;vec2 from = pixel - ends.xy;"
    "float t = clamp( dot( from, along ) / max( dot( along, along ), 1e-12 ), 0.0, 1.0 );"
    "float cover = clamp( halfWidth + 0.5 - length( from - along * t ), 0.0, 1.0 );"
    "fragment_out_color = vec4( mix( vec3( 1.0 ) - lineColor.rgb, lineColor.rgb, cover ), 1.0 );}";

namespace {

const uint32_t stripEnd = 0xFFFFFFFFu;
const uint32_t longestThickLine = 64;
// Far beyond any window or cell, and still exact in float.
const float coordinateLimit = 16777216.0f;

struct Attribute
{
    const char* name;
    uint32_t components;
    uint64_t offset;
};

const Attribute attributes[4] = {{"position", 2, 0}, {"segment", 4, 8}, {"radius", 1, 24}, {"color", 4, 28}};

float clampCoordinate(float value)
{
    return value < -coordinateLimit ? -coordinateLimit : value > coordinateLimit ? coordinateLimit : value;
}

float* putCorner(float* at, float x, float y, const float ends[4], float radius, Color color)
{
    const float vertex[11] = {x, y, ends[0], ends[1], ends[2], ends[3], radius, color.r, color.g, color.b, color.a};
    memcpy(at, vertex, sizeof vertex);
    return at + 11;
}

// The quad around the segment's capsule, a pixel wider on every side for the edge.
float* putSegment(float* at, const float ends[4], float radius, Color color)
{
    float dx = ends[2] - ends[0], dy = ends[3] - ends[1];
    float length = sqrtf(dx * dx + dy * dy);
    float ux = length > 0 ? dx / length : 1, uy = length > 0 ? dy / length : 0;
    float reach = radius + 1;
    float ax = ends[0] - ux * reach, ay = ends[1] - uy * reach;
    float bx = ends[2] + ux * reach, by = ends[3] + uy * reach;
    float nx = -uy * reach, ny = ux * reach;
    at = putCorner(at, ax + nx, ay + ny, ends, radius, color);
    at = putCorner(at, ax - nx, ay - ny, ends, radius, color);
    at = putCorner(at, bx + nx, by + ny, ends, radius, color);
    return putCorner(at, bx - nx, by - ny, ends, radius, color);
}

// Expands every draw into vertices and indices; segments with an end that is
// not a number are left out. Returns the quads written.
uint32_t expandDraws(const RenderBatch* batch, float* vertices, uint32_t* indices, uint32_t roomForQuads)
{
    uint32_t quads = 0;
    uint64_t slots = batch->draws.used / drawStride;
    uint64_t draws = batch->drawCount < slots ? batch->drawCount : slots;
    for (uint64_t i = 0; i < draws; ++i)
    {
        PointDraw draw;
        memcpy(&draw, batch->draws.base + i * drawStride, sizeof draw);
        if (!insideVertexData(batch, draw.points, draw.count * 8ull)) break;
        uint32_t segments = draw.count > 1 ? draw.count - 1 : draw.count;
        for (uint32_t s = 0; s < segments && quads < roomForQuads; ++s)
        {
            // The copied points need not be aligned.
            uint32_t next = draw.count > 1 ? s + 1 : s;
            float ends[4];
            memcpy(ends, draw.points + 2 * s, 2 * sizeof(float));
            memcpy(ends + 2, draw.points + 2 * next, 2 * sizeof(float));
            bool finite = isfinite(ends[0]) && isfinite(ends[1]) && isfinite(ends[2]) && isfinite(ends[3]);
            if (!finite || !(draw.size > 0)) continue;
            for (float& value : ends) value = clampCoordinate(value);
            putSegment(vertices + quads * 44ull, ends, fminf(draw.size, coordinateLimit) * 0.5f, draw.color);
            uint32_t* index = indices + quads * 5ull;
            for (uint32_t k = 0; k < 4; ++k) index[k] = quads * 4 + k;
            index[4] = stripEnd;
            ++quads;
        }
    }
    return quads;
}

void setUpAttributes(uint32_t program)
{
    for (const Attribute& attribute : attributes)
        setAttribute(program, attribute.name, attribute.components, thickLineVertexBytes, attribute.offset);
}

// The other batches' programs read fewer attributes; none of ours stays on for them.
void tearDownAttributes(uint32_t program)
{
    for (const Attribute& attribute : attributes)
    {
        GLint location = gl.glGetAttribLocation(program, attribute.name);
        if (location >= 0) gl.glDisableVertexAttribArray((GLuint)location);
    }
}

bool lightLines(const RenderBatch* batch)
{
    PointDraw first;
    memcpy(&first, batch->draws.base, sizeof first);
    return first.color.r + first.color.g + first.color.b >= 1.5f;
}

} // namespace

uint32_t buildThickLineProgram()
{
    return createShaderProgram(thickLineVertexSource, thickLineFragmentSource).program;
}

void pushThickLine(RenderBatch* batch, const float* points, uint32_t count, float width, Color color, bool closed)
{
    if (!closed || count < 2)
    {
        pushDraw(batch, points, count, width, color);
        return;
    }
    if (count >= longestThickLine)
    {
        batch->overflowed = 1;
        return;
    }
    float loop[2 * longestThickLine];
    memcpy(loop, points, count * 2 * sizeof(float));
    loop[2 * count] = points[0];
    loop[2 * count + 1] = points[1];
    pushDraw(batch, loop, count + 1, width, color);
}

void drawThickLines(RenderBatch* batch, Arena* scratch)
{
    if (batch->drawCount == 0 || batch->draws.used < drawStride) return;
    uint32_t roomForQuads = batch->vertexBufferSize / (4 * thickLineVertexBytes);
    if (batch->indexBufferSize / 20 < roomForQuads) roomForQuads = batch->indexBufferSize / 20;
    uint64_t mark = scratch->used;
    uint64_t misalignment = ((uintptr_t)scratch->base + scratch->used) % 16;
    if (misalignment) pushBytes(scratch, 16 - misalignment);
    float* vertices = (float*)pushBytes(scratch, roomForQuads * 4ull * thickLineVertexBytes);
    uint32_t* indices = (uint32_t*)pushBytes(scratch, roomForQuads * 20ull);
    uint32_t quads = vertices && indices ? expandDraws(batch, vertices, indices, roomForQuads) : 0;
    scratch->used = mark;
    if (quads == 0) return;

    useBatchProgramAndBuffers(batch);
    gl.glBufferSubData(GL_ARRAY_BUFFER, 0, (GLsizeiptr)(quads * 4ull * thickLineVertexBytes), vertices);
    gl.glBufferSubData(GL_ELEMENT_ARRAY_BUFFER, 0, (GLsizeiptr)(quads * 20ull), indices);
    batch->vertexBytesUsed = (uint32_t)(quads * 4ull * thickLineVertexBytes);
    batch->indexBytesUsed = quads * 20;
    setUpAttributes(batch->program);

    gl.glBlendEquation(lightLines(batch) ? GL_MAX : GL_MIN);
    gl.glEnable(GL_PRIMITIVE_RESTART);
    gl.glPrimitiveRestartIndex(stripEnd);
    gl.glDrawElements(GL_TRIANGLE_STRIP, (GLsizei)(quads * 5), GL_UNSIGNED_INT, nullptr);
    gl.glDisable(GL_PRIMITIVE_RESTART);
    gl.glBlendEquation(GL_FUNC_ADD);
    tearDownAttributes(batch->program);
}
