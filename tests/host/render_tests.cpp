#include <gtest/gtest.h>
#include <math.h>
#include <string.h>
#include <vector>
#include "render/frame_submission.h"
#include "render/render_batch.h"
#include "tests/host/recording_gl.h"
#include "text/font_atlas.h"

namespace {

const uint32_t stripEnd = 0xFFFFFFFFu;

// The program's batch sizes. Every region sits in its own allocation of
// exactly its size, so AddressSanitizer catches a write past any of them.
struct Frame
{
    std::vector<std::vector<uint8_t>> blocks;
    float projection[16] = {};
    RenderCommandList list = {};
    RenderBatch lines, points, rects, text;

    Frame()
    {
        computeScreenToNormalized(projection, 1280, 720);
        list.commands = region(1 << 20);
        list.scratch = region(1 << 20);
        lines = batch(lineBatchSize, 7);
        points = batch(pointBatchSize, 7);
        rects = batch(rectBatchSize, 7);
        text = batch(textBatchSize, 8);
    }
    Arena region(uint64_t bytes)
    {
        blocks.emplace_back(bytes);
        return {bytes, 0, blocks.back().data()};
    }
    RenderBatch batch(BatchSize size, uint32_t program)
    {
        Arena carved = region(size.drawListBytes + size.vertexDataBytes);
        RenderBatch made = createRenderBatch(&carved, size, program, projection);
        made.draws = region(size.drawListBytes);
        made.vertexData = region(size.vertexDataBytes);
        return made;
    }
    void queueAll()
    {
        pushDrawBatch(&list, &rects);
        pushDrawBatch(&list, &lines);
        pushDrawBatch(&list, &points);
        pushDrawBatch(&list, &text);
    }
    void submit()
    {
        queueAll();
        submitFrame(&list);
    }
};

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
    void TearDown() override { EXPECT_EQ(invalidOperations(), 0) << "an upload or draw left a buffer"; }
    Frame frame;
};

TEST_F(Render, BatchWithoutDrawsCallsNoGL)
{
    pushClear(&frame.list, colorBlack);
    frame.submit();
    EXPECT_EQ(callCount("glUseProgram"), 0u);
    EXPECT_EQ(recordedCalls().size(), 2u) << "only glClearColor and glClear";
}

TEST_F(Render, PointSquaresAndRectanglesExpandToQuads)
{
    const Color grey = {0.1f, 0.2f, 0.3f, 0.4f};
    float point[2] = {100, 100};
    pushDraw(&frame.points, point, 1, 6.0f, grey);
    pushDraw(&frame.points, point, 0, 6.0f, grey); // produces nothing
    pushDraw(&frame.points, point, 1, 2.0f, colorRed);
    float reversed[4] = {50, 60, 10, 20}; // second corner left of and below the first
    pushDraw(&frame.rects, reversed, 1, colorBlue);
    frame.submit();

    EXPECT_EQ(uploadedFloats(frame.points.vertexBuffer),
              joined({vertex(97, 97, grey), vertex(103, 97, grey), vertex(97, 103, grey), vertex(103, 103, grey),
                      vertex(99, 99, colorRed), vertex(101, 99, colorRed), vertex(99, 101, colorRed),
                      vertex(101, 101, colorRed)}));
    EXPECT_EQ(uploadedIndices(frame.points.indexBuffer),
              (std::vector<uint32_t>{0, 1, 2, 3, stripEnd, 4, 5, 6, 7, stripEnd}));
    EXPECT_EQ(uploadedFloats(frame.rects.vertexBuffer),
              joined({vertex(50, 60, colorBlue), vertex(10, 60, colorBlue), vertex(50, 20, colorBlue),
                      vertex(10, 20, colorBlue)}));

    std::vector<RecordedCall> drawsIssued = callsNamed("glDrawElements");
    ASSERT_EQ(drawsIssued.size(), 2u);
    EXPECT_EQ(drawsIssued[0].args, (std::vector<int64_t>{GL_TRIANGLE_STRIP, 5, GL_UNSIGNED_INT, 0}));
    EXPECT_EQ(drawsIssued[1].args[1], 10);
}

TEST_F(Render, LineStripsEndWithATerminatorAndIndicesKeepCounting)
{
    float first[6] = {0, 0, 1, 1, 2, 0};
    float second[4] = {5, 5, 6, 6};
    pushDraw(&frame.lines, first, 3, colorWhite);
    first[0] = 99; // the batch holds its own copy
    pushDraw(&frame.lines, second, 0, colorWhite);
    pushDraw(&frame.lines, second, 2, colorRed);
    frame.submit();

    EXPECT_EQ(uploadedIndices(frame.lines.indexBuffer),
              (std::vector<uint32_t>{0, 1, 2, stripEnd, stripEnd, 3, 4, stripEnd}));
    EXPECT_EQ(uploadedFloats(frame.lines.vertexBuffer),
              joined({vertex(0, 0, colorWhite), vertex(1, 1, colorWhite), vertex(2, 0, colorWhite),
                      vertex(5, 5, colorRed), vertex(6, 6, colorRed)}));
    EXPECT_EQ(callsNamed("glDrawElements")[0].args, (std::vector<int64_t>{GL_LINE_STRIP, 8, GL_UNSIGNED_INT, 0}));
    EXPECT_EQ(callsNamed("glPrimitiveRestartIndex")[0].args[0], (int64_t)stripEnd);
}

