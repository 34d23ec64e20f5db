// The renderer against a real OpenGL 3.3 core context: the shader sources
// compile, and a submitted frame puts pixels where the batches say.
#include <gtest/gtest.h>
#include <vector>
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include "platform/gl_functions.h"
#include "render/frame_submission.h"
#include "render/render_batch.h"
#include "render/shader_program.h"
#include "test_window.h"
#include "text/font_atlas.h"

namespace {

typedef void(APIENTRY* ReadPixelsFunction)(GLint, GLint, GLsizei, GLsizei, GLenum, GLenum, void*);

// Within 2 of the expected colour in every channel.
::testing::AssertionResult hasColour(int x, int y, int r, int g, int b)
{
    static ReadPixelsFunction readPixels =
        (ReadPixelsFunction)(void*)GetProcAddress(GetModuleHandleA("opengl32.dll"), "glReadPixels");
    uint8_t p[4] = {};
    readPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    if (abs(p[0] - r) <= 2 && abs(p[1] - g) <= 2 && abs(p[2] - b) <= 2) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is " << (int)p[0] << " " << (int)p[1]
                                         << " " << (int)p[2] << ", expected " << r << " " << g << " " << b;
}

class RenderGL : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(sharedTestWindow()->running, 1) << "no OpenGL 3.3 core context";
        while (gl.glGetError() != GL_NO_ERROR) {}
    }
};

bool shaderAlive(uint32_t shader)
{
    GLint compiled = 0, deleting = 1;
    gl.glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
    gl.glGetShaderiv(shader, GL_DELETE_STATUS, &deleting);
    return gl.glGetError() == GL_NO_ERROR && compiled == GL_TRUE && deleting == GL_FALSE;
}

TEST_F(RenderGL, BothProgramsLinkAndABrokenVertexShaderLeavesTheFragmentShaderAlive)
{
    const int pairs[2][2] = {{colorVertexShader, colorFragmentShader}, {textVertexShader, textFragmentShader}};
    for (const auto& pair : pairs)
    {
        ShaderProgram built = createShaderProgram(shaderSources[pair[0]], shaderSources[pair[1]]);
        ASSERT_NE(built.program, 0u) << "sources " << pair[0] << " and " << pair[1];
        GLint attached = 0;
        gl.glGetProgramiv(built.program, GL_ATTACHED_SHADERS, &attached);
        EXPECT_EQ(attached, 2);
        EXPECT_TRUE(shaderAlive(built.vertexShader));
        EXPECT_TRUE(shaderAlive(built.fragmentShader));
    }

    ShaderProgram broken = createShaderProgram("#version 150\nvoid main( ) {this is not glsl;}",
                                               shaderSources[colorFragmentShader]);
    EXPECT_EQ(broken.program, 0u);
    EXPECT_EQ(broken.vertexShader, 0u);
    ASSERT_NE(broken.fragmentShader, 0u);
    EXPECT_TRUE(shaderAlive(broken.fragmentShader));
}

// The state the program sets at start and its batches, cleared to black.
struct GLFrame
{
    std::vector<uint8_t> memory = std::vector<uint8_t>(4 << 20);
    Arena arena = {memory.size(), 0, memory.data()};
    float projection[16] = {};
    RenderCommandList list = {};
    RenderBatch lines, points, rects, text;

    GLFrame()
    {
        GLuint vertexArray = 0;
        gl.glGenVertexArrays(1, &vertexArray);
        gl.glBindVertexArray(vertexArray);
        gl.glEnable(GL_BLEND);
        gl.glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

        computeScreenToNormalized(projection, 1280, 720);
        list.commands = subArena(&arena, 1 << 20);
        list.scratch = subArena(&arena, 1 << 20);
        uint32_t colour = createShaderProgram(shaderSources[colorVertexShader], shaderSources[colorFragmentShader]).program;
        uint32_t textProgram = createShaderProgram(shaderSources[textVertexShader], shaderSources[textFragmentShader]).program;
        lines = createRenderBatch(&arena, lineBatchSize, colour, projection);
        points = createRenderBatch(&arena, pointBatchSize, colour, projection);
        rects = createRenderBatch(&arena, rectBatchSize, colour, projection);
        text = createRenderBatch(&arena, textBatchSize, textProgram, projection);
        pushClear(&list, colorBlack);
        pushViewport(&list, 0, 0, 1280, 720);
    }

