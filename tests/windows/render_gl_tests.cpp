// The shaders against a real OpenGL 3.3 core context: both programs compile
// and link, and a failure at either stage leaves nothing half made. (What the
// batches draw is checked by the end-to-end screenshots.)
#include <gtest/gtest.h>
#include <vector>
#include "platform/gl_functions.h"
#include "render/shader_program.h"
#include "test_window.h"

namespace {

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
    EXPECT_TRUE(linked(colorVertexShader, colorFragmentShader) && linked(textVertexShader, textFragmentShader));
    ShaderProgram broken = createShaderProgram("#version 150\nvoid main( ) {this is not glsl;}",
                                               shaderSources[colorFragmentShader]);
    EXPECT_TRUE(!broken.program && !broken.vertexShader && shaderAlive(broken.fragmentShader));
    // Both compile but do not link: the stages disagree on outColor's type.
    const char* mismatched = "#version 150\nin vec2 outColor;out vec4 o;void main( ) {o = outColor.xyxy;}";
    ShaderProgram unlinked = createShaderProgram(shaderSources[colorVertexShader], mismatched);
    EXPECT_EQ((std::vector<uint32_t>{unlinked.program, unlinked.vertexShader, unlinked.fragmentShader}),
              std::vector<uint32_t>(3, 0));
}

} // namespace
