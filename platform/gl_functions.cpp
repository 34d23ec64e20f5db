#include "platform/gl_functions.h"

GLFunctions gl;
