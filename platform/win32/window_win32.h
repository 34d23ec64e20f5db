#pragma once
// Win32-only parts of the platform layer, for the platform code and the Windows tests.
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

// osNextCharacter in a given code page rather than the system's.
uint32_t nextCharacterInCodePage(uint32_t codePage, const uint8_t* text, uint32_t length, uint32_t at);
