#include "tests/host/recording_gl.h"
#include <string.h>
#include <algorithm>
#include <map>

namespace {

struct RecordingBuffer
{
    std::vector<uint8_t> storage; // as sized by the latest glBufferData
};

std::vector<RecordedCall> calls;
std::map<uint32_t, RecordingBuffer> buffers;
std::map<GLenum, uint32_t> boundBuffers; // target -> buffer name
uint32_t nextName;
int invalid;

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

// Logs the call with the new names appended to its arguments.
void generate(const char* name, GLsizei n, GLuint* names)
{
    std::vector<int64_t> args = {n};
    for (GLsizei i = 0; i < n; ++i) args.push_back(names[i] = nextName++);
    record(name, args);
}

GLuint newObject(const char* name, std::vector<int64_t> args)
{
    args.push_back(nextName);
    record(name, args);
    return nextName++;
}

RecordingBuffer* boundBuffer(GLenum target)
{
    uint32_t name = boundBuffers[target];
    return name ? &buffers[name] : nullptr;
}

// True when [offset, offset + size) lies inside the buffer; counts the miss otherwise.
bool inside(const RecordingBuffer* buffer, int64_t offset, int64_t size)
{
    bool fits = buffer && offset >= 0 && size >= 0 && (uint64_t)(offset + size) <= buffer->storage.size();
    invalid += !fits;
    return fits;
}

} // namespace

// Named like the table's entries so one list installs them all.
namespace recording {

void APIENTRY glClearColor(GLfloat r, GLfloat g, GLfloat b, GLfloat a)
{
    record("glClearColor", {bitsOf(r), bitsOf(g), bitsOf(b), bitsOf(a)});
}
void APIENTRY glClear(GLbitfield mask) { record("glClear", {mask}); }
void APIENTRY glViewport(GLint x, GLint y, GLsizei width, GLsizei height) { record("glViewport", {x, y, width, height}); }
void APIENTRY glEnable(GLenum capability) { record("glEnable", {capability}); }
void APIENTRY glDisable(GLenum capability) { record("glDisable", {capability}); }
void APIENTRY glBlendFunc(GLenum source, GLenum destination) { record("glBlendFunc", {source, destination}); }
void APIENTRY glGenVertexArrays(GLsizei n, GLuint* names) { generate("glGenVertexArrays", n, names); }
void APIENTRY glBindVertexArray(GLuint name) { record("glBindVertexArray", {name}); }

void APIENTRY glGenTextures(GLsizei n, GLuint* names) { generate("glGenTextures", n, names); }
void APIENTRY glActiveTexture(GLenum unit) { record("glActiveTexture", {unit}); }
void APIENTRY glBindTexture(GLenum target, GLuint name) { record("glBindTexture", {target, name}); }
void APIENTRY glTexParameteri(GLenum target, GLenum name, GLint value) { record("glTexParameteri", {target, name, value}); }
void APIENTRY glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,
                           GLint border, GLenum format, GLenum type, const void* pixels)
{
    size_t size = pixels ? (size_t)width * (size_t)height * (format == GL_RGBA ? 4 : 1) : 0;
    record("glTexImage2D", {target, level, internalFormat, width, height, border, format, type, hashBytes(pixels, size)});
}

