#include "platform/gl_functions.h"
#include "platform/log.h"

GLFunctions gl;

// A query that fails hands back null; it then adds nothing to the report.
static void logGLText(const GLubyte* text)
{
    if (text) logString((const char*)text);
}

// "major.minor..." texts from 3.2 on report through the newer queries.
static bool hasFullReport(const GLubyte* version)
{
    if (!version) return false;
    if (version[0] > '3') return true;
    // The minor digit is only read when the text reaches that far.
    return version[0] == '3' && version[1] && version[2] >= '2';
}

static GLint queryInteger(GLenum name)
{
    GLint value = 0;
    gl.glGetIntegerv(name, &value);
    return value;
}

static void logFullReport()
{
    logString("GL_MAJOR_VERSION: ");
    logNumber(queryInteger(GL_MAJOR_VERSION));
    logString(" \nGL_MINOR_VERSION: ");
    logNumber(queryInteger(GL_MINOR_VERSION));
    logString("\n");

    GLint profile = queryInteger(GL_CONTEXT_PROFILE_MASK);
    logString("GL_CONTEXT_PROFILE_MASK: ");
    if (profile & GL_CONTEXT_CORE_PROFILE_BIT)
        logString("GL_CONTEXT_CORE_PROFILE_BIT\n");
    else if (profile & GL_CONTEXT_COMPATIBILITY_PROFILE_BIT)
        logString("GL_CONTEXT_COMPATIBILITY_PROFILE_BIT\n");

    GLint flags = queryInteger(GL_CONTEXT_FLAGS);
    logString("GL_CONTEXT_FLAGS: ");
    if (flags & GL_CONTEXT_FLAG_FORWARD_COMPATIBLE_BIT) logString("GL_CONTEXT_FLAG_FORWARD_COMPATIBLE_BIT ");
    if (flags & GL_CONTEXT_FLAG_DEBUG_BIT) logString("GL_CONTEXT_FLAG_DEBUG_BIT ");

    logString("\n\nExtensions ( >= 3.2 ):\n");
    GLint extensionCount = queryInteger(GL_NUM_EXTENSIONS);
    for (GLint i = 0; i < extensionCount; ++i)
    {
        logGLText(gl.glGetStringi(GL_EXTENSIONS, (GLuint)i));
        logString("\n");
    }
    logString("\n");
}

void logGLContext()
{
    const GLubyte* version = gl.glGetString(GL_VERSION);
    logString("GL_VERSION: ");
    logGLText(version);
    logString("\n");
    if (hasFullReport(version))
    {
        logFullReport();
        return;
    }
    logString("Extensions ( <= 3.1 ):\n");
    logGLText(gl.glGetString(GL_EXTENSIONS));
    logString("\n\n");
}