    void submit()
    {
        pushDrawBatch(&list, &rects);
        pushDrawBatch(&list, &lines);
        pushDrawBatch(&list, &points);
        pushDrawBatch(&list, &text);
        submitFrame(&list);
    }
};

TEST_F(RenderGL, RectangleLineAndSquareLandWhereTheyShould)
{
    GLFrame frame;
    float corners[4] = {200, 150, 100, 100}; // second corner left of and below the first
    pushDraw(&frame.rects, corners, 1, colorRed);
    float strip[6] = {100, 300.5f, 400.5f, 300.5f, 400.5f, 500};
    pushDraw(&frame.lines, strip, 3, colorGreen);
    float point[2] = {600, 400};
    pushDraw(&frame.points, point, 1, 10.0f, colorBlue);
    frame.submit();
    ASSERT_EQ(gl.glGetError(), (GLenum)GL_NO_ERROR);

    const int pixels[][5] = {
        {101, 101, 255, 0, 0}, {198, 148, 255, 0, 0}, {203, 125, 0, 0, 0},  {150, 153, 0, 0, 0}, // rectangle
        {250, 300, 0, 255, 0}, {400, 450, 0, 255, 0}, {250, 303, 0, 0, 0},                       // line strip
        {596, 396, 0, 0, 255}, {603, 403, 0, 0, 255}, {607, 400, 0, 0, 0},  {600, 393, 0, 0, 0}, // 10 x 10 square
    };
    for (const auto& p : pixels) EXPECT_TRUE(hasColour(p[0], p[1], p[2], p[3], p[4]));
}

// One glyph four texels wide: two columns of red 0, then two of red 1.
struct StripedAtlas
{
    FontAtlasHeader header = {0, 256, 4, 1, 24, 1.0f, 20, -4, 0};
    uint32_t codepoints[1] = {0xFFFD};
    Glyph glyphs[1] = {{0, 0, 4, 4, 0, 4, 0, 0, 0}};
    uint8_t pixels[256 * 4] = {};
    FontAtlas atlas = {};

    StripedAtlas()
    {
        for (int row = 0; row < 4; ++row) pixels[row * 256 + 2] = pixels[row * 256 + 3] = 255;
        atlas.header = &header;
        atlas.codepoints = codepoints;
        atlas.glyphs = glyphs;
        atlas.pixels = pixels;
    }
};

TEST_F(RenderGL, TextQuadTakesItsAlphaFromTheAtlasRedChannel)
{
    GLFrame frame;
    StripedAtlas striped;
    frame.text.font = &striped.atlas;
    float under[4] = {100, 100, 500, 150};
    pushDraw(&frame.rects, under, 1, colorWhite);
    // At size 2400 (100 times the baked 24) the 4 x 4 glyph covers x and y
    // 100..500: transparent texels left of x 300, opaque ones right of it.
    const Color halfYellow = {1, 1, 0, 0.5f};
    pushText(&frame.text, 100, 100, (const uint8_t*)"x", 1, 2400, halfYellow);
    frame.submit();
    ASSERT_EQ(gl.glGetError(), (GLenum)GL_NO_ERROR);

    EXPECT_TRUE(hasColour(200, 125, 255, 255, 255)) << "red 0 is transparent over the white strip";
    EXPECT_TRUE(hasColour(200, 175, 0, 0, 0)) << "red 0 is transparent over black";
    EXPECT_TRUE(hasColour(400, 125, 255, 255, 128)) << "red 1 keeps the vertex alpha of 0.5 over white";
    EXPECT_TRUE(hasColour(400, 175, 128, 128, 0)) << "red 1 keeps the vertex alpha of 0.5 over black";
}

} // namespace
