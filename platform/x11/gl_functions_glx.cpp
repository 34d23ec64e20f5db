// Fills the OpenGL entries of the table while a context is current. With
// GLX every entry, OpenGL 1.1 included, comes from glXGetProcAddressARB.
#include "platform/gl_functions.h"

typedef void (*GLXFunction)(void);
extern "C" GLXFunction glXGetProcAddressARB(const GLubyte* name);

void loadGLFunctions()
{
#define LOAD_FUNCTION(type, name) gl.name = (type)(void*)glXGetProcAddressARB((const GLubyte*)#name);
    GL_LIBRARY_FUNCTIONS(LOAD_FUNCTION)
    GL_CONTEXT_FUNCTIONS(LOAD_FUNCTION)
#undef LOAD_FUNCTION
}
