#include "fake_platform.h"
#include <string.h>
#include <stdlib.h>
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <sstream>

FakePlatform fakePlatform;

void resetFakePlatform()
{
    fakePlatform = FakePlatform{};
}

void fakeType(const char* text)
{
    for (; *text && fakePlatform.typedCount < 32; ++text)
        fakePlatform.typedChars[fakePlatform.typedCount++] = (uint8_t)*text;
}

void pollInput(Window* window)
{
    memcpy(window->keys, fakePlatform.keys, sizeof window->keys);
    memcpy(window->typedChars, fakePlatform.typedChars, sizeof window->typedChars);
    window->typedCount = fakePlatform.typedCount;
    fakePlatform.typedCount = 0;
    window->mouseX = fakePlatform.mouseX;
    window->mouseY = fakePlatform.mouseY;
    if (fakePlatform.quitRequested) window->quitRequested = 1;
    if (fakePlatform.exposed) window->redraw = 1;
    fakePlatform.exposed = 0;
}

void createWindow(Window* window, const char*, uint32_t width, uint32_t height, int32_t, int32_t)
{
    window->screenWidth = 1920;
    window->screenHeight = 1080;
    window->clientWidth = (int32_t)width;
    window->clientHeight = (int32_t)height;
    if (fakePlatform.failWindowCreation) return;
    // Showing the window reports its geometry before the first frame.
    window->resized = 1;
    window->focused = 1;
    window->running = 1;
}

void swapWindowBuffers(Window*)
{
    ++fakePlatform.swaps;
    usleep(fakePlatform.swapMilliseconds * 1000);
}

uint32_t displayRefreshRate(const Window*) { return fakePlatform.refreshHz; }

bool windowMinimised(const Window*) { return fakePlatform.minimised != 0; }

void waitForWindowMessages(Window*, uint32_t) { ++fakePlatform.waits; }

// DejaVu Sans stands in for Verdana; a session may bake another after start-up.
const char* systemFontPath() { return "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"; }

std::string fileContents(const std::string& path)
{
    std::ostringstream bytes;
    bytes << std::ifstream(path, std::ios::binary).rdbuf();
    return bytes.str();
}

long openFileCount()
{
    return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
}

TempFolder::TempFolder()
{
    strcpy(path, "/tmp/marionette_test_XXXXXX");
    if (!mkdtemp(path)) path[0] = 0;
}

TempFolder::~TempFolder()
{
    if (path[0]) std::filesystem::remove_all(path);
}

namespace {

// The program keeps its settings under XDG_CONFIG_HOME; no test run may
// touch the person's own, so every run gets a folder of its own.
struct ConfigFolder
{
    TempFolder folder;
    ConfigFolder() { setenv("XDG_CONFIG_HOME", folder.path, 1); }
} configFolder;

} // namespace
