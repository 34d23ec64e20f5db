#include <gtest/gtest.h>
#include <math.h>
#include <string.h>
#include <vector>
#include "app/scenery.h"
#include "render/frame_submission.h"
#include "render/render_batch.h"
#include "render/thick_lines.h"
#include "tests/host/recording_gl.h"
#include "text/font_atlas.h"

namespace {

// The program's batch sizes. Once carved, every region moves to its own
// allocation of exactly its size, so AddressSanitizer catches a write past any of them.
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
    void submit()
    {
        for (RenderBatch* batch : {&rects, &lines, &points, &text}) pushDrawBatch(&list, batch);
        submitFrame(&list);
    }
};

using Calls = std::vector<std::vector<int64_t>>;

Calls argsOf(const std::string& name)
{
    Calls all;
    for (const RecordedCall& call : recordedCalls())
        if (call.name == name) all.push_back(call.args);
    return all;
}

class Render : public ::testing::Test
{
protected:
    void SetUp() override { installRecordingGL(); }
    void TearDown() override { EXPECT_EQ(invalidOperations(), 0) << "an upload or draw left a buffer"; }
    Frame frame;
};

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
    std::vector<uint64_t> before = {1, (uint64_t)draws, batch->draws.used, batch->vertexData.used};
    push(refusedItems);
    EXPECT_EQ((std::vector<uint64_t>{batch->overflowed, batch->drawCount, batch->draws.used, batch->vertexData.used}),
              before);
    resetBatch(batch);
    EXPECT_EQ(batch->overflowed, 0u);
}

TEST_F(Render, EveryCapacityRefusesTheWholeDraw)
{
    frame.points.vertexData.capacity = 10 * 8; // ten points of data, far below the GL buffers
    frame.rects.vertexBufferSize = 10 * 96;    // ten rectangles' vertices
    RenderBatch shortText = frame.text;
    shortText.vertexBufferSize = 10 * 128; // ten glyphs' vertices
    const struct { const char* limit; RenderBatch* batch; int draws; uint32_t items, refusedItems; } cases[] = {
        {"draw list (512 slots)", &frame.lines, 512, 0, 0},
        {"text draw list (100 slots)", &frame.text, 100, 0, 0},
        {"text bytes", &frame.text, 1, 2048, 1},
        {"vertex data", &frame.points, 10, 1, 1},
        {"vertex buffer", &frame.rects, 10, 1, 1},
        {"text vertex buffer", &shortText, 1, 10, 1},
        {"index buffer: 1023 indices, no room for one more terminator", &frame.lines, 1, 1022, 0},
        {"a 1023-point strip needs 1024 indices", &frame.lines, 0, 0, 1023},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.limit);
        expectRefusal(c.batch, c.draws, c.items, c.refusedItems);
    }

    // Filled to exactly its vertex buffer, a batch still draws whole.
    float rect[4] = {0, 0, 1, 1};
    for (int i = 0; i < 10; ++i) pushDraw(&frame.rects, rect, 1, colorWhite);
    frame.submit();
    EXPECT_EQ(argsOf("glDrawElements").at(0)[1], 50) << "ten rectangles of four corners and a restart";

    // A push of the wrong form for the batch's kind is ignored.
    float point[2] = {5, 5};
    pushDraw(&frame.points, point, 1, colorRed);
    pushDraw(&frame.lines, point, 1, 3.0f, colorRed);
    pushText(&frame.lines, 0, 0, (const uint8_t*)"ab", 2, 24, colorWhite);
    EXPECT_EQ(frame.points.drawCount + frame.lines.drawCount, 0u);

    // An empty draw is passed over; one whose points reach a byte past the batch's data is left out.
    pushDraw(&frame.points, rect, 0, 2.0f, colorRed);
    pushDraw(&frame.points, rect, 1, 2.0f, colorRed);
    pushDraw(&frame.points, rect, 2, 2.0f, colorRed);
    frame.points.vertexData.used -= 1;
    pushDraw(&frame.lines, rect, 2, colorRed);
    frame.lines.positionComponents = 1; // a layout no batch can draw
    resetBatch(&frame.rects);
    resetCommandList(&frame.list);
    clearRecordedCalls();
    frame.submit();
    EXPECT_EQ(argsOf("glDrawElements"), (Calls{{GL_TRIANGLE_STRIP, 5, GL_UNSIGNED_INT, 0}})) << "one square";

    // Room for 32 bytes: the clear (20) fits, the viewport (20) does not, a batch command (12) still does.
    RenderCommandList tight = {0, frame.region(32), {}, 0};
    pushClear(&tight, colorBlack);
    pushViewport(&tight, 0, 0, 1, 1);
    pushDrawBatch(&tight, &frame.lines);
    pushDrawBatch(&tight, &frame.lines);
    EXPECT_EQ((std::vector<uint64_t>{tight.count, tight.commands.used, tight.overflowed}), (std::vector<uint64_t>{2, 32, 1}));
    tight.scratch.used = 1;
    resetCommandList(&tight);
    EXPECT_EQ((std::vector<uint64_t>{tight.count, tight.commands.used, tight.overflowed, tight.scratch.used}),
              std::vector<uint64_t>(4, 0));
}

