#pragma once
// X-only parts of the window layer. Xlib calls its window id type Window, the
// name of the program's record, so the X headers see it as XWindow.
#define Window XWindow
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#undef Window
#include "platform/window.h"

static inline Display* displayOf(const Window* window) { return (Display*)window->display; }


// Opens the input method and the window's input context for typed text;
// without them typed text falls back to Latin-1 keysyms.
void openInputContext(Window* window);

// Gives the window the program's icon, for the window manager's title bar and task list.
void setWindowIcon(Window* window);
