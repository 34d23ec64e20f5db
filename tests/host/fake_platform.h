#pragma once
// A stand-in for the Win32 platform layer in host tests: tests decide what
// the next poll delivers and how window creation goes.
#include <stdint.h>
#include <string>
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
    // The next poll tells the window it was exposed.
    int32_t exposed;
    // createWindow leaves running at 0 when set.
    int32_t failWindowCreation;
    // What windowMinimised reports; the swaps and waits the program made.
    int32_t minimised;
    uint32_t swaps;
    uint32_t waits;
    // What displayRefreshRate reports; 0, as some drivers say, means not known.
    uint32_t refreshHz;
    // How long a swap blocks, as one that waits for the display does.
    uint32_t swapMilliseconds;
};

extern FakePlatform fakePlatform;

// Back to no keys, no characters and a window creation that succeeds.
void resetFakePlatform();
// Characters the next poll delivers.
void fakeType(const char* text);

// The file's bytes; empty when it cannot be read.
std::string fileContents(const std::string& path);
// How many files the process has open, to show that nothing is left open.
long openFileCount();

// A folder of the test's own under the system's temporary folder, removed with
// everything in it when the test is done, so that no run leaves files behind.
struct TempFolder
{
    char path[64];
    TempFolder();
    ~TempFolder();
};