GLuint APIENTRY glCreateShader(GLenum stage) { return newObject("glCreateShader", {stage}); }
void APIENTRY glShaderSource(GLuint shader, GLsizei count, const GLchar* const* sources, const GLint*)
{
    record("glShaderSource", {shader, count, hashBytes(sources[0], strlen(sources[0]))});
}
void APIENTRY glCompileShader(GLuint shader) { record("glCompileShader", {shader}); }
void APIENTRY glGetShaderiv(GLuint shader, GLenum name, GLint* value)
{
    record("glGetShaderiv", {shader, name});
    *value = name == GL_COMPILE_STATUS;
}
void APIENTRY glDeleteShader(GLuint shader) { record("glDeleteShader", {shader}); }
GLuint APIENTRY glCreateProgram() { return newObject("glCreateProgram", {}); }
void APIENTRY glAttachShader(GLuint program, GLuint shader) { record("glAttachShader", {program, shader}); }
void APIENTRY glBindFragDataLocation(GLuint program, GLuint colorNumber, const GLchar*)
{
    record("glBindFragDataLocation", {program, colorNumber});
}
void APIENTRY glLinkProgram(GLuint program) { record("glLinkProgram", {program}); }
void APIENTRY glGetProgramiv(GLuint program, GLenum name, GLint* value)
{
    record("glGetProgramiv", {program, name});
    *value = name == GL_LINK_STATUS;
}
void APIENTRY glDeleteProgram(GLuint program) { record("glDeleteProgram", {program}); }
void APIENTRY glUseProgram(GLuint program) { record("glUseProgram", {program}); }
GLint APIENTRY glGetUniformLocation(GLuint program, const GLchar*)
{
    record("glGetUniformLocation", {program});
    return 0;
}
void APIENTRY glUniformMatrix4fv(GLint location, GLsizei count, GLboolean transpose, const GLfloat* matrix)
{
    record("glUniformMatrix4fv", {location, count, transpose, hashBytes(matrix, 64)});
}
GLint APIENTRY glGetAttribLocation(GLuint program, const GLchar* name)
{
    record("glGetAttribLocation", {program});
    return strcmp(name, "position") == 0 ? 0 : strcmp(name, "color") == 0 ? 1 : strcmp(name, "inUV") == 0 ? 2 : -1;
}
void APIENTRY glEnableVertexAttribArray(GLuint index) { record("glEnableVertexAttribArray", {index}); }
void APIENTRY glVertexAttribPointer(GLuint index, GLint size, GLenum type, GLboolean normalized, GLsizei stride,
                                    const void* offset)
{
    record("glVertexAttribPointer", {index, size, type, normalized, stride, offsetOf(offset)});
}

void APIENTRY glGenBuffers(GLsizei n, GLuint* names) { generate("glGenBuffers", n, names); }
void APIENTRY glBindBuffer(GLenum target, GLuint buffer)
{
    record("glBindBuffer", {target, buffer});
    boundBuffers[target] = buffer;
}
void APIENTRY glBufferData(GLenum target, GLsizeiptr size, const void* data, GLenum usage)
{
    record("glBufferData", {target, (int64_t)size, offsetOf(data), usage});
    RecordingBuffer* buffer = boundBuffer(target);
    if (!buffer || size < 0)
    {
        invalid += 1;
        return;
    }
    buffer->storage.assign((size_t)size, 0);
    if (data) memcpy(buffer->storage.data(), data, (size_t)size);
}
void APIENTRY glBufferSubData(GLenum target, GLintptr offset, GLsizeiptr size, const void* data)
{
    record("glBufferSubData", {target, (int64_t)offset, (int64_t)size, hashBytes(data, (size_t)std::max<GLsizeiptr>(size, 0))});
    RecordingBuffer* buffer = boundBuffer(target);
    if (!inside(buffer, offset, size)) return;
    memcpy(buffer->storage.data() + offset, data, (size_t)size);
}
void APIENTRY glPrimitiveRestartIndex(GLuint index) { record("glPrimitiveRestartIndex", {index}); }
void APIENTRY glDrawElements(GLenum mode, GLsizei count, GLenum type, const void* offset)
{
    record("glDrawElements", {mode, count, type, offsetOf(offset)});
    if (type != GL_UNSIGNED_INT) invalid += 1;
    inside(boundBuffer(GL_ELEMENT_ARRAY_BUFFER), offsetOf(offset), (int64_t)count * 4);
}

