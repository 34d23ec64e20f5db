#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "platform/gl_functions.h"
#include "platform/log.h"

namespace {

// What the fake context answers.
struct FakeContext
{
    const char* version;
    const char* oldExtensions;
    GLint major;
    GLint minor;
    GLint profileMask;
    GLint flags;
    bool answerProfileAndFlags;
    std::vector<std::string> extensions;
};

FakeContext fake;

const GLubyte* APIENTRY fakeGetString(GLenum name)
{
    if (name == GL_VERSION) return (const GLubyte*)fake.version;
    if (name == GL_EXTENSIONS) return (const GLubyte*)fake.oldExtensions;
    return nullptr;
}

void APIENTRY fakeGetIntegerv(GLenum name, GLint* value)
{
    switch (name)
    {
    case GL_MAJOR_VERSION: *value = fake.major; break;
    case GL_MINOR_VERSION: *value = fake.minor; break;
    case GL_NUM_EXTENSIONS: *value = (GLint)fake.extensions.size(); break;
    case GL_CONTEXT_PROFILE_MASK:
        if (fake.answerProfileAndFlags) *value = fake.profileMask;
        break;
    case GL_CONTEXT_FLAGS:
        if (fake.answerProfileAndFlags) *value = fake.flags;
        break;
    }
}

const GLubyte* APIENTRY fakeGetStringi(GLenum name, GLuint index)
{
    if (name != GL_EXTENSIONS || index >= fake.extensions.size()) return nullptr;
    return (const GLubyte*)fake.extensions[index].c_str();
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

FakeContext coreContext(const char* version, GLint major, GLint minor)
{
    FakeContext context = {version, "GL_OLD_A GL_OLD_B", major, minor, 1, 0, true, {"GL_ARB_one", "GL_ARB_two"}};
    return context;
}

TEST(GLContextReport, OlderVersionsTakeTheShortForm)
{
    for (const char* version : {"3.1 Mesa 23.0", "2.1 Mesa 23.0", "1.4"})
    {
        EXPECT_EQ(reportFor(coreContext(version, 3, 1)),
                  std::string("GL_VERSION: ") + version + "\nExtensions ( <= 3.1 ):\nGL_OLD_A GL_OLD_B\n\n")
            << version;
    }
}

TEST(GLContextReport, NewerVersionsTakeTheFullForm)
{
    EXPECT_EQ(reportFor(coreContext("3.3.0 NVIDIA", 3, 3)),
              "GL_VERSION: 3.3.0 NVIDIA\n"
              "GL_MAJOR_VERSION: 3 \nGL_MINOR_VERSION: 3\n"
              "GL_CONTEXT_PROFILE_MASK: GL_CONTEXT_CORE_PROFILE_BIT\n"
              "GL_CONTEXT_FLAGS: \n\n"
              "Extensions ( >= 3.2 ):\nGL_ARB_one\nGL_ARB_two\n\n");

    for (const char* version : {"3.2", "4.6 (Core Profile) Mesa 24.2", "4.0"})
    {
        std::string report = reportFor(coreContext(version, 4, 6));
        EXPECT_NE(report.find("GL_MAJOR_VERSION: 4 \nGL_MINOR_VERSION: 6\n"), std::string::npos) << version;
        EXPECT_EQ(report.find("( <= 3.1 )"), std::string::npos) << version;
    }
}

TEST(GLContextReport, ProfileMaskAndFlags)
{
    FakeContext compatibility = coreContext("4.6", 4, 6);
    compatibility.profileMask = 2;
    EXPECT_NE(reportFor(compatibility).find("GL_CONTEXT_PROFILE_MASK: GL_CONTEXT_COMPATIBILITY_PROFILE_BIT\n"),
              std::string::npos);

    FakeContext neither = coreContext("4.6", 4, 6);
    neither.profileMask = 0;
    EXPECT_NE(reportFor(neither).find("\nGL_CONTEXT_PROFILE_MASK: GL_CONTEXT_FLAGS: \n\n"), std::string::npos);

    // A driver that leaves the answer unwritten reads as no bits at all.
    FakeContext silent = coreContext("4.6", 4, 6);
    silent.answerProfileAndFlags = false;
    silent.profileMask = 1;
    silent.flags = 3;
    EXPECT_NE(reportFor(silent).find("\nGL_CONTEXT_PROFILE_MASK: GL_CONTEXT_FLAGS: \n\n"), std::string::npos);

    FakeContext debug = coreContext("4.6", 4, 6);
    debug.flags = 3;
    EXPECT_NE(reportFor(debug).find(
                  "GL_CONTEXT_FLAGS: GL_CONTEXT_FLAG_FORWARD_COMPATIBLE_BIT GL_CONTEXT_FLAG_DEBUG_BIT \n\n"),
              std::string::npos);
}

TEST(GLContextReport, ZeroExtensionsLeaveOneEmptyLine)
{
    FakeContext bare = coreContext("3.3", 3, 3);
    bare.extensions.clear();
    std::string report = reportFor(bare);
    const std::string heading = "Extensions ( >= 3.2 ):\n";
    ASSERT_GE(report.size(), heading.size() + 1);
    EXPECT_EQ(report.substr(report.size() - heading.size() - 1), heading + "\n");
}

TEST(GLContextReport, MissingOrShortVersionTextIsSafe)
{
    // A failed query gives null; a text too short for "major.minor" must not be read past its end.
    EXPECT_EQ(reportFor(coreContext(nullptr, 0, 0)), "GL_VERSION: \nExtensions ( <= 3.1 ):\nGL_OLD_A GL_OLD_B\n\n");
    EXPECT_EQ(reportFor(coreContext("3", 0, 0)), "GL_VERSION: 3\nExtensions ( <= 3.1 ):\nGL_OLD_A GL_OLD_B\n\n");
    EXPECT_NE(reportFor(coreContext("4", 4, 0)).find("GL_MAJOR_VERSION: 4 \n"), std::string::npos);
    FakeContext noExtensions = coreContext("2.1", 2, 1);
    noExtensions.oldExtensions = nullptr;
    EXPECT_EQ(reportFor(noExtensions), "GL_VERSION: 2.1\nExtensions ( <= 3.1 ):\n\n\n");
}

} // namespace
