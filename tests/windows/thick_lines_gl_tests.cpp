// Thick lines against a real rasteriser: drawn white over black into a
// framebuffer and read back, each pixel's red is the line's coverage there.
#include <gtest/gtest.h>
#include <math.h>
#include <vector>
#include "platform/gl_functions.h"
#include "render/frame_submission.h"
#include "render/offscreen_target.h"
#include "render/thick_lines.h"
#include "test_window.h"

namespace {

const uint32_t side = 64;

struct Shape { std::vector<float> points; bool closed; float width; };

// Coverage 0..255 of each pixel, bottom row first.
std::vector<int> draw(const Shape& shape)
{
    static GLuint vertexArray = 0;
    if (!vertexArray)
    {
        gl.glGenVertexArrays(1, &vertexArray);
        gl.glBindVertexArray(vertexArray);
        gl.glEnable(GL_BLEND);
    }
    static std::vector<uint8_t> memory(1 << 20);
    Arena arena = {memory.size(), 0, memory.data()};
    float projection[16] = {};
    computeScreenToNormalized(projection, side, side);
    static uint32_t program = buildThickLineProgram();
    RenderBatch batch = createRenderBatch(&arena, thickLineBatchSize, program, projection);
    RenderCommandList list = {};
    list.commands = subArena(&arena, 1024);
    list.scratch = subArena(&arena, 1 << 16);
    pushThickLine(&batch, shape.points.data(), (uint32_t)shape.points.size() / 2, shape.width, colorWhite,
                  shape.closed);
    OffscreenTarget target = createOffscreenTarget(side, side);
    pushClear(&list, colorBlack);
    pushViewport(&list, 0, 0, side, side);
    pushDrawBatch(&list, &batch);
    submitFrame(&list);
    std::vector<uint8_t> rgba(4 * side * side);
    readOffscreenPixels(&target, rgba.data(), side);
    destroyOffscreenTarget(&target);
    gl.glDeleteBuffers(1, &batch.vertexBuffer);
    gl.glDeleteBuffers(1, &batch.indexBuffer);
    std::vector<int> coverage(side * side);
    for (uint32_t i = 0; i < side * side; ++i) coverage[i] = rgba[4 * i];
    return coverage;
}

float distanceToSegment(float px, float py, const float* a, const float* b)
{
    float dx = b[0] - a[0], dy = b[1] - a[1];
    float t = fmaxf(0, fminf(1, ((px - a[0]) * dx + (py - a[1]) * dy) / fmaxf(dx * dx + dy * dy, 1e-12f)));
    return hypotf(px - a[0] - dx * t, py - a[1] - dy * t);
}

// The ideal: full within half the width less half a pixel of the nearest
// segment, none a pixel further, linear between; overlaps count once.
float idealCoverage(const Shape& shape, float px, float py)
{
    const std::vector<float>& p = shape.points;
    size_t count = p.size() / 2;
    float nearest = count == 1 ? hypotf(px - p[0], py - p[1]) : INFINITY;
    for (size_t i = 0; i + 1 < count; ++i) nearest = fminf(nearest, distanceToSegment(px, py, &p[2 * i], &p[2 * i + 2]));
    if (shape.closed) nearest = fminf(nearest, distanceToSegment(px, py, &p[2 * count - 2], &p[0]));
    return fmaxf(0, fminf(1, shape.width / 2 + 0.5f - nearest));
}

// Every pixel within 2 levels of the ideal: no notch at a joint, no bead
// where two segments overlap (their edge pixels neither summed nor darker),
// no gap where the head outline closes, nothing stray outside.
TEST(ThickLinesGL, EveryPixelHasTheCoverageOfTheUnionOfRoundCapsules)
{
    ASSERT_EQ(sharedTestWindow()->running, 1) << "no OpenGL 3.3 core context";
    const struct { const char* what; Shape shape; } cases[] = {
        {"horizontal, 1 wide", {{8, 32, 56, 32}, false, 1}},
        {"horizontal, 4 wide, on pixel edges", {{8, 32, 56, 32}, false, 4}},
        {"horizontal, 5 wide, on pixel centres", {{8.5f, 32.5f, 56.5f, 32.5f}, false, 5}},
        {"slanted, 12 wide", {{10, 12, 50, 40}, false, 12}},
        {"a right angle, 8 wide", {{12, 16, 40, 16, 40, 52}, false, 8}},
        {"a sharp turn, 6 wide", {{10, 10, 54, 30, 10, 50}, false, 6}},
        {"a closed six-sided head, 4 wide", {{44, 32, 38, 42.4f, 26, 42.4f, 20, 32, 26, 21.6f, 38, 21.6f}, true, 4}},
        {"a dot: one point", {{32, 32}, false, 9}},
    };
    for (const auto& c : cases)
    {
        std::vector<int> coverage = draw(c.shape);
        int worst = 0;
        for (uint32_t y = 0; y < side; ++y)
            for (uint32_t x = 0; x < side; ++x)
            {
                int ideal = (int)lroundf(255 * idealCoverage(c.shape, x + 0.5f, y + 0.5f));
                worst = std::max(worst, abs(coverage[y * side + x] - ideal));
            }
        EXPECT_LE(worst, 2) << c.what;
    }
    EXPECT_EQ(gl.glGetError(), (GLenum)GL_NO_ERROR);
}

} // namespace
