#include "tests/host/recording_gl.h"
#include <string.h>
#include <algorithm>
#include <map>
#include <type_traits>

namespace {

std::vector<RecordedCall> calls;
std::map<uint32_t, std::vector<uint8_t>> buffers; // as sized by the latest glBufferData
std::map<GLenum, uint32_t> boundBuffers; // target -> buffer name
uint32_t nextName;
int invalid;
uint32_t reads;
GLint packRowLength;

void record(const char* name, std::vector<int64_t> args = {}) { calls.push_back({name, std::move(args)}); }

// Data handed over by pointer is recorded by content.
int64_t hashBytes(const void* data, size_t size, uint64_t hash = fnvStart) { return (int64_t)fnvHash(data, size, hash); }

int64_t bitsOf(float value)
{
    int32_t bits;
    memcpy(&bits, &value, 4);
    return bits;
}

int64_t offsetOf(const void* pointer) { return (int64_t)(uintptr_t)pointer; }

GLuint newObject(const char* name, std::vector<int64_t> args)
{
    args.push_back(nextName);
    record(name, args);
    return nextName++;
}

std::vector<uint8_t>* boundBuffer(GLenum target)
{
    uint32_t name = boundBuffers[target];
    return name ? &buffers[name] : nullptr;
}

// True when [offset, offset + size) lies inside the buffer; counts the miss otherwise.
bool inside(const std::vector<uint8_t>* buffer, int64_t offset, int64_t size)
{
    bool fits = buffer && offset >= 0 && size >= 0 && (uint64_t)(offset + size) <= buffer->size();
    invalid += !fits;
    return fits;
}

} // namespace

// Calls whose arguments are plain values are recorded by a generic entry (see
// installRecordingGL); these also answer, keep state or read data by pointer.
namespace recording {

void APIENTRY glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,
                           GLint border, GLenum format, GLenum type, const void* pixels)
{
    size_t size = pixels ? (size_t)width * (size_t)height * (format == GL_RGBA ? 4 : 1) : 0;
    record("glTexImage2D", {target, level, internalFormat, width, height, border, format, type, hashBytes(pixels, size)});
}
GLuint APIENTRY glCreateShader(GLenum stage) { return newObject("glCreateShader", {stage}); }
GLuint APIENTRY glCreateProgram() { return newObject("glCreateProgram", {}); }
GLint APIENTRY glGetAttribLocation(GLuint program, const GLchar* name)
{
    record("glGetAttribLocation", {program});
    return strcmp(name, "position") == 0 ? 0 : strcmp(name, "color") == 0 ? 1 : strcmp(name, "inUV") == 0 ? 2 : -1;
}
void APIENTRY glBindBuffer(GLenum target, GLuint buffer)
{
    record("glBindBuffer", {target, buffer});
    boundBuffers[target] = buffer;
}
void APIENTRY glBufferData(GLenum target, GLsizeiptr size, const void* data, GLenum usage)
{
    record("glBufferData", {target, (int64_t)size, offsetOf(data), usage});
    std::vector<uint8_t>* buffer = boundBuffer(target);
    invalid += !buffer || size < 0;
    if (!buffer || size < 0) return;
    buffer->assign((size_t)size, 0);
    if (data) memcpy(buffer->data(), data, (size_t)size);
}
void APIENTRY glBufferSubData(GLenum target, GLintptr offset, GLsizeiptr size, const void* data)
{
    record("glBufferSubData", {target, (int64_t)offset, (int64_t)size, hashBytes(data, (size_t)std::max<GLsizeiptr>(size, 0))});
    std::vector<uint8_t>* buffer = boundBuffer(target);
    if (inside(buffer, offset, size)) memcpy(buffer->data() + offset, data, (size_t)size);
}
void APIENTRY glDrawElements(GLenum mode, GLsizei count, GLenum type, const void* offset)
{
    record("glDrawElements", {mode, count, type, offsetOf(offset)});
    invalid += type != GL_UNSIGNED_INT;
    inside(boundBuffer(GL_ELEMENT_ARRAY_BUFFER), offsetOf(offset), (int64_t)count * 4);
}
GLenum APIENTRY glCheckFramebufferStatus(GLenum target)
{
    record("glCheckFramebufferStatus", {target});
    return GL_FRAMEBUFFER_COMPLETE;
}
void APIENTRY glPixelStorei(GLenum name, GLint value)
{
    record("glPixelStorei", {name, value});
    if (name == GL_PACK_ROW_LENGTH) packRowLength = value;
}
// Reads readPixelsPattern, bottom row first, rows packRowLength pixels apart as a driver places them.
void APIENTRY glReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type, void* pixels)
{
    record("glReadPixels", {x, y, width, height, format, type});
    int64_t stride = 4 * (packRowLength > 0 ? packRowLength : width);
    for (int64_t row = 0; row < height; ++row)
        for (int64_t column = 0; column < width; ++column)
            memset((uint8_t*)pixels + row * stride + 4 * column,
                   readPixelsPattern(reads, (uint32_t)column, (uint32_t)row) ? 255 : 0, 4);
    reads += 1;
}

} // namespace recording

