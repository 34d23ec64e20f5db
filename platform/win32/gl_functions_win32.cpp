// Fills the OpenGL entries of the table while a context is current.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include "platform/gl_functions.h"

void loadGLFunctions()
{
    // The program links against opengl32.dll for the wgl functions, so the
    // library stays loaded and its pointers valid after FreeLibrary.
    HMODULE library = LoadLibraryA("opengl32.dll");
#define LOAD_LIBRARY_FUNCTION(type, name) gl.name = (type)(void*)GetProcAddress(library, #name);
    GL_LIBRARY_FUNCTIONS(LOAD_LIBRARY_FUNCTION)
#undef LOAD_LIBRARY_FUNCTION
    FreeLibrary(library);

#define LOAD_CONTEXT_FUNCTION(type, name) gl.name = (type)(void*)wglGetProcAddress(#name);
    GL_CONTEXT_FUNCTIONS(LOAD_CONTEXT_FUNCTION)
#undef LOAD_CONTEXT_FUNCTION
}
