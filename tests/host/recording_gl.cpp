#include "tests/host/recording_gl.h"
#include <string.h>

namespace {

RecordingGL state;

RecordedCall& record(const char* name, std::vector<int64_t> args = {})
{
    state.calls.push_back({name, std::move(args), {}, {}});
    return state.calls.back();
}

uint32_t newName() { return state.nextName++; }

void generate(const char* name, GLsizei n, GLuint* names)
{
    RecordedCall& call = record(name, {n});
    for (GLsizei i = 0; i < n; ++i)
    {
        names[i] = newName();
        call.args.push_back(names[i]);
    }
}

void forget(const char* name, GLsizei n, const GLuint* names)
{
    RecordedCall& call = record(name, {n});
    for (GLsizei i = 0; i < n; ++i)
    {
        state.deletedNames.insert(names[i]);
        call.args.push_back(names[i]);
    }
}

int64_t offsetOf(const void* pointer) { return (int64_t)(uintptr_t)pointer; }

RecordingBuffer* boundBuffer(GLenum target)
{
    auto bound = state.boundBuffers.find(target);
    if (bound == state.boundBuffers.end() || bound->second == 0) return nullptr;
    return &state.buffers[bound->second];
}

const std::vector<uint8_t> noBytes;

// Library entry points.
const GLubyte* APIENTRY getString(GLenum name)
{
    record("glGetString", {name});
    return (const GLubyte*)"Recording GL";
}
void APIENTRY getIntegerv(GLenum name, GLint* data)
{
    record("glGetIntegerv", {name});
    *data = (name == GL_MAJOR_VERSION || name == GL_MINOR_VERSION) ? 3 : 0;
}
GLenum APIENTRY getError()
{
    record("glGetError");
    return GL_NO_ERROR;
}
void APIENTRY clearColor(GLfloat r, GLfloat g, GLfloat b, GLfloat a) { record("glClearColor").floats = {r, g, b, a}; }
void APIENTRY genTextures(GLsizei n, GLuint* names) { generate("glGenTextures", n, names); }
void APIENTRY bindTexture(GLenum target, GLuint name) { record("glBindTexture", {target, name}); }
void APIENTRY texParameteri(GLenum target, GLenum name, GLint value) { record("glTexParameteri", {target, name, value}); }
void APIENTRY texImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,
                         GLint border, GLenum format, GLenum type, const void* pixels)
{
    record("glTexImage2D", {target, level, internalFormat, width, height, border, format, type, offsetOf(pixels)});
}
void APIENTRY clear(GLbitfield mask) { record("glClear", {mask}); }
void APIENTRY drawArrays(GLenum mode, GLint first, GLsizei count) { record("glDrawArrays", {mode, first, count}); }
void APIENTRY flush() { record("glFlush"); }
void APIENTRY pixelStorei(GLenum name, GLint value) { record("glPixelStorei", {name, value}); }
void APIENTRY deleteTextures(GLsizei n, const GLuint* names) { forget("glDeleteTextures", n, names); }
void APIENTRY finish() { record("glFinish"); }
void APIENTRY enable(GLenum capability) { record("glEnable", {capability}); }
void APIENTRY blendFunc(GLenum source, GLenum destination) { record("glBlendFunc", {source, destination}); }
void APIENTRY drawElements(GLenum mode, GLsizei count, GLenum type, const void* offset)
{
    record("glDrawElements", {mode, count, type, offsetOf(offset)});
    state.lastDrawnIndices.clear();
    RecordingBuffer* buffer = boundBuffer(GL_ELEMENT_ARRAY_BUFFER);
    uint64_t start = (uint64_t)offsetOf(offset);
    uint64_t bytes = (uint64_t)count * 4;
    if (!buffer || type != GL_UNSIGNED_INT || count < 0 || start + bytes > buffer->storage.size())
    {
        state.invalidOperations += 1;
        return;
    }
    state.lastDrawnIndices.resize((size_t)count);
    if (bytes) memcpy(state.lastDrawnIndices.data(), buffer->storage.data() + start, bytes);
}
void APIENTRY disable(GLenum capability) { record("glDisable", {capability}); }
void APIENTRY viewport(GLint x, GLint y, GLsizei width, GLsizei height) { record("glViewport", {x, y, width, height}); }

