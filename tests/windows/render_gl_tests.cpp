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

bool shaderAlive(uint32_t shader)
{
    GLint compiled = 0, deleting = 1;
    gl.glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
    gl.glGetShaderiv(shader, GL_DELETE_STATUS, &deleting);
    return gl.glGetError() == GL_NO_ERROR && compiled == GL_TRUE && deleting == GL_FALSE;
}

uint32_t linked(int vertexSource, int fragmentSource)
{
    ShaderProgram built = createShaderProgram(shaderSources[vertexSource], shaderSources[fragmentSource]);
    GLint attached = 0;
    gl.glGetProgramiv(built.program, GL_ATTACHED_SHADERS, &attached);
    EXPECT_EQ(attached, 2);
    EXPECT_TRUE(shaderAlive(built.vertexShader) && shaderAlive(built.fragmentShader));
    return built.program;
}

TEST(RenderGL, BothProgramsLinkAndABrokenVertexShaderLeavesTheFragmentShaderAlive)
{
    ASSERT_EQ(sharedTestWindow()->running, 1) << "no OpenGL 3.3 core context";
    EXPECT_NE(linked(colorVertexShader, colorFragmentShader), 0u);
    EXPECT_NE(linked(textVertexShader, textFragmentShader), 0u);
    ShaderProgram broken = createShaderProgram("#version 150\nvoid main( ) {this is not glsl;}",
                                               shaderSources[colorFragmentShader]);
    EXPECT_EQ(broken.program, 0u);
    EXPECT_EQ(broken.vertexShader, 0u);
    EXPECT_TRUE(shaderAlive(broken.fragmentShader));
    // Both compile but do not link: the stages disagree on outColor's type.
    const char* mismatched = "#version 150\nin vec2 outColor;out vec4 o;void main( ) {o = outColor.xyxy;}";
    ShaderProgram unlinked = createShaderProgram(shaderSources[colorVertexShader], mismatched);
    EXPECT_EQ((std::vector<uint32_t>{unlinked.program, unlinked.vertexShader, unlinked.fragmentShader}),
              std::vector<uint32_t>(3, 0));
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
        atlas = {{}, &header, codepoints, glyphs, pixels};
    }
};

// The state the program sets at start and its four batches, on black.
TEST(RenderGL, BatchesLandWhereTheySayAndTextTakesItsAlphaFromTheAtlas)
{
    ASSERT_EQ(sharedTestWindow()->running, 1) << "no OpenGL 3.3 core context";
    while (gl.glGetError() != GL_NO_ERROR) {}
    GLuint vertexArray = 0;
    gl.glGenVertexArrays(1, &vertexArray);
    gl.glBindVertexArray(vertexArray);
    gl.glEnable(GL_BLEND);
    gl.glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    std::vector<uint8_t> memory(4 << 20);
    Arena arena = {memory.size(), 0, memory.data()};
    float projection[16] = {};
    computeScreenToNormalized(projection, 1280, 720);
    RenderCommandList list = {0, subArena(&arena, 1 << 20), subArena(&arena, 1 << 20), 0};
    uint32_t colour = linked(colorVertexShader, colorFragmentShader);
    uint32_t text = linked(textVertexShader, textFragmentShader);
    RenderBatch rects = createRenderBatch(&arena, rectBatchSize, colour, projection);
    RenderBatch lines = createRenderBatch(&arena, lineBatchSize, colour, projection);
    RenderBatch points = createRenderBatch(&arena, pointBatchSize, colour, projection);
    RenderBatch texts = createRenderBatch(&arena, textBatchSize, text, projection);
    StripedAtlas striped;
    texts.font = &striped.atlas;

    float corners[8] = {200, 150, 100, 100, 700, 100, 1100, 150}; // a red one reversed, a white strip
    pushDraw(&rects, corners, 1, colorRed);
    pushDraw(&rects, corners + 4, 1, colorWhite);
    float strip[6] = {100, 300.5f, 400.5f, 300.5f, 400.5f, 500};
    pushDraw(&lines, strip, 3, colorGreen);
    float point[2] = {600, 400};
    pushDraw(&points, point, 1, 10.0f, colorBlue);
    // At size 2400 (100 times the baked 24) the 4 x 4 glyph covers x 700..1100
    // and y 100..500: transparent texels left of x 900, opaque ones right of it.
    const Color halfYellow = {1, 1, 0, 0.5f};
    pushText(&texts, 700, 100, (const uint8_t*)"x", 1, 2400, halfYellow);
    pushClear(&list, colorBlack);
    pushViewport(&list, 0, 0, 1280, 720);
    for (RenderBatch* batch : {&rects, &lines, &points, &texts}) pushDrawBatch(&list, batch);
    submitFrame(&list);
    ASSERT_EQ(gl.glGetError(), (GLenum)GL_NO_ERROR);

    const int pixels[][5] = {
        {101, 101, 255, 0, 0}, {198, 148, 255, 0, 0}, {203, 125, 0, 0, 0},  {150, 153, 0, 0, 0}, // rectangle
        {250, 300, 0, 255, 0}, {400, 450, 0, 255, 0}, {250, 303, 0, 0, 0},                       // line strip
        {596, 396, 0, 0, 255}, {603, 403, 0, 0, 255}, {607, 400, 0, 0, 0},  {600, 393, 0, 0, 0}, // 10 x 10 square
        // Red 0 is transparent, red 1 keeps the vertex alpha of 0.5: over the white strip, over black.
        {800, 125, 255, 255, 255}, {800, 175, 0, 0, 0}, {1000, 125, 255, 255, 128}, {1000, 175, 128, 128, 0},
    };
    for (const auto& p : pixels) EXPECT_TRUE(hasColour(p[0], p[1], p[2], p[3], p[4]));
}

} // namespace
