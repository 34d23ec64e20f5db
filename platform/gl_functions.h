#pragma once
// The one table of OpenGL and WGL entry points. Every entry is listed once
// below; the lists generate the table's fields, and the loader walks them.

#if !defined(APIENTRY)
#if defined(_WIN32)
#define APIENTRY __stdcall
#else
#define APIENTRY
#endif
#endif
#include <GL/glcorearb.h>
#include "platform/window.h"

typedef const char*(APIENTRY* PFN_wglGetExtensionsStringARB)(HDC deviceContext);
typedef int(APIENTRY* PFN_wglChoosePixelFormatARB)(HDC deviceContext, const int* intAttributes,
                                                   const float* floatAttributes, unsigned int maxFormats,
                                                   int* formats, unsigned int* formatCount);
typedef HGLRC(APIENTRY* PFN_wglCreateContextAttribsARB)(HDC deviceContext, HGLRC shareContext,
                                                        const int* attributes);
typedef int(APIENTRY* PFN_wglSwapIntervalEXT)(int interval);

// Filled by createWindow with wglGetProcAddress.
#define WGL_EXTENSION_FUNCTIONS(X)                     \
    X(PFN_wglGetExtensionsStringARB, wglGetExtensionsStringARB) \
    X(PFN_wglChoosePixelFormatARB, wglChoosePixelFormatARB)     \
    X(PFN_wglCreateContextAttribsARB, wglCreateContextAttribsARB) \
    X(PFN_wglSwapIntervalEXT, wglSwapIntervalEXT)

// Exported by opengl32.dll itself (OpenGL 1.1).
#define GL_LIBRARY_FUNCTIONS(X)                         \
    X(PFNGLGETSTRINGPROC, glGetString)                  \
    X(PFNGLGETINTEGERVPROC, glGetIntegerv)              \
    X(PFNGLGETERRORPROC, glGetError)                    \
    X(PFNGLCLEARCOLORPROC, glClearColor)                \
    X(PFNGLGENTEXTURESPROC, glGenTextures)              \
    X(PFNGLBINDTEXTUREPROC, glBindTexture)              \
    X(PFNGLTEXPARAMETERIPROC, glTexParameteri)          \
    X(PFNGLTEXIMAGE2DPROC, glTexImage2D)                \
    X(PFNGLCLEARPROC, glClear)                          \
    X(PFNGLDRAWARRAYSPROC, glDrawArrays)                \
    X(PFNGLFLUSHPROC, glFlush)                          \
    X(PFNGLPIXELSTOREIPROC, glPixelStorei)              \
    X(PFNGLDELETETEXTURESPROC, glDeleteTextures)        \
    X(PFNGLFINISHPROC, glFinish)                        \
    X(PFNGLENABLEPROC, glEnable)                        \
    X(PFNGLBLENDFUNCPROC, glBlendFunc)                  \
    X(PFNGLDRAWELEMENTSPROC, glDrawElements)            \
    X(PFNGLDISABLEPROC, glDisable)                      \
    X(PFNGLVIEWPORTPROC, glViewport)                    \
    X(PFNGLREADPIXELSPROC, glReadPixels)

