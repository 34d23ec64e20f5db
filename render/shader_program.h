#pragma once
#include <stdint.h>

struct ShaderProgram
{
    uint32_t program;
    uint32_t vertexShader;
    uint32_t fragmentShader;
};

// The nine GLSL 1.50 sources; the program builds 3+6 (colour) and 2+8 (text).
extern const char* const shaderSources[9];
static const int colorVertexShader = 3;
static const int colorFragmentShader = 6;
static const int textVertexShader = 2;
static const int textFragmentShader = 8;

// Compiles and links; program is 0 on any failure (a shader that did compile stays alive).
ShaderProgram createShaderProgram(const char* vertexSource, const char* fragmentSource);
