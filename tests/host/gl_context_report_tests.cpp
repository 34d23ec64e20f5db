#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "platform/gl_functions.h"
#include "platform/log.h"

namespace {

// What the fake context answers; unanswered queries leave the value unwritten.
struct FakeContext
{
    const char* version;
    GLint profileMask, flags;
    bool answersProfileAndFlags;
    std::vector<std::string> extensions;
} fake;

const GLubyte* APIENTRY fakeGetString(GLenum name)
{
    return (const GLubyte*)(name == GL_VERSION ? fake.version : name == GL_EXTENSIONS ? "GL_OLD_A GL_OLD_B" : nullptr);
}

void APIENTRY fakeGetIntegerv(GLenum name, GLint* value)
{
    if (name == GL_MAJOR_VERSION) *value = fake.version[0] - '0';
    if (name == GL_MINOR_VERSION) *value = fake.version[2] - '0';
    if (name == GL_NUM_EXTENSIONS) *value = (GLint)fake.extensions.size();
    if (name == GL_CONTEXT_PROFILE_MASK && fake.answersProfileAndFlags) *value = fake.profileMask;
    if (name == GL_CONTEXT_FLAGS && fake.answersProfileAndFlags) *value = fake.flags;
}

const GLubyte* APIENTRY fakeGetStringi(GLenum, GLuint i) { return (const GLubyte*)fake.extensions.at(i).c_str(); }

// A context before 3.2 gets the short form with the old extension string.
TEST(GLContextReport, FormProfileFlagsAndExtensions)
{
    const std::vector<std::string> two = {"GL_ARB_one", "GL_ARB_two"};
    const std::string old = "Extensions ( <= 3.1 ):\nGL_OLD_A GL_OLD_B\n\n";
    const std::string versions = "GL_MAJOR_VERSION: 3 \nGL_MINOR_VERSION: 3\nGL_CONTEXT_PROFILE_MASK: ";
    const std::string noExtensions = "\n\nExtensions ( >= 3.2 ):\n\n";
    const struct { FakeContext context; std::string expected; } cases[] = {
        {{"3.1 Mesa", 1, 0, true, two}, "GL_VERSION: 3.1 Mesa\n" + old},
        {{"3", 1, 0, true, two}, "GL_VERSION: 3\n" + old},
        {{nullptr, 1, 0, true, two}, "GL_VERSION: \n" + old},
        {{"3.3.0 NVIDIA", 1, 0, true, two},
         "GL_VERSION: 3.3.0 NVIDIA\n" + versions +
             "GL_CONTEXT_CORE_PROFILE_BIT\nGL_CONTEXT_FLAGS: \n\nExtensions ( >= 3.2 ):\nGL_ARB_one\nGL_ARB_two\n\n"},
        {{"3.2", 2, 3, true, {}},
         "GL_VERSION: 3.2\nGL_MAJOR_VERSION: 3 \nGL_MINOR_VERSION: 2\nGL_CONTEXT_PROFILE_MASK: "
         "GL_CONTEXT_COMPATIBILITY_PROFILE_BIT\nGL_CONTEXT_FLAGS: GL_CONTEXT_FLAG_FORWARD_COMPATIBLE_BIT "
         "GL_CONTEXT_FLAG_DEBUG_BIT " + noExtensions},
        // Queries that write nothing read as no bits.
        {{"3.3", 1, 1, false, {}}, "GL_VERSION: 3.3\n" + versions + "GL_CONTEXT_FLAGS: " + noExtensions},
    };
    GLFunctions saved = gl;
    gl.glGetString = fakeGetString;
    gl.glGetIntegerv = fakeGetIntegerv;
    gl.glGetStringi = fakeGetStringi;
    for (const auto& c : cases)
    {
        fake = c.context;
        uint64_t start = globalLog.used;
        logGLContext();
        EXPECT_EQ(std::string((const char*)globalLog.data + start, globalLog.used - start), c.expected);
    }
    gl = saved;
}

} // namespace
