#pragma once
// A stand-in for the Win32 platform layer in host tests: tests decide what
// the next poll delivers and how window creation goes.
#include <stdint.h>
#include "platform/window.h"

struct FakePlatform
{
    // Copied into the window by every pollInput.
    uint8_t keys[256];
    // Delivered by the next pollInput only.
    uint32_t typedChars[32];
    uint32_t typedCount;
    int32_t quitRequested;
    int32_t mouseX;
    int32_t mouseY;
    // createWindow leaves running at 0 when set.
    int32_t failWindowCreation;
    // What createWindow was asked for.
    int32_t createCalls;
    char title[64];
    uint32_t requestedWidth;
    uint32_t requestedHeight;
    int32_t requestedX;
    int32_t requestedY;
    int32_t pollCalls;
    int32_t swapCalls;
};

extern FakePlatform fakePlatform;

// Back to no keys, no characters and a window creation that succeeds.
void resetFakePlatform();
// The state the next polls deliver for a key (until changed).
void fakeSetKey(uint32_t key, ButtonState state);
// Characters the next poll delivers.
void fakeType(const char* text);
