#include <gtest/gtest.h>
#include <math.h>
#include <string.h>
#include <string>
#include <vector>
#include "render/frame_submission.h"
#include "render/render_batch.h"
#include "render/shader_program.h"
#include "tests/host/recording_gl.h"
#include "text/font_atlas.h"

namespace {

const uint32_t stripEnd = 0xFFFFFFFFu;
const uint8_t canary = 0xCD;

// Regions carved the way the program carves them, each followed by canary
// bytes that no push may touch.
struct Frame
{
    std::vector<uint8_t> memory = std::vector<uint8_t>(4 << 20, canary);
    Arena arena = {memory.size(), 0, memory.data()};
    float projection[16] = {};
    RenderCommandList list = {};
    RenderBatch lines, points, rects, text;

    Frame()
    {
        computeScreenToNormalized(projection, 1280, 720);
        list.commands = carve(1 << 20);
        list.scratch = carve(1 << 20);
        lines = batch(LineStrips, 16384, 8192, 24576, 4092, 7);
        points = batch(Points, 16384, 8192, 98304, 20480, 7);
        rects = batch(Rects, 2048, 1024, 6144, 1280, 7);
        text = batch(Text, 7200, 256, 32768, 5120, 8);
    }
    Arena carve(uint64_t bytes)
    {
        Arena region = subArena(&arena, bytes);
        pushBytes(&arena, 64); // canary gap
        return region;
    }
    RenderBatch batch(BatchKind kind, uint64_t drawBytes, uint64_t dataBytes, uint32_t vertexBytes,
                      uint32_t indexBytes, uint32_t program)
    {
        RenderBatch made = createRenderBatch(&arena, kind, drawBytes, dataBytes, vertexBytes, indexBytes, program,
                                             projection);
        // Move the vertex data away from the draw list so both have a canary gap.
        Arena data = carve(dataBytes);
        made.vertexData = data;
        Arena draws = carve(drawBytes);
        made.draws = draws;
        return made;
    }
    bool gapsIntact() const
    {
        const RenderBatch* all[] = {&lines, &points, &rects, &text};
        bool intact = regionEndIntact(list.commands) && regionEndIntact(list.scratch);
        for (const RenderBatch* b : all) intact = intact && regionEndIntact(b->draws) && regionEndIntact(b->vertexData);
        return intact;
    }
    static bool regionEndIntact(const Arena& region)
    {
        for (int i = 0; i < 64; ++i)
            if (region.base[region.capacity + i] != canary) return false;
        return true;
    }
    void resetAll()
    {
        resetBatch(&lines);
        resetBatch(&points);
        resetBatch(&rects);
        resetBatch(&text);
        resetCommandList(&list);
    }
    void queueAll()
    {
        pushDrawBatch(&list, &rects);
        pushDrawBatch(&list, &lines);
        pushDrawBatch(&list, &points);
        pushDrawBatch(&list, &text);
    }
};

const Color someColor = {0.1f, 0.2f, 0.3f, 0.4f};

std::vector<float> vertex(float x, float y, Color c) { return {x, y, c.r, c.g, c.b, c.a}; }

std::vector<float> joined(std::initializer_list<std::vector<float>> parts)
{
    std::vector<float> all;
    for (const std::vector<float>& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

class Render : public ::testing::Test
{
protected:
    void SetUp() override { installRecordingGL(); }
    void TearDown() override { EXPECT_EQ(recordingGL().invalidOperations, 0) << "an upload or draw left a buffer"; }
    Frame frame;
};

TEST_F(Render, PushCopiesThePointsAndFillsTheRecord)
{
    float strip[6] = {1, 2, 3, 4, 5, 6};
    pushDraw(&frame.lines, strip, 3, someColor);
    strip[0] = 99;
    pushDraw(&frame.lines, strip, 1, colorRed);

    EXPECT_EQ(frame.lines.drawCount, 2u);
    EXPECT_EQ(frame.lines.draws.used, 64u);
    EXPECT_EQ(frame.lines.vertexData.used, 32u);
    Draw first;
    memcpy(&first, frame.lines.draws.base, sizeof first);
    EXPECT_EQ(first.points, (float*)frame.lines.vertexData.base);
    EXPECT_EQ(first.count, 3u);
    EXPECT_EQ(first.points[0], 1.0f) << "the caller's later change must not reach the copy";
    EXPECT_EQ(first.color.a, someColor.a);

    float corners[8] = {0, 0, 10, 10, 20, 20, 30, 30};
    pushDraw(&frame.rects, corners, 2, colorBlue);
    EXPECT_EQ(frame.rects.vertexData.used, 32u) << "two corners per rectangle";

    float point[2] = {5, 5};
    pushDraw(&frame.points, point, 1, 4.0f, colorGreen);
    PointDraw pointDraw;
    memcpy(&pointDraw, frame.points.draws.base, sizeof pointDraw);
    EXPECT_EQ(pointDraw.size, 4.0f);
    EXPECT_EQ(pointDraw.color.g, 1.0f);

    const uint8_t name[] = "walk.anim";
    pushText(&frame.text, 10, 10, name, 9, 24, colorWhite);
    TextDraw textDraw;
    memcpy(&textDraw, frame.text.draws.base, sizeof textDraw);
    EXPECT_EQ(frame.text.draws.used, 72u);
    EXPECT_EQ(textDraw.length, 9u);
    EXPECT_EQ(textDraw.text.used, 9u);
    EXPECT_EQ(textDraw.text.capacity, 9u);
    EXPECT_EQ(textDraw.z, 0.0f);
    EXPECT_EQ(memcmp(textDraw.text.base, "walk.anim", 9), 0);

    // A push of the wrong form for the batch's kind is ignored.
    pushDraw(&frame.points, point, 1, colorRed);
    pushDraw(&frame.lines, point, 1, 3.0f, colorRed);
    pushText(&frame.lines, 0, 0, name, 9, 24, colorWhite);
    EXPECT_EQ(frame.points.drawCount, 1u);
    EXPECT_EQ(frame.lines.drawCount, 2u);

    resetBatch(&frame.lines);
    EXPECT_EQ(frame.lines.drawCount, 0u);
    EXPECT_EQ(frame.lines.draws.used, 0u);
    EXPECT_EQ(frame.lines.vertexData.used, 0u);
}

// Fills a batch up to one of its limits, then checks that one more item is
// refused whole, flags the batch, and that the room is there again after a reset.
void expectRefusalAfter(RenderBatch* batch, int draws, uint32_t itemsPerDraw, uint32_t itemsOfRefused)
{
    static float pointData[4096] = {};
    for (int i = 0; i < draws; ++i)
    {
        if (batch->kind == Points)
            pushDraw(batch, pointData, itemsPerDraw, 2.0f, colorWhite);
        else
            pushDraw(batch, pointData, itemsPerDraw, colorWhite);
    }
    ASSERT_EQ(batch->overflowed, 0u);
    ASSERT_EQ(batch->drawCount, (uint32_t)draws);
    Arena drawsBefore = batch->draws, dataBefore = batch->vertexData;
    if (batch->kind == Points)
        pushDraw(batch, pointData, itemsOfRefused, 2.0f, colorWhite);
    else
        pushDraw(batch, pointData, itemsOfRefused, colorWhite);
    EXPECT_EQ(batch->overflowed, 1u);
    EXPECT_EQ(batch->drawCount, (uint32_t)draws);
    EXPECT_EQ(batch->draws.used, drawsBefore.used);
    EXPECT_EQ(batch->vertexData.used, dataBefore.used);
    resetBatch(batch);
    EXPECT_EQ(batch->overflowed, 0u);
}

TEST_F(Render, EveryBatchLimitRefusesTheWholeDraw)
{
    // Line batch: 512 draws (empty strips: one terminator each).
    expectRefusalAfter(&frame.lines, 512, 0, 0);

    // Its index buffer holds 1023 indices: one strip of 1022 points fits, one
    // of 1023 points does not, nor one of all 1024 points (1025 indices).
    static float many[2048] = {};
    pushDraw(&frame.lines, many, 1024, colorWhite);
    pushDraw(&frame.lines, many, 1023, colorWhite);
    EXPECT_EQ(frame.lines.drawCount, 0u);
    EXPECT_EQ(frame.lines.overflowed, 1u);
    resetBatch(&frame.lines);
    pushDraw(&frame.lines, many, 1022, colorWhite);
    EXPECT_EQ(frame.lines.overflowed, 0u);
    pushDraw(&frame.lines, many, 0, colorWhite);
    EXPECT_EQ(frame.lines.drawCount, 1u);
    EXPECT_EQ(frame.lines.overflowed, 1u);
    resetBatch(&frame.lines);

    // Point batch: 512 draws and 1024 points.
    expectRefusalAfter(&frame.points, 512, 0, 0);
    expectRefusalAfter(&frame.points, 4, 256, 1);

    // Rect batch: 64 draws and 64 rectangles.
    expectRefusalAfter(&frame.rects, 64, 0, 0);
    expectRefusalAfter(&frame.rects, 2, 32, 1);

    // A vertex buffer smaller than the vertex data: the buffer is the limit.
    frame.points.vertexBufferSize = 24 * 4 * 10; // ten squares
    expectRefusalAfter(&frame.points, 10, 1, 1);
    frame.points.vertexBufferSize = 98304;

    // Text: 100 draws and 256 bytes.
    static const uint8_t bytes[300] = {};
    for (int i = 0; i < 100; ++i) pushText(&frame.text, 0, 0, bytes, 0, 24, colorWhite);
    pushText(&frame.text, 0, 0, bytes, 0, 24, colorWhite);
    EXPECT_EQ(frame.text.drawCount, 100u);
    EXPECT_EQ(frame.text.overflowed, 1u);
    resetBatch(&frame.text);
    pushText(&frame.text, 0, 0, bytes, 256, 24, colorWhite);
    pushText(&frame.text, 0, 0, bytes, 1, 24, colorWhite);
    EXPECT_EQ(frame.text.drawCount, 1u);
    EXPECT_EQ(frame.text.overflowed, 1u);

    EXPECT_TRUE(frame.gapsIntact());
}

TEST_F(Render, CommandStreamLayoutAndRefusal)
{
    pushClear(&frame.list, colorBlack);
    pushViewport(&frame.list, 0, 0, 1280, 720);
    frame.queueAll();
    EXPECT_EQ(frame.list.count, 6u);
    EXPECT_EQ(frame.list.commands.used, 88u);

    const uint8_t* stream = frame.list.commands.base;
    uint32_t type;
    float values[4];
    memcpy(&type, stream + 20, 4);
    memcpy(values, stream + 24, 16);
    EXPECT_EQ(type, 1u);
    EXPECT_EQ(values[2], 1280.0f);
    uint64_t pointer;
    memcpy(&type, stream + 40, 4);
    memcpy(&pointer, stream + 44, 8);
    EXPECT_EQ(type, 6u);
    EXPECT_EQ(pointer, (uint64_t)(uintptr_t)&frame.rects) << "the pointer sits unaligned right after the type";

    resetCommandList(&frame.list);
    pushClear(&frame.list, colorBlack);
    frame.queueAll();
    EXPECT_EQ(frame.list.count, 5u);
    EXPECT_EQ(frame.list.commands.used, 68u);

    // A list with room for 32 bytes: the clear fits, the viewport does not,
    // a batch command still does; nothing lands past the 32 bytes.
    uint8_t small[40];
    memset(small, canary, sizeof small);
    RenderCommandList tight = {};
    tight.commands = {32, 0, small};
    pushClear(&tight, colorBlack);
    pushViewport(&tight, 0, 0, 1, 1);
    EXPECT_EQ(tight.overflowed, 1u);
    pushDrawBatch(&tight, &frame.lines);
    pushDrawBatch(&tight, &frame.lines);
    EXPECT_EQ(tight.count, 2u);
    EXPECT_EQ(tight.commands.used, 32u);
    for (int i = 32; i < 40; ++i) EXPECT_EQ(small[i], canary);
    resetCommandList(&tight);
    EXPECT_EQ(tight.overflowed, 0u);
}

TEST_F(Render, ProjectionMapsTheClientAreaAndSurvivesMinimising)
{
    float m[16] = {};
    computeScreenToNormalized(m, 1024, 512);
    // Row vector times the matrix: each stored row gives one clip coordinate.
    auto clip = [&](float x, float y, int row) { return x * m[row * 4] + y * m[row * 4 + 1] + m[row * 4 + 3]; };
    EXPECT_FLOAT_EQ(clip(1024, 512, 0), 1.0f);
    EXPECT_FLOAT_EQ(clip(1024, 512, 1), 1.0f);
    EXPECT_FLOAT_EQ(clip(0, 0, 0), -1.0f);
    EXPECT_FLOAT_EQ(clip(0, 0, 1), -1.0f);
    EXPECT_EQ(m[10], 1.0f);
    EXPECT_EQ(m[15], 1.0f);

    float kept[16];
    memcpy(kept, m, sizeof kept);
    computeScreenToNormalized(m, 0, 0);
    EXPECT_EQ(memcmp(kept, m, sizeof kept), 0) << "a minimised window keeps the last matrix";
    computeScreenToNormalized(m, 1024, -5);
    EXPECT_EQ(memcmp(kept, m, sizeof kept), 0);

    float fresh[16] = {};
    computeScreenToNormalized(fresh, 0, 0);
    for (float value : fresh) EXPECT_TRUE(isfinite(value));
    EXPECT_EQ(fresh[0], 2.0f) << "before any real size, a 1 x 1 area stands in";
}

TEST_F(Render, BatchWithoutDrawsCallsNoGL)
{
    pushClear(&frame.list, colorBlack);
    frame.queueAll();
    submitFrame(&frame.list);
    std::vector<std::string> expected = {"glClearColor", "glClear"};
    EXPECT_EQ(recordedCallNames(), expected);
    EXPECT_EQ(callsNamed("glClear")[0].args[0], GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

TEST_F(Render, BatchSetUpThenOneIndexedDraw)
{
    float strip[4] = {0, 0, 10, 10};
    pushDraw(&frame.lines, strip, 2, colorWhite);
    pushDrawBatch(&frame.list, &frame.lines);
    submitFrame(&frame.list);

    std::vector<std::string> expected = {
        "glUseProgram",   "glGetUniformLocation", "glUniformMatrix4fv", "glGenBuffers",
        "glGenBuffers",   "glBindBuffer",         "glBufferData",       "glBindBuffer",
        "glBufferData",   "glGetAttribLocation",  "glEnableVertexAttribArray", "glVertexAttribPointer",
        "glGetAttribLocation", "glEnableVertexAttribArray", "glVertexAttribPointer", "glBufferSubData",
        "glBufferSubData", "glEnable",            "glPrimitiveRestartIndex", "glDrawElements",
        "glDisable"};
    EXPECT_EQ(recordedCallNames(), expected);
    EXPECT_EQ(callsNamed("glUseProgram")[0].args[0], 7);
    RecordedCall matrix = callsNamed("glUniformMatrix4fv")[0];
    EXPECT_EQ(matrix.args, (std::vector<int64_t>{0, 1, GL_FALSE}));
    EXPECT_EQ(matrix.floats, std::vector<float>(frame.projection, frame.projection + 16));
    std::vector<RecordedCall> data = callsNamed("glBufferData");
    EXPECT_EQ(data[0].args, (std::vector<int64_t>{GL_ARRAY_BUFFER, 24576, 0, GL_DYNAMIC_DRAW}));
    EXPECT_EQ(data[1].args, (std::vector<int64_t>{GL_ELEMENT_ARRAY_BUFFER, 4092, 0, GL_DYNAMIC_DRAW}));
    std::vector<RecordedCall> layout = callsNamed("glVertexAttribPointer");
    EXPECT_EQ(layout[0].args, (std::vector<int64_t>{0, 2, GL_FLOAT, GL_FALSE, 24, 0}));
    EXPECT_EQ(layout[1].args, (std::vector<int64_t>{1, 4, GL_FLOAT, GL_FALSE, 24, 8}));
    EXPECT_EQ(callsNamed("glPrimitiveRestartIndex")[0].args[0], (int64_t)stripEnd);
    EXPECT_EQ(callsNamed("glEnable")[0].args[0], GL_PRIMITIVE_RESTART);
    EXPECT_EQ(callsNamed("glDrawElements")[0].args, (std::vector<int64_t>{GL_LINE_STRIP, 3, GL_UNSIGNED_INT, 0}));

    // The next frame keeps the buffer names and re-specifies their storage.
    uint32_t vertexBuffer = frame.lines.vertexBuffer;
    frame.resetAll();
    clearRecordedCalls();
    pushDraw(&frame.lines, strip, 2, colorWhite);
    pushDrawBatch(&frame.list, &frame.lines);
    submitFrame(&frame.list);
    EXPECT_EQ(callCount("glGenBuffers"), 0u);
    EXPECT_EQ(callCount("glBufferData"), 2u);
    EXPECT_EQ(frame.lines.vertexBuffer, vertexBuffer);
}

TEST_F(Render, PointSquaresAndRectanglesExpandToQuads)
{
    float point[2] = {100, 100};
    pushDraw(&frame.points, point, 1, 6.0f, someColor);
    pushDraw(&frame.points, point, 0, 6.0f, someColor); // produces nothing
    pushDraw(&frame.points, point, 1, 2.0f, colorRed);
    float reversed[4] = {50, 60, 10, 20}; // second corner left of and below the first
    pushDraw(&frame.rects, reversed, 1, colorBlue);
    frame.queueAll();
    submitFrame(&frame.list);

    std::vector<float> squares = uploadedFloats(frame.points.vertexBuffer);
    EXPECT_EQ(squares, joined({vertex(97, 97, someColor), vertex(103, 97, someColor), vertex(97, 103, someColor),
                               vertex(103, 103, someColor), vertex(99, 99, colorRed), vertex(101, 99, colorRed),
                               vertex(99, 101, colorRed), vertex(101, 101, colorRed)}));
    EXPECT_EQ(uploadedIndices(frame.points.indexBuffer), (std::vector<uint32_t>{0, 1, 2, 3, stripEnd, 4, 5, 6, 7, stripEnd}));
    EXPECT_EQ(callsNamed("glBufferSubData").size(), 2u + 4u) << "the empty point draw uploads nothing";

    std::vector<float> rectangle = uploadedFloats(frame.rects.vertexBuffer);
    EXPECT_EQ(rectangle, joined({vertex(50, 60, colorBlue), vertex(10, 60, colorBlue), vertex(50, 20, colorBlue),
                                 vertex(10, 20, colorBlue)}));

    std::vector<RecordedCall> drawsIssued = callsNamed("glDrawElements");
    ASSERT_EQ(drawsIssued.size(), 2u);
    EXPECT_EQ(drawsIssued[0].args[0], GL_TRIANGLE_STRIP);
    EXPECT_EQ(drawsIssued[0].args[1], 5);
    EXPECT_EQ(drawsIssued[1].args[1], 10);
}

TEST_F(Render, LineStripsAreSeparatedAndIndicesKeepCounting)
{
    float first[6] = {0, 0, 1, 1, 2, 0};
    float second[4] = {5, 5, 6, 6};
    pushDraw(&frame.lines, first, 3, colorWhite);
    pushDraw(&frame.lines, second, 0, colorWhite);
    pushDraw(&frame.lines, second, 2, colorRed);
    pushDrawBatch(&frame.list, &frame.lines);
    submitFrame(&frame.list);

    EXPECT_EQ(uploadedIndices(frame.lines.indexBuffer),
              (std::vector<uint32_t>{0, 1, 2, stripEnd, stripEnd, 3, 4, stripEnd}));
    EXPECT_EQ(recordingGL().lastDrawnIndices.size(), 8u);
    std::vector<float> vertices = uploadedFloats(frame.lines.vertexBuffer);
    ASSERT_EQ(vertices.size(), 5u * 6);
    EXPECT_EQ(vertices[4 * 6], 6.0f);
    EXPECT_EQ(vertices[4 * 6 + 2], 1.0f);
    EXPECT_EQ(frame.lines.vertexBytesUsed, 5u * 24);
    EXPECT_EQ(frame.lines.nextVertexIndex, 5u);
    EXPECT_EQ(frame.list.scratch.used, 0u) << "the scratch is empty again after submission";
}

TEST_F(Render, FullBatchesSubmitWithinEveryBuffer)
{
    static float data[2048];
    for (int i = 0; i < 2048; ++i) data[i] = (float)i;
    for (int i = 0; i < 4; ++i) pushDraw(&frame.points, data + i * 512, 256, 3.0f, colorWhite);
    pushDraw(&frame.lines, data, 1022, colorWhite);
    pushDraw(&frame.rects, data, 64, colorWhite);
    EXPECT_EQ(frame.points.overflowed + frame.lines.overflowed + frame.rects.overflowed, 0u);
    frame.queueAll();
    submitFrame(&frame.list);
    EXPECT_EQ(frame.points.vertexBytesUsed, 98304u);
    EXPECT_EQ(frame.points.indexBytesUsed, 20480u);
    EXPECT_EQ(frame.lines.indexBytesUsed, 4092u);
    EXPECT_EQ(frame.rects.vertexBytesUsed, 6144u);
    EXPECT_EQ(frame.rects.indexBytesUsed, 1280u);
}

TEST_F(Render, SubmissionNeverPassesScratchOrBuffers)
{
    float point[6] = {1, 1, 2, 2, 3, 3};
    // The scratch holds one square (116 bytes of vertices and indices) but not three.
    frame.list.scratch.capacity = 200;
    pushDraw(&frame.points, point, 1, 2.0f, colorWhite);
    pushDraw(&frame.points, point, 3, 2.0f, colorWhite);
    pushDraw(&frame.points, point, 1, 2.0f, colorWhite);
    pushDrawBatch(&frame.list, &frame.points);
    submitFrame(&frame.list);
    EXPECT_EQ(frame.points.indexBytesUsed, 20u) << "expansion stops at the draw that does not fit";
    EXPECT_EQ(frame.list.scratch.used, 0u);
    EXPECT_TRUE(frame.gapsIntact());

    // Buffers shrunk behind the batch's back: uploads stop at their size.
    frame.resetAll();
    frame.list.scratch.capacity = 1 << 20;
    for (int i = 0; i < 3; ++i) pushDraw(&frame.points, point, 1, 2.0f, colorWhite);
    frame.points.indexBufferSize = 45;
    pushDrawBatch(&frame.list, &frame.points);
    submitFrame(&frame.list);
    EXPECT_EQ(frame.points.indexBytesUsed, 40u);
    EXPECT_EQ(callsNamed("glDrawElements").back().args[1], 10);
}

TEST_F(Render, ViewportTruncatesAndNeverPassesNonsense)
{
    pushViewport(&frame.list, 0, 0, 1279.9f, 719.9f);
    pushViewport(&frame.list, 0, 0, 0, 0);
    pushViewport(&frame.list, -3.7f, NAN, INFINITY, -20);
    submitFrame(&frame.list);
    std::vector<RecordedCall> viewports = callsNamed("glViewport");
    ASSERT_EQ(viewports.size(), 3u);
    EXPECT_EQ(viewports[0].args, (std::vector<int64_t>{0, 0, 1279, 719}));
    EXPECT_EQ(viewports[1].args, (std::vector<int64_t>{0, 0, 0, 0}));
    EXPECT_EQ(viewports[2].args[0], -3);
    EXPECT_EQ(viewports[2].args[1], 0);
    EXPECT_GT(viewports[2].args[2], 0);
    EXPECT_EQ(viewports[2].args[3], 0);
}

TEST_F(Render, MinimisedFrameSubmitsOnlyFiniteProjection)
{
    computeScreenToNormalized(frame.projection, 0, 0);
    pushClear(&frame.list, colorBlack);
    pushViewport(&frame.list, 0, 0, 0, 0);
    float strip[4] = {0, 0, 10, 10};
    pushDraw(&frame.lines, strip, 2, colorWhite);
    frame.queueAll();
    submitFrame(&frame.list);
    std::vector<RecordedCall> uploads = callsNamed("glUniformMatrix4fv");
    ASSERT_EQ(uploads.size(), 1u);
    for (float value : uploads[0].floats) EXPECT_TRUE(isfinite(value));
}

TEST_F(Render, WalkStopsAtAnUnknownOrCutCommand)
{
    pushClear(&frame.list, colorBlack);
    frame.list.count = 3; // claims more commands than the stream holds
    submitFrame(&frame.list);
    EXPECT_EQ(callCount("glClear"), 1u);

    clearRecordedCalls();
    resetCommandList(&frame.list);
    uint32_t bogus = 5;
    memcpy(pushBytes(&frame.list.commands, 4), &bogus, 4);
    frame.list.count = 1;
    pushClear(&frame.list, colorBlack);
    submitFrame(&frame.list);
    EXPECT_TRUE(recordedCalls().empty());
}

// A one-glyph atlas: every code point maps to the replacement glyph.
struct TinyAtlas
{
    FontAtlasHeader header = {0, 256, 4, 1, 24, 1.0f, 20, -4, 0};
    uint32_t codepoints[1] = {0xFFFD};
    Glyph glyphs[1] = {{0, 0, 2, 2, 0, 10, 0, 0, 0}};
    uint8_t pixels[256 * 4] = {};
    FontAtlas atlas = {};
    TinyAtlas()
    {
        atlas.header = &header;
        atlas.codepoints = codepoints;
        atlas.glyphs = glyphs;
        atlas.pixels = pixels;
    }
};

TEST_F(Render, TextQuadsAndTheAtlasTextureOnce)
{
    TinyAtlas tiny;
    frame.text.font = &tiny.atlas;
    const uint8_t lineFeeds[] = "\n\n";
    const uint8_t word[] = "ab";
    pushText(&frame.text, 10, 10, lineFeeds, 2, 24, colorWhite);
    pushText(&frame.text, 10, 10, word, 2, 24, colorWhite);
    pushDrawBatch(&frame.list, &frame.text);
    submitFrame(&frame.list);

    std::vector<RecordedCall> image = callsNamed("glTexImage2D");
    ASSERT_EQ(image.size(), 1u);
    EXPECT_EQ(image[0].args[2], GL_RED);
    EXPECT_EQ(image[0].args[3], 256);
    EXPECT_EQ(image[0].args[6], GL_RED);
    EXPECT_EQ(callsNamed("glVertexAttribPointer")[2].args, (std::vector<int64_t>{2, 2, GL_FLOAT, GL_FALSE, 32, 24}));
    EXPECT_EQ(callsNamed("glBufferSubData").size(), 2u) << "the line feeds upload nothing";
    EXPECT_EQ(uploadedIndices(frame.text.indexBuffer),
              (std::vector<uint32_t>{0, 1, 2, 3, stripEnd, 4, 5, 6, 7, stripEnd}));
    EXPECT_EQ(frame.text.vertexBytesUsed, 8u * 32);

    frame.resetAll();
    clearRecordedCalls();
    pushText(&frame.text, 10, 10, word, 2, 24, colorWhite);
    pushDrawBatch(&frame.list, &frame.text);
    submitFrame(&frame.list);
    EXPECT_EQ(callCount("glTexImage2D"), 0u);
    EXPECT_EQ(callsNamed("glBindTexture")[0].args[1], (int64_t)frame.text.texture);
}

TEST_F(Render, TextWithoutAnAtlasDrawsNothing)
{
    const uint8_t word[] = "ab";
    pushText(&frame.text, 10, 10, word, 2, 24, colorWhite);
    pushDrawBatch(&frame.list, &frame.text);
    submitFrame(&frame.list);
    EXPECT_EQ(callCount("glBufferSubData"), 0u);
    EXPECT_EQ(callCount("glTexImage2D"), 0u);
    EXPECT_EQ(callsNamed("glDrawElements")[0].args[1], 0);
}

TEST_F(Render, TextureFormatFollowsBitsPerPixel)
{
    const uint8_t pixels[64] = {};
    const int64_t formats[][2] = {{8, GL_RED}, {16, GL_RG}, {24, GL_RGB}, {32, GL_RGBA}, {12, GL_RGBA}};
    for (const auto& format : formats)
    {
        clearRecordedCalls();
        Texture texture = createTexture(pixels, 4, 4, (uint32_t)format[0]);
        EXPECT_NE(texture.name, 0u);
        EXPECT_EQ(texture.bitsPerPixel, (uint32_t)format[0]);
        RecordedCall image = callsNamed("glTexImage2D")[0];
        EXPECT_EQ(image.args[2], format[1]);
        EXPECT_EQ(image.args[6], format[1]);
    }
    std::vector<RecordedCall> parameters = callsNamed("glTexParameteri");
    ASSERT_EQ(parameters.size(), 6u);
    EXPECT_EQ(parameters[2].args[2], GL_CLAMP_TO_EDGE);
    EXPECT_EQ(parameters[5].args[2], GL_LINEAR);
}

TEST_F(Render, ShaderSourcesAreOneLineAfterTheVersion)
{
    for (const char* source : shaderSources)
    {
        std::string text = source;
        EXPECT_EQ(text.rfind("#version 150\n", 0), 0u);
        EXPECT_EQ(text.find('\n'), text.rfind('\n')) << text;
        EXPECT_NE(text.back(), '\n');
    }
}

TEST_F(Render, ShaderProgramBuildOrderAndFailures)
{
    ShaderProgram good = createShaderProgram(shaderSources[3], shaderSources[6]);
    EXPECT_NE(good.program, 0u);
    std::vector<std::string> expected = {"glCreateShader", "glShaderSource", "glCompileShader", "glGetShaderiv",
                                         "glCreateShader", "glShaderSource", "glCompileShader", "glGetShaderiv",
                                         "glCreateProgram", "glAttachShader", "glAttachShader",
                                         "glBindFragDataLocation", "glLinkProgram", "glGetProgramiv"};
    EXPECT_EQ(recordedCallNames(), expected);
    EXPECT_EQ(callsNamed("glShaderSource")[0].text, shaderSources[3]);
    EXPECT_EQ(callsNamed("glShaderSource")[0].args[2], 0) << "no length array";
    EXPECT_EQ(callsNamed("glBindFragDataLocation")[0].text, "fragment_out_color");
    EXPECT_EQ(callsNamed("glAttachShader")[0].args[1], (int64_t)good.vertexShader);

    clearRecordedCalls();
    recordingGL().failingShaderStage = GL_VERTEX_SHADER;
    ShaderProgram broken = createShaderProgram("nonsense", shaderSources[6]);
    EXPECT_EQ(broken.program, 0u);
    EXPECT_EQ(broken.vertexShader, 0u);
    EXPECT_NE(broken.fragmentShader, 0u);
    EXPECT_EQ(callCount("glCreateProgram"), 0u);
    EXPECT_EQ(callCount("glDeleteShader"), 1u);
    EXPECT_EQ(recordingGL().deletedNames.count(broken.fragmentShader), 0u);

    clearRecordedCalls();
    recordingGL().failingShaderStage = 0;
    recordingGL().linkStatus = 0;
    ShaderProgram unlinked = createShaderProgram(shaderSources[3], shaderSources[6]);
    EXPECT_EQ(unlinked.program, 0u);
    EXPECT_EQ(unlinked.vertexShader, 0u);
    EXPECT_EQ(unlinked.fragmentShader, 0u);
    EXPECT_EQ(callCount("glDeleteProgram"), 1u);
    EXPECT_EQ(callCount("glDeleteShader"), 2u);
}

} // namespace