// Pushes `draws` draws of `items` points (or text bytes) each, then checks
// that one more of `refusedItems` is refused whole and flags the batch.
void expectRefusal(RenderBatch* batch, int draws, uint32_t items, uint32_t refusedItems)
{
    static const float zeros[4096] = {};
    auto push = [&](uint32_t count) {
        if (batch->kind == Points)
            pushDraw(batch, zeros, count, 2.0f, colorWhite);
        else if (batch->kind == Text)
            pushText(batch, 0, 0, (const uint8_t*)zeros, count, 24, colorWhite);
        else
            pushDraw(batch, zeros, count, colorWhite);
    };
    for (int i = 0; i < draws; ++i) push(items);
    ASSERT_EQ(batch->overflowed, 0u);
    Arena drawsBefore = batch->draws, dataBefore = batch->vertexData;
    push(refusedItems);
    EXPECT_EQ(batch->overflowed, 1u);
    EXPECT_EQ(batch->drawCount, (uint32_t)draws);
    EXPECT_EQ(batch->draws.used, drawsBefore.used);
    EXPECT_EQ(batch->vertexData.used, dataBefore.used);
    resetBatch(batch);
    EXPECT_EQ(batch->overflowed, 0u);
}

TEST_F(Render, EveryCapacityRefusesTheWholeDraw)
{
    frame.points.vertexData.capacity = 10 * 8; // ten points of data, far below the GL buffers
    frame.rects.vertexBufferSize = 10 * 96;    // ten rectangles' vertices
    struct
    {
        const char* limit;
        RenderBatch* batch;
        int draws;
        uint32_t items, refusedItems;
    } cases[] = {
        {"draw list (512 slots)", &frame.lines, 512, 0, 0},
        {"text draw list (100 slots)", &frame.text, 100, 0, 0},
        {"text bytes", &frame.text, 1, 2048, 1},
        {"vertex data", &frame.points, 10, 1, 1},
        {"vertex buffer", &frame.rects, 10, 1, 1},
        {"index buffer: 1023 indices, no room for one more terminator", &frame.lines, 1, 1022, 0},
        {"a 1023-point strip needs 1024 indices", &frame.lines, 0, 0, 1023},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.limit);
        expectRefusal(c.batch, c.draws, c.items, c.refusedItems);
    }

    // A push of the wrong form for the batch's kind is ignored.
    float point[2] = {5, 5};
    pushDraw(&frame.points, point, 1, colorRed);
    pushDraw(&frame.lines, point, 1, 3.0f, colorRed);
    pushText(&frame.lines, 0, 0, (const uint8_t*)"ab", 2, 24, colorWhite);
    EXPECT_EQ(frame.points.drawCount + frame.lines.drawCount, 0u);
}

TEST_F(Render, EachFrameStartsFromEmptyBuffers)
{
    float strip[4] = {0, 0, 1, 1};
    for (int i = 0; i < 2; ++i)
    {
        resetBatch(&frame.lines);
        resetCommandList(&frame.list);
        clearRecordedCalls();
        pushDraw(&frame.lines, strip, 2, colorWhite);
        frame.submit();
        EXPECT_EQ(uploadedIndices(frame.lines.indexBuffer), (std::vector<uint32_t>{0, 1, stripEnd})) << "frame " << i;
        EXPECT_EQ(callsNamed("glDrawElements")[0].args[1], 3) << "frame " << i;
    }
}

TEST_F(Render, FullBatchesSubmitWithinEveryBuffer)
{
    static float data[2048];
    for (int i = 0; i < 2048; ++i) data[i] = (float)i;
    for (int i = 0; i < 4; ++i) pushDraw(&frame.points, data + i * 512, 256, 3.0f, colorWhite);
    pushDraw(&frame.lines, data, 1022, colorWhite);
    pushDraw(&frame.rects, data, 64, colorWhite);
    EXPECT_EQ(frame.points.overflowed + frame.lines.overflowed + frame.rects.overflowed, 0u);
    frame.submit(); // the fixture checks that every upload and draw stayed inside its buffer
    EXPECT_EQ(frame.points.indexBytesUsed, 20480u);
    EXPECT_EQ(frame.lines.indexBytesUsed, 4092u);
    EXPECT_EQ(frame.rects.indexBytesUsed, 1280u);
}

