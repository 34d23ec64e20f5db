// Frame submission cost with a GL table that does nothing: what is left is the
// expansion of draws into vertices and indices.
#include <benchmark/benchmark.h>
#include <vector>
#include "platform/gl_functions.h"
#include "render/frame_submission.h"
#include "render/render_batch.h"

namespace {

void installNoOpGL()
{
    gl = GLFunctions();
    gl.glClearColor = [](GLfloat, GLfloat, GLfloat, GLfloat) {};
    gl.glClear = [](GLbitfield) {};
    gl.glViewport = [](GLint, GLint, GLsizei, GLsizei) {};
    gl.glUseProgram = [](GLuint) {};
    gl.glGetUniformLocation = [](GLuint, const GLchar*) -> GLint { return 0; };
    gl.glUniformMatrix4fv = [](GLint, GLsizei, GLboolean, const GLfloat*) {};
    gl.glGenBuffers = [](GLsizei n, GLuint* names) {
        for (GLsizei i = 0; i < n; ++i) names[i] = 1;
    };
    gl.glBindBuffer = [](GLenum, GLuint) {};
    gl.glBufferData = [](GLenum, GLsizeiptr, const void*, GLenum) {};
    gl.glBufferSubData = [](GLenum, GLintptr, GLsizeiptr, const void* data) { benchmark::DoNotOptimize(data); };
    gl.glGetAttribLocation = [](GLuint, const GLchar*) -> GLint { return 0; };
    gl.glEnableVertexAttribArray = [](GLuint) {};
    gl.glVertexAttribPointer = [](GLuint, GLint, GLenum, GLboolean, GLsizei, const void*) {};
    gl.glActiveTexture = [](GLenum) {};
    gl.glBindTexture = [](GLenum, GLuint) {};
    gl.glEnable = [](GLenum) {};
    gl.glDisable = [](GLenum) {};
    gl.glPrimitiveRestartIndex = [](GLuint) {};
    gl.glDrawElements = [](GLenum, GLsizei, GLenum, const void*) {};
}

// 512 two-point line strips, 1024 point squares and 64 rectangles. The line
// batch gets room for 1536 indices (three per two-point strip); the program's
// own line batch holds 1023.
struct FullFrame
{
    std::vector<uint8_t> memory = std::vector<uint8_t>(3 << 20);
    Arena arena = {memory.size(), 0, memory.data()};
    float projection[16] = {};
    float points[2048];
    RenderCommandList list = {};
    RenderBatch lines, squares, rects;
    static const int vertices = 1024 + 1024 * 4 + 64 * 4;

    FullFrame()
    {
        computeScreenToNormalized(projection, 1280, 720);
        list.commands = subArena(&arena, 1 << 20);
        list.scratch = subArena(&arena, 1 << 20);
        // A frame of 512 strips needs room for their 512 restart indices too.
        BatchSize fullFrameLines = lineBatchSize;
        fullFrameLines.indexBufferSize = 6144;
        lines = createRenderBatch(&arena, fullFrameLines, 1, projection);
        squares = createRenderBatch(&arena, pointBatchSize, 1, projection);
        rects = createRenderBatch(&arena, rectBatchSize, 1, projection);
        for (int i = 0; i < 2048; ++i) points[i] = (float)(i % 1280);
    }

    void fill()
    {
        resetBatch(&lines);
        resetBatch(&squares);
        resetBatch(&rects);
        resetCommandList(&list);
        pushClear(&list, colorBlack);
        pushViewport(&list, 0, 0, 1280, 720);
        for (int i = 0; i < 512; ++i) pushDraw(&lines, points + i * 4, 2, colorWhite);
        for (int i = 0; i < 512; ++i) pushDraw(&squares, points + i * 4, 2, 6.0f, colorRed);
        for (int i = 0; i < 64; ++i) pushDraw(&rects, points + i * 4, 1, colorGrey25);
        pushDrawBatch(&list, &rects);
        pushDrawBatch(&list, &lines);
        pushDrawBatch(&list, &squares);
    }

    bool complete() const
    {
        return !lines.overflowed && !squares.overflowed && !rects.overflowed && lines.drawCount == 512 &&
               squares.drawCount == 512 && rects.drawCount == 64;
    }
};

void restartSubmission(RenderBatch* batch)
{
    batch->vertexBytesUsed = 0;
    batch->indexBytesUsed = 0;
    batch->nextVertexIndex = 0;
}

void SubmitFullFrame(benchmark::State& state)
{
    installNoOpGL();
    FullFrame frame;
    frame.fill();
    if (!frame.complete()) state.SkipWithError("the frame did not fit its batches");
    for (auto _ : state)
    {
        restartSubmission(&frame.lines);
        restartSubmission(&frame.squares);
        restartSubmission(&frame.rects);
        submitFrame(&frame.list);
    }
    state.counters["per_vertex"] = benchmark::Counter(FullFrame::vertices, benchmark::Counter::kIsIterationInvariantRate |
                                                                                benchmark::Counter::kInvert);
}
BENCHMARK(SubmitFullFrame);

void FillAndSubmitFullFrame(benchmark::State& state)
{
    installNoOpGL();
    FullFrame frame;
    for (auto _ : state)
    {
        frame.fill();
        submitFrame(&frame.list);
    }
    if (!frame.complete()) state.SkipWithError("the frame did not fit its batches");
    state.counters["per_vertex"] = benchmark::Counter(FullFrame::vertices, benchmark::Counter::kIsIterationInvariantRate |
                                                                                benchmark::Counter::kInvert);
}
BENCHMARK(FillAndSubmitFullFrame);

} // namespace
