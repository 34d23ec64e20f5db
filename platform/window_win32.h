#pragma once
// Win32-only parts of the window layer, for the platform code and the Windows tests.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include "platform/window.h"

// The procedure of the "simple_window" class; finds the Window record in the
// window's extra memory and leaves it alone while none is attached.
LRESULT CALLBACK windowProc(HWND windowHandle, UINT message, WPARAM wParam, LPARAM lParam);

// How loadWglExtensions looks up the WGL entry points (wglGetProcAddress);
// replaceable so that tests can act as a driver that lacks one.
typedef PROC(WINAPI* WglLookup)(LPCSTR name);
extern WglLookup wglLookup;