TEST_F(Render, SubmissionStopsAtTheEndOfTheScratch)
{
    float point[6] = {1, 1, 2, 2, 3, 3};
    // The scratch holds one square (116 bytes of vertices and indices) but not three.
    frame.list.scratch = frame.region(200);
    pushDraw(&frame.points, point, 1, 2.0f, colorWhite);
    pushDraw(&frame.points, point, 3, 2.0f, colorWhite);
    pushDraw(&frame.points, point, 1, 2.0f, colorWhite);
    frame.submit();
    EXPECT_EQ(frame.points.indexBytesUsed, 20u) << "expansion stops at the draw that does not fit";
    EXPECT_EQ(frame.list.scratch.used, 0u);
}

TEST_F(Render, CommandStreamSizesAndRefusal)
{
    pushClear(&frame.list, colorBlack);
    pushViewport(&frame.list, 0, 0, 1280, 720);
    frame.queueAll();
    EXPECT_EQ(frame.list.count, 6u);
    EXPECT_EQ(frame.list.commands.used, 88u);

    resetCommandList(&frame.list);
    pushClear(&frame.list, colorBlack);
    frame.queueAll();
    EXPECT_EQ(frame.list.count, 5u);
    EXPECT_EQ(frame.list.commands.used, 68u);

    // Room for 32 bytes: the clear (20) fits, the viewport (20) does not, a batch command (12) still does.
    RenderCommandList tight = {};
    tight.commands = frame.region(32);
    pushClear(&tight, colorBlack);
    pushViewport(&tight, 0, 0, 1, 1);
    EXPECT_EQ(tight.overflowed, 1u);
    pushDrawBatch(&tight, &frame.lines);
    pushDrawBatch(&tight, &frame.lines);
    EXPECT_EQ(tight.count, 2u);
    EXPECT_EQ(tight.commands.used, 32u);
}

TEST_F(Render, ViewportTruncatesAndNeverPassesNonsense)
{
    pushViewport(&frame.list, 0, 0, 1279.9f, 719.9f);
    pushViewport(&frame.list, -3.7f, NAN, INFINITY, -20);
    submitFrame(&frame.list);
    std::vector<RecordedCall> viewports = callsNamed("glViewport");
    ASSERT_EQ(viewports.size(), 2u);
    EXPECT_EQ(viewports[0].args, (std::vector<int64_t>{0, 0, 1279, 719}));
    EXPECT_EQ(viewports[1].args[0], -3);
    EXPECT_EQ(viewports[1].args[1], 0);
    EXPECT_GT(viewports[1].args[2], 0);
    EXPECT_EQ(viewports[1].args[3], 0);
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

    float kept[16];
    memcpy(kept, m, sizeof kept);
    computeScreenToNormalized(m, 0, 0);
    EXPECT_EQ(memcmp(kept, m, sizeof kept), 0) << "a minimised window keeps the last matrix";

    float fresh[16] = {};
    computeScreenToNormalized(fresh, 0, 0);
    for (float value : fresh) EXPECT_TRUE(isfinite(value)) << "before any real size, a 1 x 1 area stands in";
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

TEST_F(Render, TextQuadsTheAtlasUploadedOnceAndNothingWithoutAnAtlas)
{
    const uint8_t word[] = "ab";
    pushText(&frame.text, 10, 10, word, 2, 24, colorWhite);
    frame.submit();
    EXPECT_EQ(callCount("glBufferSubData"), 0u) << "no atlas, no quads";

    TinyAtlas tiny;
    frame.text.font = &tiny.atlas;
    const Color tint = {0.1f, 0.2f, 0.3f, 0.4f};
    for (int i = 0; i < 2; ++i)
    {
        resetBatch(&frame.text);
        resetCommandList(&frame.list);
        clearRecordedCalls();
        pushText(&frame.text, 10, 10, (const uint8_t*)"\n\n", 2, 24, colorWhite); // line feeds draw nothing
        pushText(&frame.text, 10, 10, word, 2, 24, tint);
        frame.submit();
        std::vector<float> vertices = uploadedFloats(frame.text.vertexBuffer);
        ASSERT_EQ(vertices.size(), 8u * 8);
        EXPECT_EQ(std::vector<float>(vertices.begin() + 2, vertices.begin() + 6),
                  (std::vector<float>{tint.r, tint.g, tint.b, tint.a}));
        EXPECT_EQ(uploadedIndices(frame.text.indexBuffer),
                  (std::vector<uint32_t>{0, 1, 2, 3, stripEnd, 4, 5, 6, 7, stripEnd}));
        EXPECT_EQ(frame.text.vertexBytesUsed, 8u * 32);
        EXPECT_EQ(callCount("glTexImage2D"), i == 0 ? 1u : 0u) << "frame " << i;
        EXPECT_EQ(callCount("glGenBuffers"), 0u) << "the buffers made in the first frame stay";
    }
}

} // namespace