// Shaders and programs.
void APIENTRY getShaderiv(GLuint shader, GLenum name, GLint* value)
{
    record("glGetShaderiv", {shader, name});
    *value = 0;
    if (name == GL_COMPILE_STATUS) *value = state.shaderStages[shader] == state.failingShaderStage ? 0 : 1;
}
void APIENTRY getShaderInfoLog(GLuint shader, GLsizei size, GLsizei* length, GLchar* log)
{
    record("glGetShaderInfoLog", {shader, size});
    if (length) *length = 0;
    if (log && size > 0) log[0] = 0;
}
void APIENTRY attachShader(GLuint program, GLuint shader) { record("glAttachShader", {program, shader}); }
void APIENTRY bindAttribLocation(GLuint program, GLuint index, const GLchar* name)
{
    record("glBindAttribLocation", {program, index}).text = name;
}
void APIENTRY compileShader(GLuint shader) { record("glCompileShader", {shader}); }
GLuint APIENTRY createProgram()
{
    GLuint name = newName();
    record("glCreateProgram", {name});
    return name;
}
GLuint APIENTRY createShader(GLenum stage)
{
    GLuint name = newName();
    record("glCreateShader", {stage, name});
    state.shaderStages[name] = stage;
    return name;
}
void APIENTRY deleteProgram(GLuint program)
{
    record("glDeleteProgram", {program});
    state.deletedNames.insert(program);
}
void APIENTRY deleteShader(GLuint shader)
{
    record("glDeleteShader", {shader});
    state.deletedNames.insert(shader);
}
void APIENTRY detachShader(GLuint program, GLuint shader) { record("glDetachShader", {program, shader}); }
void APIENTRY disableVertexAttribArray(GLuint index) { record("glDisableVertexAttribArray", {index}); }
void APIENTRY enableVertexAttribArray(GLuint index) { record("glEnableVertexAttribArray", {index}); }
void APIENTRY getProgramiv(GLuint program, GLenum name, GLint* value)
{
    record("glGetProgramiv", {program, name});
    *value = name == GL_LINK_STATUS ? state.linkStatus : 0;
}
void APIENTRY getProgramInfoLog(GLuint program, GLsizei size, GLsizei* length, GLchar* log)
{
    record("glGetProgramInfoLog", {program, size});
    if (length) *length = 0;
    if (log && size > 0) log[0] = 0;
}
void APIENTRY linkProgram(GLuint program) { record("glLinkProgram", {program}); }
void APIENTRY shaderSource(GLuint shader, GLsizei count, const GLchar* const* strings, const GLint* lengths)
{
    RecordedCall& call = record("glShaderSource", {shader, count, offsetOf(lengths)});
    for (GLsizei i = 0; i < count; ++i)
        call.text += lengths && lengths[i] >= 0 ? std::string(strings[i], (size_t)lengths[i]) : std::string(strings[i]);
}
void APIENTRY useProgram(GLuint program) { record("glUseProgram", {program}); }

