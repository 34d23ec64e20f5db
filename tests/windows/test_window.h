#pragma once
// One real window with a current OpenGL 3.3 core context per test program:
// the window class can be registered only once per process, so every test
// that needs a context shares this window.
#include <string>
#include "platform/window.h"

// Creates the window on the first call (1280 x 720, centred, "Marionette Room")
// and returns it; its running flag tells whether creation succeeded.
Window* sharedTestWindow();

// The log text that creating the shared window wrote.
const std::string& sharedTestWindowLog();