// Provided by the context's driver, looked up with wglGetProcAddress.
#define GL_CONTEXT_FUNCTIONS(X)                                      \
    X(PFNGLGETSHADERIVPROC, glGetShaderiv)                           \
    X(PFNGLGETSHADERINFOLOGPROC, glGetShaderInfoLog)                 \
    X(PFNGLATTACHSHADERPROC, glAttachShader)                         \
    X(PFNGLBINDATTRIBLOCATIONPROC, glBindAttribLocation)             \
    X(PFNGLCOMPILESHADERPROC, glCompileShader)                       \
    X(PFNGLCREATEPROGRAMPROC, glCreateProgram)                       \
    X(PFNGLCREATESHADERPROC, glCreateShader)                         \
    X(PFNGLDELETEPROGRAMPROC, glDeleteProgram)                       \
    X(PFNGLDELETESHADERPROC, glDeleteShader)                         \
    X(PFNGLDETACHSHADERPROC, glDetachShader)                         \
    X(PFNGLDISABLEVERTEXATTRIBARRAYPROC, glDisableVertexAttribArray) \
    X(PFNGLENABLEVERTEXATTRIBARRAYPROC, glEnableVertexAttribArray)   \
    X(PFNGLGETPROGRAMIVPROC, glGetProgramiv)                         \
    X(PFNGLGETPROGRAMINFOLOGPROC, glGetProgramInfoLog)               \
    X(PFNGLLINKPROGRAMPROC, glLinkProgram)                           \
    X(PFNGLSHADERSOURCEPROC, glShaderSource)                         \
    X(PFNGLUSEPROGRAMPROC, glUseProgram)                             \
    X(PFNGLBINDBUFFERPROC, glBindBuffer)                             \
    X(PFNGLGENBUFFERSPROC, glGenBuffers)                             \
    X(PFNGLBUFFERDATAPROC, glBufferData)                             \
    X(PFNGLBUFFERSUBDATAPROC, glBufferSubData)                       \
    X(PFNGLVERTEXATTRIBPOINTERPROC, glVertexAttribPointer)           \
    X(PFNGLBINDFRAGDATALOCATIONPROC, glBindFragDataLocation)         \
    X(PFNGLGETATTRIBLOCATIONPROC, glGetAttribLocation)               \
    X(PFNGLDELETEBUFFERSPROC, glDeleteBuffers)                       \
    X(PFNGLDELETEVERTEXARRAYSPROC, glDeleteVertexArrays)             \
    X(PFNGLGENVERTEXARRAYSPROC, glGenVertexArrays)                   \
    X(PFNGLBINDVERTEXARRAYPROC, glBindVertexArray)                   \
    X(PFNGLACTIVETEXTUREPROC, glActiveTexture)                       \
    X(PFNGLGENERATEMIPMAPPROC, glGenerateMipmap)                     \
    X(PFNGLGETSTRINGIPROC, glGetStringi)                             \
    X(PFNGLGETUNIFORMLOCATIONPROC, glGetUniformLocation)             \
    X(PFNGLUNIFORMMATRIX2X3FVPROC, glUniformMatrix2x3fv)             \
    X(PFNGLUNIFORMMATRIX3X4FVPROC, glUniformMatrix3x4fv)             \
    X(PFNGLUNIFORMMATRIX4FVPROC, glUniformMatrix4fv)                 \
    X(PFNGLUNIFORM4FVPROC, glUniform4fv)                             \
    X(PFNGLPRIMITIVERESTARTINDEXPROC, glPrimitiveRestartIndex)       \
    X(PFNGLBLENDEQUATIONPROC, glBlendEquation)                       \
    X(PFNGLGENFRAMEBUFFERSPROC, glGenFramebuffers)                   \
    X(PFNGLBINDFRAMEBUFFERPROC, glBindFramebuffer)                   \
    X(PFNGLDELETEFRAMEBUFFERSPROC, glDeleteFramebuffers)             \
    X(PFNGLFRAMEBUFFERRENDERBUFFERPROC, glFramebufferRenderbuffer)   \
    X(PFNGLCHECKFRAMEBUFFERSTATUSPROC, glCheckFramebufferStatus)     \
    X(PFNGLGENRENDERBUFFERSPROC, glGenRenderbuffers)                 \
    X(PFNGLBINDRENDERBUFFERPROC, glBindRenderbuffer)                 \
    X(PFNGLRENDERBUFFERSTORAGEPROC, glRenderbufferStorage)           \
    X(PFNGLDELETERENDERBUFFERSPROC, glDeleteRenderbuffers)

#define GL_TABLE_FIELD(type, name) type name;
struct GLFunctions
{
    WGL_EXTENSION_FUNCTIONS(GL_TABLE_FIELD)
    GL_LIBRARY_FUNCTIONS(GL_TABLE_FIELD)
    GL_CONTEXT_FUNCTIONS(GL_TABLE_FIELD)
};
#undef GL_TABLE_FIELD

extern GLFunctions gl;

// Fills the WGL entries; needs a current context.
void loadWglExtensions();
// Fills the OpenGL entries (library exports, then driver functions); needs a
// current context. Missing functions leave null entries.
void loadGLFunctions();
// Appends a description of the current context to the log.
void logGLContext();
