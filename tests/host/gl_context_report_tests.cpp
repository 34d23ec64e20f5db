#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "platform/gl_functions.h"
#include "platform/log.h"

namespace {

// What the fake context answers; unanswered queries leave the value unwritten.
struct FakeContext
{
    const char* version = "3.3";
    const char* oldExtensions = "GL_OLD_A GL_OLD_B";
    GLint profileMask = 1;
    GLint flags = 0;
    bool answersProfileAndFlags = true;
    std::vector<std::string> extensions = {"GL_ARB_one", "GL_ARB_two"};
};

FakeContext fake;

const GLubyte* APIENTRY fakeGetString(GLenum name)
{
    return (const GLubyte*)(name == GL_VERSION ? fake.version : name == GL_EXTENSIONS ? fake.oldExtensions : nullptr);
}

void APIENTRY fakeGetIntegerv(GLenum name, GLint* value)
{
    if (name == GL_MAJOR_VERSION) *value = fake.version[0] - '0';
    if (name == GL_MINOR_VERSION) *value = fake.version[2] - '0';
    if (name == GL_NUM_EXTENSIONS) *value = (GLint)fake.extensions.size();
    if (name == GL_CONTEXT_PROFILE_MASK && fake.answersProfileAndFlags) *value = fake.profileMask;
    if (name == GL_CONTEXT_FLAGS && fake.answersProfileAndFlags) *value = fake.flags;
}

const GLubyte* APIENTRY fakeGetStringi(GLenum, GLuint index)
{
    return (const GLubyte*)fake.extensions.at(index).c_str();
}

std::string reportFor(const FakeContext& context)
{
    fake = context;
    GLFunctions saved = gl;
    gl.glGetString = fakeGetString;
    gl.glGetIntegerv = fakeGetIntegerv;
    gl.glGetStringi = fakeGetStringi;
    uint64_t start = globalLog.used;
    logGLContext();
    gl = saved;
    return std::string((const char*)globalLog.data + start, globalLog.used - start);
}

FakeContext withVersion(const char* version)
{
    FakeContext context;
    context.version = version;
    return context;
}

TEST(GLContextReport, FormFollowsTheVersionText)
{
    for (const char* version : {"3.1 Mesa", "2.1", "3"})
        EXPECT_EQ(reportFor(withVersion(version)),
                  std::string("GL_VERSION: ") + version + "\nExtensions ( <= 3.1 ):\nGL_OLD_A GL_OLD_B\n\n");

    EXPECT_EQ(reportFor(withVersion("3.3.0 NVIDIA")),
              "GL_VERSION: 3.3.0 NVIDIA\n"
              "GL_MAJOR_VERSION: 3 \nGL_MINOR_VERSION: 3\n"
              "GL_CONTEXT_PROFILE_MASK: GL_CONTEXT_CORE_PROFILE_BIT\n"
              "GL_CONTEXT_FLAGS: \n\n"
              "Extensions ( >= 3.2 ):\nGL_ARB_one\nGL_ARB_two\n\n");
    for (const char* version : {"3.2", "4.6 (Core Profile) Mesa 24.2"})
        EXPECT_NE(reportFor(withVersion(version)).find("\nExtensions ( >= 3.2 ):\n"), std::string::npos) << version;
}

TEST(GLContextReport, ProfileMaskAndFlags)
{
    FakeContext context;
    context.profileMask = 2;
    EXPECT_NE(reportFor(context).find("MASK: GL_CONTEXT_COMPATIBILITY_PROFILE_BIT\nGL_CONTEXT_FLAGS"), std::string::npos);
    context.profileMask = 0;
    EXPECT_NE(reportFor(context).find("\nGL_CONTEXT_PROFILE_MASK: GL_CONTEXT_FLAGS: \n"), std::string::npos);
    context.flags = 3;
    EXPECT_NE(reportFor(context).find(
                  "GL_CONTEXT_FLAGS: GL_CONTEXT_FLAG_FORWARD_COMPATIBLE_BIT GL_CONTEXT_FLAG_DEBUG_BIT \n\n"),
              std::string::npos);
    // Queries that write nothing read as no bits.
    context.profileMask = 1;
    context.answersProfileAndFlags = false;
    EXPECT_NE(reportFor(context).find("\nGL_CONTEXT_PROFILE_MASK: GL_CONTEXT_FLAGS: \n\n"), std::string::npos);
}

TEST(GLContextReport, ZeroExtensionsLeaveOneEmptyLine)
{
    FakeContext context;
    context.extensions.clear();
    std::string report = reportFor(context);
    const std::string ending = "Extensions ( >= 3.2 ):\n\n";
    ASSERT_GE(report.size(), ending.size());
    EXPECT_EQ(report.substr(report.size() - ending.size()), ending);
}

TEST(GLContextReport, FailedStringQueriesAddNothing)
{
    FakeContext context = withVersion(nullptr);
    context.oldExtensions = nullptr;
    EXPECT_EQ(reportFor(context), "GL_VERSION: \nExtensions ( <= 3.1 ):\n\n\n");
}

} // namespace
