#pragma once
// A stand-in for the GL driver in host tests. installRecordingGL() fills every
// OpenGL entry of the `gl` table (the WGL entries stay null) with functions
// that log each call with its key arguments, hand out fake object names
// (1, 2, 3, ... shared by every kind of object) and keep the bytes uploaded to
// buffers, so a test can look at what a frame would have sent to the GPU.
//
//     installRecordingGL();
//     submitFrame(&list);
//     EXPECT_EQ(callCount("glDrawElements"), 1u);
//     std::vector<float> vertices = uploadedFloats(batch.vertexBuffer);
//
// Buffers behave like GL's: glBufferData gives the bound buffer fresh storage
// (and empties its upload log), glBufferSubData writes into it and is logged.
// An upload or a draw outside a buffer's storage writes nothing and counts as
// an invalid operation (invalidOperations()), so tests can assert that none
// happened.
#include <stdint.h>
#include <map>
#include <set>
#include <string>
#include <vector>
#include "platform/gl_functions.h"

struct RecordedCall
{
    std::string name;            // e.g. "glBufferSubData"
    std::vector<int64_t> args;   // integer, enum and name arguments in call order (pointers as offsets)
    std::vector<float> floats;   // float arguments, or the matrix / vector uploaded
    std::string text;            // string argument: attribute, uniform or output name, shader source
};

struct RecordingBuffer
{
    std::vector<uint8_t> storage;     // as sized by the latest glBufferData
    std::vector<uint8_t> uploads;     // glBufferSubData bytes since then, appended in call order
};

// The recorder's state; tests may read it and set the knobs marked below.
struct RecordingGL
{
    std::vector<RecordedCall> calls;
    uint32_t nextName = 1;
    std::map<uint32_t, RecordingBuffer> buffers;
    std::map<uint32_t, uint32_t> boundBuffers;   // target -> buffer name
    std::set<uint32_t> deletedNames;
    std::map<uint32_t, uint32_t> shaderStages;   // shader name -> GL_VERTEX_SHADER / GL_FRAGMENT_SHADER
    std::vector<uint32_t> lastDrawnIndices;      // what the latest glDrawElements read from the index buffer
    int invalidOperations = 0;

    // Knobs.
    uint32_t failingShaderStage = 0;             // GL_VERTEX_SHADER or GL_FRAGMENT_SHADER: that stage fails to compile
    int linkStatus = 1;                          // glGetProgramiv(GL_LINK_STATUS) answer
    std::map<std::string, int32_t> attribLocations = {{"position", 0}, {"color", 1}, {"inUV", 2}};
    std::map<std::string, int32_t> uniformLocations = {{"screenToNormalized", 0}, {"albedo", 1}};
};

// Resets the recorder and points every OpenGL entry of `gl` at it.
void installRecordingGL();
RecordingGL& recordingGL();

const std::vector<RecordedCall>& recordedCalls();
void clearRecordedCalls();
// The names of the recorded calls, in order.
std::vector<std::string> recordedCallNames();
size_t callCount(const std::string& name);
std::vector<RecordedCall> callsNamed(const std::string& name);

// Bytes uploaded with glBufferSubData to a buffer since its last glBufferData.
const std::vector<uint8_t>& uploadedBytes(uint32_t buffer);
std::vector<float> uploadedFloats(uint32_t buffer);
std::vector<uint32_t> uploadedIndices(uint32_t buffer);
// The same for whichever buffer is bound to GL_ARRAY_BUFFER / GL_ELEMENT_ARRAY_BUFFER now.
const std::vector<uint8_t>& lastVertexUpload();
const std::vector<uint8_t>& lastIndexUpload();
