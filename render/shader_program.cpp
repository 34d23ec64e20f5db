#include "render/shader_program.h"
#include "platform/gl_functions.h"

const char* const shaderSources[9] = {
    "#version 150\n"
    "in vec2 position;in vec2 inUV;out vec2 outUV;void main( ) {gl_Position = vec4( position, 0.0, 1.0 );"
    "outUV = inUV;}",

    "#version 150\n"
    "in vec3 position;in vec2 inUV;out vec2 outUV;uniform mat4x4 screenToNormalized;void main( ) "
    "{vec4 tPos = vec4( position, 1.0 ) * screenToNormalized;gl_Position = tPos;outUV = inUV;}",

    "#version 150\n"
    "in vec3 position;in vec2 inUV;in vec4 color;out vec2 outUV;out vec4 outColor;"
    "uniform mat4x4 screenToNormalized;void main( ) {vec4 tPos = vec4( position, 1.0 ) * screenToNormalized;"
    "gl_Position = tPos;outUV = inUV;outColor = color;}",

    "#version 150\n"
    "in vec3 position;in vec4 color;out vec4 outColor;uniform mat4x4 screenToNormalized;void main( ) "
    "{outColor = color;vec4 tPos = vec4( position, 1.0 ) * screenToNormalized;gl_Position = tPos;}",

    "#version 150\n"
    "out vec4 fragment_out_color;in vec2 outUV;uniform sampler2D albedo;void main( ) "
    "{fragment_out_color = texture( albedo, outUV );}",

    "#version 150\n"
    "out vec4 fragment_out_color;uniform vec4 inColor;void main( ) {fragment_out_color = inColor;}",

    "#version 150\n"
    "out vec4 fragment_out_color;in vec4 outColor;void main( ) {fragment_out_color = outColor;}",

    "#version 150\n"
    "out vec4 fragment_out_color;in vec2 outUV;uniform sampler2D albedo;void main( ) "
    "{float c = texture( albedo, outUV ).r;fragment_out_color = vec4( 1.0, 1.0, 1.0, c );}",

    "#version 150\n"
    "out vec4 fragment_out_color;in vec2 outUV;in vec4 outColor;uniform sampler2D albedo;void main( ) "
    "{float c = texture( albedo, outUV ).r;"
    "fragment_out_color = vec4( outColor.r, outColor.g, outColor.b, outColor.a * c );}",
};

namespace {

// Returns the compiled shader's name, or 0 (the failed shader deleted).
uint32_t compileShader(GLenum stage, const char* source)
{
    GLuint shader = gl.glCreateShader(stage);
    gl.glShaderSource(shader, 1, &source, nullptr);
    gl.glCompileShader(shader);
    GLint status = 0;
    gl.glGetShaderiv(shader, GL_COMPILE_STATUS, &status);
    if (status == 0)
    {
        gl.glDeleteShader(shader);
        return 0;
    }
    return shader;
}

} // namespace

ShaderProgram createShaderProgram(const char* vertexSource, const char* fragmentSource)
{
    ShaderProgram result = {0, 0, 0};
    result.vertexShader = compileShader(GL_VERTEX_SHADER, vertexSource);
    result.fragmentShader = compileShader(GL_FRAGMENT_SHADER, fragmentSource);
    if (result.vertexShader == 0 || result.fragmentShader == 0) return result;

    GLuint program = gl.glCreateProgram();
    gl.glAttachShader(program, result.vertexShader);
    gl.glAttachShader(program, result.fragmentShader);
    gl.glBindFragDataLocation(program, 0, "fragment_out_color");
    gl.glLinkProgram(program);
    GLint status = 0;
    gl.glGetProgramiv(program, GL_LINK_STATUS, &status);
    if (status == 0)
    {
        gl.glDeleteProgram(program);
        gl.glDeleteShader(result.vertexShader);
        gl.glDeleteShader(result.fragmentShader);
        result.vertexShader = 0;
        result.fragmentShader = 0;
        return result;
    }
    result.program = program;
    return result;
}