// Buffers and attributes.
void APIENTRY bindBuffer(GLenum target, GLuint buffer)
{
    record("glBindBuffer", {target, buffer});
    state.boundBuffers[target] = buffer;
}
void APIENTRY genBuffers(GLsizei n, GLuint* names) { generate("glGenBuffers", n, names); }
void APIENTRY bufferData(GLenum target, GLsizeiptr size, const void* data, GLenum usage)
{
    record("glBufferData", {target, (int64_t)size, offsetOf(data), usage});
    RecordingBuffer* buffer = boundBuffer(target);
    if (!buffer || size < 0)
    {
        state.invalidOperations += 1;
        return;
    }
    buffer->storage.assign((size_t)size, 0);
    if (data) memcpy(buffer->storage.data(), data, (size_t)size);
    buffer->uploads.clear();
}
void APIENTRY bufferSubData(GLenum target, GLintptr offset, GLsizeiptr size, const void* data)
{
    record("glBufferSubData", {target, (int64_t)offset, (int64_t)size});
    RecordingBuffer* buffer = boundBuffer(target);
    if (!buffer || offset < 0 || size < 0 || (uint64_t)offset + (uint64_t)size > buffer->storage.size())
    {
        state.invalidOperations += 1;
        return;
    }
    const uint8_t* bytes = (const uint8_t*)data;
    memcpy(buffer->storage.data() + offset, bytes, (size_t)size);
    buffer->uploads.insert(buffer->uploads.end(), bytes, bytes + size);
}
void APIENTRY vertexAttribPointer(GLuint index, GLint size, GLenum type, GLboolean normalized, GLsizei stride,
                                  const void* offset)
{
    record("glVertexAttribPointer", {index, size, type, normalized, stride, offsetOf(offset)});
}
void APIENTRY bindFragDataLocation(GLuint program, GLuint colorNumber, const GLchar* name)
{
    record("glBindFragDataLocation", {program, colorNumber}).text = name;
}
GLint APIENTRY getAttribLocation(GLuint program, const GLchar* name)
{
    record("glGetAttribLocation", {program}).text = name;
    auto found = state.attribLocations.find(name);
    return found == state.attribLocations.end() ? -1 : found->second;
}
void APIENTRY deleteBuffers(GLsizei n, const GLuint* names) { forget("glDeleteBuffers", n, names); }
void APIENTRY deleteVertexArrays(GLsizei n, const GLuint* names) { forget("glDeleteVertexArrays", n, names); }
void APIENTRY genVertexArrays(GLsizei n, GLuint* names) { generate("glGenVertexArrays", n, names); }
void APIENTRY bindVertexArray(GLuint name) { record("glBindVertexArray", {name}); }
void APIENTRY activeTexture(GLenum unit) { record("glActiveTexture", {unit}); }
void APIENTRY generateMipmap(GLenum target) { record("glGenerateMipmap", {target}); }
const GLubyte* APIENTRY getStringi(GLenum name, GLuint index)
{
    record("glGetStringi", {name, index});
    return (const GLubyte*)"";
}
GLint APIENTRY getUniformLocation(GLuint program, const GLchar* name)
{
    record("glGetUniformLocation", {program}).text = name;
    auto found = state.uniformLocations.find(name);
    return found == state.uniformLocations.end() ? -1 : found->second;
}
void recordMatrix(const char* name, GLint location, GLsizei count, GLboolean transpose, const GLfloat* values,
                  int floatsEach)
{
    RecordedCall& call = record(name, {location, count, transpose});
    if (values && count > 0) call.floats.assign(values, values + count * floatsEach);
}
void APIENTRY uniformMatrix2x3fv(GLint location, GLsizei count, GLboolean transpose, const GLfloat* values)
{
    recordMatrix("glUniformMatrix2x3fv", location, count, transpose, values, 6);
}
void APIENTRY uniformMatrix3x4fv(GLint location, GLsizei count, GLboolean transpose, const GLfloat* values)
{
    recordMatrix("glUniformMatrix3x4fv", location, count, transpose, values, 12);
}
void APIENTRY uniformMatrix4fv(GLint location, GLsizei count, GLboolean transpose, const GLfloat* values)
{
    recordMatrix("glUniformMatrix4fv", location, count, transpose, values, 16);
}
void APIENTRY uniform4fv(GLint location, GLsizei count, const GLfloat* values)
{
    RecordedCall& call = record("glUniform4fv", {location, count});
    if (values && count > 0) call.floats.assign(values, values + count * 4);
}
void APIENTRY primitiveRestartIndex(GLuint index) { record("glPrimitiveRestartIndex", {index}); }

} // namespace