// The room is drawn from what its arena holds, up to a cut-off end, and
// only a whole room is ever written.
TEST_F(Render, SceneryDrawsWhatItsArenaHoldsAndIsWrittenWhole)
{
    std::vector<uint8_t> memory(484);
    Arena tooSmall = {483, 0, memory.data()};
    buildScenery(&tooSmall);
    EXPECT_EQ(tooSmall.used, 0u);
    Arena room = {484, 0, memory.data()};
    buildScenery(&room);
    const struct { uint64_t used; uint32_t draws; } cases[] = {{484, 24}, {483, 23}, {464, 23}, {24, 1}, {3, 0}};
    for (const auto& c : cases)
    {
        Arena cut = {484, c.used, memory.data()};
        drawScenery(&cut, &frame.lines);
        EXPECT_EQ(frame.lines.drawCount, c.draws) << c.used;
        resetBatch(&frame.lines);
    }
}

// A minimised window keeps the last matrix; before there is one, a 1 x 1 area stands in.
TEST(Projection, AnUnusableSizeKeepsTheLastMatrixOrStandsInAsOnePixel)
{
    // A one-pixel side gives 2, the most a matrix can hold; more is no matrix.
    const struct { float before, beforeY; int32_t width, height; float x, y; } cases[] = {
        {0, 0, 640, 360, 2 / 640.0f, 2 / 360.0f},
        {0, 0, 0, 360, 2, 2},
        {0, 0, 640, -1, 2, 2},
        {2 / 640.0f, 2 / 640.0f, 0, 0, 2 / 640.0f, 2 / 640.0f},
        {2, 2 / 720.0f, 0, 0, 2, 2 / 720.0f},
        {2 / 640.0f, 2, 0, 0, 2 / 640.0f, 2},
        {2.5f, 2 / 720.0f, 0, 0, 2, 2},
        {2 / 640.0f, 2.5f, 0, 0, 2, 2},
    };
    for (const auto& c : cases)
    {
        float matrix[16] = {c.before, 0, 0, 0, 0, c.beforeY};
        computeScreenToNormalized(matrix, c.width, c.height);
        EXPECT_EQ((std::vector<float>{matrix[0], matrix[5]}), (std::vector<float>{c.x, c.y})) << c.width << c.height;
    }
}

// A one-glyph atlas: every code point maps to the replacement glyph.
struct TinyAtlas
{
    FontAtlasHeader header = {0, 256, 4, 1, 24, 1.0f, 20, -4, 0};
    uint32_t codepoints[1] = {0xFFFD};
    Glyph glyphs[1] = {{0, 0, 2, 2, 0, 10, 0, 0, 0}};
    uint8_t pixels[256 * 4] = {};
    FontAtlas atlas = {&header, codepoints, glyphs, pixels, 0};
};

TEST_F(Render, SubmissionStopsAtTheEndOfTheScratch)
{
    // The scratch, entered at an odd byte, holds one square (116 bytes of
    // vertices and indices) or exactly one glyph (148) past its alignment.
    frame.list.scratch = frame.region(200);
    frame.list.scratch.used = 3;
    frame.list.scratch.capacity = 3 + (16 - ((uintptr_t)frame.list.scratch.base + 3) % 16) % 16 + 148;
    TinyAtlas tiny;
    frame.text.font = &tiny.atlas;
    float point[6] = {1, 1, 2, 2, 3, 3};
    pushDraw(&frame.points, point, 1, 2.0f, colorWhite);
    pushDraw(&frame.points, point, 3, 2.0f, colorWhite);
    pushDraw(&frame.points, point, 1, 2.0f, colorWhite);
    for (int i = 0; i < 4; ++i) pushText(&frame.text, 0, 0, (const uint8_t*)"a", 1, 24, colorWhite);
    memset(frame.text.draws.base + 2 * textDrawStride + offsetof(TextDraw, length), 0xFF, 4); // past the batch's data
    frame.submit();
    EXPECT_EQ(frame.points.indexBytesUsed, 20u) << "expansion stops at the draw that does not fit";
    EXPECT_EQ(frame.text.indexBytesUsed, 40u) << "each draw gives its room back, up to the one outside the data";
}