const std::vector<uint8_t>& bufferBytes(uint32_t name) { return buffers[name]; }

bool readPixelsPattern(uint32_t read, uint32_t x, uint32_t y)
{
    return (x * 7 + y * 3 + read) % 5 == 0;
}

// The generic entry: numbers and enums as they are, floats by their bits,
// buffer offsets (const void*) as numbers, the first of the names deleted, a
// new name (the program asks for one at a time), the first shader source and
// a matrix by content; other pointers are left out.
// A query answers 1, so every shader compiles and every program links.
template <class T> void addArgument(std::vector<int64_t>* args, T value)
{
    if constexpr (std::is_floating_point_v<T>) args->push_back(bitsOf(value));
    else if constexpr (std::is_same_v<T, const void*>) args->push_back(offsetOf(value));
    else if constexpr (std::is_same_v<T, const GLuint*>) args->push_back(*value); // the first name deleted
    else if constexpr (std::is_same_v<T, GLuint*>) args->push_back(*value = nextName++);
    else if constexpr (std::is_same_v<T, const GLchar* const*>) args->push_back(hashBytes(*value, strlen(*value)));
    else if constexpr (std::is_same_v<T, const GLfloat*>) args->push_back(hashBytes(value, 64));
    else if constexpr (std::is_same_v<T, GLint*>) *value = 1;
    else if constexpr (!std::is_pointer_v<T>) args->push_back((int64_t)value);
}

template <const char* Name, class F> struct Recorder;
template <const char* Name, class R, class... A> struct Recorder<Name, R(APIENTRY*)(A...)>
{
    static R APIENTRY call(A... values)
    {
        std::vector<int64_t> args;
        (addArgument(&args, values), ...);
        record(Name, args);
        return R();
    }
};

#define GENERIC_FUNCTIONS(X)                                                                                     \
    X(glClearColor) X(glClear) X(glViewport) X(glEnable) X(glDisable) X(glBlendFunc) X(glBindVertexArray)        \
    X(glActiveTexture) X(glBindTexture) X(glTexParameteri) X(glCompileShader) X(glGetShaderiv) X(glGetProgramiv) \
    X(glDeleteShader) X(glAttachShader) X(glBindFragDataLocation) X(glLinkProgram) X(glDeleteProgram)            \
    X(glUseProgram) X(glGetUniformLocation) X(glEnableVertexAttribArray) X(glVertexAttribPointer)                \
    X(glPrimitiveRestartIndex) X(glBindFramebuffer) X(glBindRenderbuffer) X(glRenderbufferStorage)               \
    X(glFramebufferRenderbuffer) X(glDeleteFramebuffers) X(glDeleteRenderbuffers) X(glBlendEquation)             \
    X(glDisableVertexAttribArray) X(glGenVertexArrays) X(glGenTextures) X(glGenBuffers) X(glGenFramebuffers)     \
    X(glGenRenderbuffers) X(glShaderSource) X(glUniformMatrix4fv)
#define GENERIC_NAME(name) constexpr char name##Name[] = #name;
GENERIC_FUNCTIONS(GENERIC_NAME)

#define SPECIAL_FUNCTIONS(X)                                                                                     \
    X(glTexImage2D) X(glCreateShader) X(glCreateProgram) X(glGetAttribLocation) X(glBindBuffer) X(glBufferData)  \
    X(glBufferSubData) X(glDrawElements) X(glCheckFramebufferStatus) X(glReadPixels) X(glPixelStorei)

void installRecordingGL()
{
    calls.clear();
    buffers.clear();
    boundBuffers.clear();
    nextName = 1;
    invalid = 0;
    reads = 0;
    packRowLength = 0;
    gl = GLFunctions();
#define INSTALL_GENERIC(name) gl.name = Recorder<name##Name, decltype(gl.name)>::call;
#define INSTALL_SPECIAL(name) gl.name = recording::name;
    GENERIC_FUNCTIONS(INSTALL_GENERIC)
    SPECIAL_FUNCTIONS(INSTALL_SPECIAL)
}

const std::vector<RecordedCall>& recordedCalls() { return calls; }

void clearRecordedCalls() { calls.clear(); }

uint64_t fnvHash(const void* data, size_t size, uint64_t hash)
{
    for (size_t i = 0; i < size; ++i) hash = (hash ^ ((const uint8_t*)data)[i]) * 1099511628211ull;
    return hash;
}

uint64_t recordingDigest()
{
    uint64_t hash = fnvStart;
    for (const RecordedCall& call : calls)
    {
        hash = (uint64_t)hashBytes(call.name.data(), call.name.size(), hash);
        hash = (uint64_t)hashBytes(call.args.data(), call.args.size() * 8, hash);
    }
    return hash;
}

int invalidOperations() { return invalid; }