void APIENTRY glGenFramebuffers(GLsizei n, GLuint* names) { generate("glGenFramebuffers", n, names); }
void APIENTRY glBindFramebuffer(GLenum target, GLuint name) { record("glBindFramebuffer", {target, name}); }
void APIENTRY glDeleteFramebuffers(GLsizei n, const GLuint* names) { record("glDeleteFramebuffers", {n, names[0]}); }
void APIENTRY glGenRenderbuffers(GLsizei n, GLuint* names) { generate("glGenRenderbuffers", n, names); }
void APIENTRY glBindRenderbuffer(GLenum target, GLuint name) { record("glBindRenderbuffer", {target, name}); }
void APIENTRY glDeleteRenderbuffers(GLsizei n, const GLuint* names) { record("glDeleteRenderbuffers", {n, names[0]}); }
void APIENTRY glRenderbufferStorage(GLenum target, GLenum format, GLsizei width, GLsizei height)
{
    record("glRenderbufferStorage", {target, format, width, height});
}
void APIENTRY glFramebufferRenderbuffer(GLenum target, GLenum attachment, GLenum bufferTarget, GLuint buffer)
{
    record("glFramebufferRenderbuffer", {target, attachment, bufferTarget, buffer});
}
GLenum APIENTRY glCheckFramebufferStatus(GLenum target)
{
    record("glCheckFramebufferStatus", {target});
    return GL_FRAMEBUFFER_COMPLETE;
}
void APIENTRY glPixelStorei(GLenum name, GLint value) { record("glPixelStorei", {name, value}); }
// Reads a fixed pattern of opaque white dots on transparency, different for each read.
void APIENTRY glReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type, void* pixels)
{
    record("glReadPixels", {x, y, width, height, format, type});
    uint8_t* out = (uint8_t*)pixels;
    for (int64_t i = 0; i < (int64_t)width * height; ++i)
        memset(out + 4 * i, ((i % 7) * (i % 5) + (int64_t)calls.size()) % 9 == 0 ? 255 : 0, 4);
}

} // namespace recording

#define RECORDED_FUNCTIONS(X)                                                                                   \
    X(glClearColor) X(glClear) X(glViewport) X(glEnable) X(glDisable) X(glBlendFunc) X(glGenVertexArrays)       \
    X(glBindVertexArray) X(glGenTextures) X(glActiveTexture) X(glBindTexture) X(glTexParameteri) X(glTexImage2D) \
    X(glCreateShader) X(glShaderSource) X(glCompileShader) X(glGetShaderiv) X(glDeleteShader) X(glCreateProgram) \
    X(glAttachShader) X(glBindFragDataLocation) X(glLinkProgram) X(glGetProgramiv) X(glDeleteProgram)           \
    X(glUseProgram) X(glGetUniformLocation) X(glUniformMatrix4fv) X(glGetAttribLocation)                        \
    X(glEnableVertexAttribArray) X(glVertexAttribPointer) X(glGenBuffers) X(glBindBuffer) X(glBufferData)       \
    X(glBufferSubData) X(glPrimitiveRestartIndex) X(glDrawElements) X(glGenFramebuffers) X(glBindFramebuffer)     \
    X(glDeleteFramebuffers) X(glGenRenderbuffers) X(glBindRenderbuffer) X(glDeleteRenderbuffers)                \
    X(glRenderbufferStorage) X(glFramebufferRenderbuffer) X(glCheckFramebufferStatus) X(glPixelStorei)         \
    X(glReadPixels)

void installRecordingGL()
{
    calls.clear();
    buffers.clear();
    boundBuffers.clear();
    nextName = 1;
    invalid = 0;
    gl = GLFunctions();
#define INSTALL(name) gl.name = recording::name;
    RECORDED_FUNCTIONS(INSTALL)
#undef INSTALL
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

std::vector<RecordedCall> callsNamed(const std::string& name)
{
    std::vector<RecordedCall> found;
    for (const RecordedCall& call : calls)
        if (call.name == name) found.push_back(call);
    return found;
}

int invalidOperations() { return invalid; }