void installRecordingGL()
{
    state = RecordingGL();
    gl = GLFunctions();
    gl.glGetString = getString;
    gl.glGetIntegerv = getIntegerv;
    gl.glGetError = getError;
    gl.glClearColor = clearColor;
    gl.glGenTextures = genTextures;
    gl.glBindTexture = bindTexture;
    gl.glTexParameteri = texParameteri;
    gl.glTexImage2D = texImage2D;
    gl.glClear = clear;
    gl.glDrawArrays = drawArrays;
    gl.glFlush = flush;
    gl.glPixelStorei = pixelStorei;
    gl.glDeleteTextures = deleteTextures;
    gl.glFinish = finish;
    gl.glEnable = enable;
    gl.glBlendFunc = blendFunc;
    gl.glDrawElements = drawElements;
    gl.glDisable = disable;
    gl.glViewport = viewport;
    gl.glGetShaderiv = getShaderiv;
    gl.glGetShaderInfoLog = getShaderInfoLog;
    gl.glAttachShader = attachShader;
    gl.glBindAttribLocation = bindAttribLocation;
    gl.glCompileShader = compileShader;
    gl.glCreateProgram = createProgram;
    gl.glCreateShader = createShader;
    gl.glDeleteProgram = deleteProgram;
    gl.glDeleteShader = deleteShader;
    gl.glDetachShader = detachShader;
    gl.glDisableVertexAttribArray = disableVertexAttribArray;
    gl.glEnableVertexAttribArray = enableVertexAttribArray;
    gl.glGetProgramiv = getProgramiv;
    gl.glGetProgramInfoLog = getProgramInfoLog;
    gl.glLinkProgram = linkProgram;
    gl.glShaderSource = shaderSource;
    gl.glUseProgram = useProgram;
    gl.glBindBuffer = bindBuffer;
    gl.glGenBuffers = genBuffers;
    gl.glBufferData = bufferData;
    gl.glBufferSubData = bufferSubData;
    gl.glVertexAttribPointer = vertexAttribPointer;
    gl.glBindFragDataLocation = bindFragDataLocation;
    gl.glGetAttribLocation = getAttribLocation;
    gl.glDeleteBuffers = deleteBuffers;
    gl.glDeleteVertexArrays = deleteVertexArrays;
    gl.glGenVertexArrays = genVertexArrays;
    gl.glBindVertexArray = bindVertexArray;
    gl.glActiveTexture = activeTexture;
    gl.glGenerateMipmap = generateMipmap;
    gl.glGetStringi = getStringi;
    gl.glGetUniformLocation = getUniformLocation;
    gl.glUniformMatrix2x3fv = uniformMatrix2x3fv;
    gl.glUniformMatrix3x4fv = uniformMatrix3x4fv;
    gl.glUniformMatrix4fv = uniformMatrix4fv;
    gl.glUniform4fv = uniform4fv;
    gl.glPrimitiveRestartIndex = primitiveRestartIndex;
}

RecordingGL& recordingGL() { return state; }

const std::vector<RecordedCall>& recordedCalls() { return state.calls; }

void clearRecordedCalls() { state.calls.clear(); }

std::vector<std::string> recordedCallNames()
{
    std::vector<std::string> names;
    for (const RecordedCall& call : state.calls) names.push_back(call.name);
    return names;
}

size_t callCount(const std::string& name) { return callsNamed(name).size(); }

std::vector<RecordedCall> callsNamed(const std::string& name)
{
    std::vector<RecordedCall> found;
    for (const RecordedCall& call : state.calls)
        if (call.name == name) found.push_back(call);
    return found;
}

const std::vector<uint8_t>& uploadedBytes(uint32_t buffer)
{
    auto found = state.buffers.find(buffer);
    return found == state.buffers.end() ? noBytes : found->second.uploads;
}

std::vector<float> uploadedFloats(uint32_t buffer)
{
    const std::vector<uint8_t>& bytes = uploadedBytes(buffer);
    std::vector<float> values(bytes.size() / 4);
    if (!values.empty()) memcpy(values.data(), bytes.data(), values.size() * 4);
    return values;
}

std::vector<uint32_t> uploadedIndices(uint32_t buffer)
{
    const std::vector<uint8_t>& bytes = uploadedBytes(buffer);
    std::vector<uint32_t> values(bytes.size() / 4);
    if (!values.empty()) memcpy(values.data(), bytes.data(), values.size() * 4);
    return values;
}

const std::vector<uint8_t>& lastVertexUpload()
{
    auto bound = state.boundBuffers.find(GL_ARRAY_BUFFER);
    return bound == state.boundBuffers.end() ? noBytes : uploadedBytes(bound->second);
}

const std::vector<uint8_t>& lastIndexUpload()
{
    auto bound = state.boundBuffers.find(GL_ELEMENT_ARRAY_BUFFER);
    return bound == state.boundBuffers.end() ? noBytes : uploadedBytes(bound->second);
}