// A quad per segment and one for a lone point, drawn twice from a scratch entered at an odd byte that
// holds exactly the batch's room (given back each time); lines mid-grey or lighter blend by the lighter value.
TEST_F(Render, ThickLinesDrawAQuadPerSegmentFromTheirScratch)
{
    RenderBatch thick = frame.batch(thickLineBatchSize, 9);
    thick.vertexBufferSize = 5 * 4 * 44; // exactly the five quads pushed
    const float path[10] = {0, NAN, 0, 0, 10, 0, 10, 10, NAN, 0}; // a segment with an end not a number: no quad
    pushThickLine(&thick, path, 5, 2, {0.5f, 0.5f, 0.5f, 1}, false);
    pushThickLine(&thick, path + 4, 1, 2, colorWhite, false);
    frame.list.scratch = frame.region(1024);
    frame.list.scratch.used = 3;
    frame.list.scratch.capacity = 3 + (16 - ((uintptr_t)frame.list.scratch.base + 3) % 16) % 16 + 5 * (4 * 44 + 20);
    pushDrawBatch(&frame.list, &thick);
    pushDrawBatch(&frame.list, &thick);
    submitFrame(&frame.list);
    ASSERT_EQ(argsOf("glDrawElements"), Calls(2, {GL_TRIANGLE_STRIP, 15, GL_UNSIGNED_INT, 0}));
    EXPECT_EQ(argsOf("glBlendEquation"), (Calls{{GL_MAX}, {GL_FUNC_ADD}, {GL_MAX}, {GL_FUNC_ADD}}));
    const std::vector<uint8_t>& indices = bufferBytes(thick.indexBuffer);
    EXPECT_EQ((std::vector<uint64_t>{indices.at(13 * 4), thick.vertexBytesUsed, thick.indexBytesUsed}),
              (std::vector<uint64_t>{11, 3 * 4 * 44, 60})) << "the last corner's index; the bytes used";
    // The first corner of the first segment's quad and of the dot's: the segment's ends and the half width.
    for (uint32_t quad : {0, 2})
    {
        float ends[5];
        memcpy(ends, bufferBytes(thick.vertexBuffer).data() + (quad * 4 * 11 + 2) * 4, sizeof ends);
        EXPECT_EQ(std::vector<float>(ends, ends + 5), (std::vector<float>{quad ? 10.0f : 0, 0, 10, 0, 1})) << quad;
    }
    gl.glGetProgramiv = [](GLuint, GLenum, GLint* status) { *status = 0; }; // a program that does not link
    EXPECT_TRUE(buildThickLineProgram() == 0 && argsOf("glDeleteShader").size() == 2) << "both its shaders deleted";
}

// A frame the shown copy cannot hold whole is never the same, and leaves no copy behind.
TEST_F(Render, AFrameTooBigForTheShownCopyIsNeverTheSame)
{
    ShownFrame shown = {frame.region(24), 0, 0}; // the count (4) and one clear (20)
    pushClear(&frame.list, colorBlack);
    pushViewport(&frame.list, 0, 0, 1, 1);
    frame.list.commands.used -= 20; // the viewport cut off: what is read matches the copy, the count too
    bool first = sameAsShownFrame(&frame.list, &shown), again = sameAsShownFrame(&frame.list, &shown);
    frame.list.commands.used += 20;
    bool grown = sameAsShownFrame(&frame.list, &shown);
    EXPECT_EQ((std::vector<uint64_t>{first, again, grown, shown.valid, shown.length}),
              (std::vector<uint64_t>{0, 1, 0, 0, 0}));
}

TEST_F(Render, ViewportTruncatesAndNeverPassesNonsense)
{
    pushClear(&frame.list, {0.25f, 0.5f, 0.75f, 1});
    pushViewport(&frame.list, 0, 0, 1279.9f, 719.9f);
    pushViewport(&frame.list, -3.7f, NAN, INFINITY, -20);
    const float line[4] = {0, 0, 1, 1};
    pushDraw(&frame.lines, line, 2, colorWhite);
    pushDrawBatch(&frame.list, &frame.lines);
    frame.list.commands.used -= 1; // a command cut short ends the list
    submitFrame(&frame.list);
    EXPECT_TRUE(argsOf("glDrawElements").empty());
    EXPECT_EQ(argsOf("glClear"), (Calls{{GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT}}));
    EXPECT_EQ(argsOf("glClearColor"), (Calls{{0x3E800000, 0x3F000000, 0x3F400000, 0x3F800000}}));
    EXPECT_EQ(argsOf("glViewport"), (Calls{{0, 0, 1279, 719}, {-3, 0, 1073741824, 0}}));
}

} // namespace
