// What the end-to-end tests cannot see: key states between two frames,
// hostile or excess input, and creation on a poor driver.
#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>
#include <string>
#include "platform/gl_functions.h"
#include "platform/log.h"
#include "platform/win32/window_win32.h"
#include "test_window.h"

namespace {

void post(UINT message, WPARAM wParam, LPARAM lParam = 0)
{
    ASSERT_TRUE(PostThreadMessageA(GetCurrentThreadId(), message, wParam, lParam));
}

// A key message's lParam: repeat count 1, the previous state and the transition.
void key(UINT message, WPARAM virtualKey, bool wasDown, bool goingUp)
{
    post(message, virtualKey, (LPARAM)(1u | (wasDown ? 1u << 30 : 0) | (goingUp ? 1u << 31 : 0)));
}

// A fresh record and an empty queue.
struct PumpTest : ::testing::Test
{
    Window window = {};
    void SetUp() override
    {
        initKeyTables();
        pollInput(&window);
        window = Window{};
        window.running = 1;
    }
    uint8_t after(uint32_t k)
    {
        pollInput(&window);
        return window.keys[k];
    }
};

TEST_F(PumpTest, KeyStatesAcrossPolls)
{
    for (uint32_t k = 1; k < KeyCount; ++k)
        if (k != 16 && k != 20) EXPECT_EQ(keyFromVirtualKey[virtualKeyFromKey[k]], k) << "key " << k << " maps back";

    const uint32_t a = keyLetter('A');
    key(WM_KEYDOWN, 'A', false, false);
    EXPECT_EQ(after(a), Pressed);
    key(WM_KEYDOWN, 'A', true, false);
    EXPECT_EQ(after(a), Held) << "auto-repeat";
    key(WM_KEYUP, 'A', true, true);
    EXPECT_EQ(after(a), Released);
    EXPECT_EQ(after(a), Up);

    key(WM_KEYDOWN, VK_SPACE, false, false);
    key(WM_KEYUP, VK_SPACE, true, true);
    EXPECT_EQ(after(KeySpace), Released) << "press and release between two polls";
    key(WM_KEYDOWN, VK_SPACE, false, false);
    key(WM_KEYUP, VK_SPACE, true, true);
    key(WM_KEYDOWN, VK_SPACE, false, false);
    EXPECT_EQ(after(KeySpace), Pressed) << "press, release, press";
}

TEST_F(PumpTest, ExcessAndForeignInputStaysInItsPlace)
{
    for (int i = 0; i < 40; ++i) post(WM_CHAR, 'a' + (i % 26));
    pollInput(&window);
    ASSERT_EQ(window.typedCount, 32u);
    EXPECT_EQ(window.typedChars[31], (uint32_t)'f') << "the 32nd is kept, the 33rd dropped";
    key(WM_KEYDOWN, VK_RETURN, false, false);
    pollInput(&window);
    EXPECT_EQ(window.typedCount, 1u) << "key-downs are translated in the same drain";

    // Any program may post these; nothing may index past the key table.
    key(WM_KEYDOWN, 0x141, false, false);
    post(WM_XBUTTONUP, MAKEWPARAM(0, 3));
    pollInput(&window);
    EXPECT_EQ(window.keys[KeyNone], Released);
    EXPECT_EQ(window.keys[keyLetter('A')], Up) << "0x141 is not 'A'";
}

TEST(WindowCreation, ACurrentCoreContextAndItsReport)
{
    Window* window = sharedTestWindow();
    ASSERT_EQ(window->running, 1);
    EXPECT_EQ(wglGetCurrentContext(), window->glContext);
    const std::string& log = sharedTestWindowLog();
    size_t actual = log.find("\nActual context\nGL_VERSION: ");
    ASSERT_NE(actual, std::string::npos) << log.substr(0, 300);
    EXPECT_NE(log.find("\nGL_CONTEXT_PROFILE_MASK: GL_CONTEXT_CORE_PROFILE_BIT\n", actual), std::string::npos);
}

void countEnd(void* count)
{
    ++*(int*)count;
}

// Log-off and shutdown end the run inside WM_ENDSESSION: after it returns
// the process may be ended at any moment.
TEST(WindowCreation, TheSessionsEndEndsTheRunWhileTheMessageIsHandled)
{
    Window* window = sharedTestWindow();
    ASSERT_EQ(window->running, 1);
    int ends = 0;
    window->sessionEnding = countEnd;
    window->sessionEndingContext = &ends;
    EXPECT_EQ(SendMessageA(window->windowHandle, WM_QUERYENDSESSION, 0, 0), TRUE) << "the session may end";
    SendMessageA(window->windowHandle, WM_ENDSESSION, FALSE, 0);
    EXPECT_EQ(ends, 0) << "a cancelled end of session ends nothing";
    SendMessageA(window->windowHandle, WM_ENDSESSION, TRUE, 0);
    EXPECT_TRUE(ends == 1 && window->quitRequested == 1) << ends;
    window->sessionEnding = nullptr;
    window->quitRequested = 0;
}

// Creation runs once per process (the class registers once), so these run
// it in a child process, which reports its verdict through its exit code.
// The driver hides one function, or its format chooser finds nothing and
// says so or claims success.
const char* hiddenName = "";
bool chooseNothing;
BOOL claimSuccess;

int WINAPI chooseNoFormat(HDC, const int*, const float*, unsigned int, int*, unsigned int* count)
{
    *count = 0;
    return claimSuccess;
}

PROC WINAPI lookupLikeAPoorDriver(LPCSTR name)
{
    if (strcmp(name, hiddenName) == 0) return nullptr;
    if (chooseNothing && strcmp(name, "wglChoosePixelFormatARB") == 0) return (PROC)(void*)chooseNoFormat;
    return wglGetProcAddress(name);
}

BOOL CALLBACK countOurWindow(HWND handle, LPARAM count)
{
    char className[32] = {};
    GetClassNameA(handle, className, sizeof className);
    if (strcmp(className, "simple_window") == 0) ++*(int*)count;
    return TRUE;
}

void createThroughPoorDriver(bool expectSuccess = false)
{
    wglLookup = lookupLikeAPoorDriver;
    Window window = {};
    uint64_t start = globalLog.used;
    createWindow(&window, "Marionette Room", 1280, 720, centredPosition, centredPosition);
    std::string log((const char*)globalLog.data + start, globalLog.used - start);
    bool failedLine = log.find("Failed to create an advanced render context.\n") != std::string::npos;
    int windows = 0;
    EnumThreadWindows(GetCurrentThreadId(), countOurWindow, (LPARAM)&windows);
    bool ok = expectSuccess ? window.running == 1 && !failedLine && windows == 1
                            : window.running == 0 && failedLine && windows == 0 && !window.windowHandle &&
                                  !wglGetCurrentContext();
    if (!ok) fprintf(stderr, "running %d, %d windows left, log:\n%s", window.running, windows, log.c_str());
    fflush(stderr);
    _exit(ok ? 0 : 1);
}

TEST(WindowCreationDeathTest, APoorDriverFailsCleanly)
{
    for (const char* name : {"wglGetExtensionsStringARB", "wglChoosePixelFormatARB", "wglCreateContextAttribsARB",
                             "wglSwapIntervalEXT"})
    {
        hiddenName = name;
        EXPECT_EXIT(createThroughPoorDriver(), ::testing::ExitedWithCode(0), "") << name;
    }
    hiddenName = "";
    chooseNothing = true;
    claimSuccess = TRUE;
    EXPECT_EXIT(createThroughPoorDriver(), ::testing::ExitedWithCode(0), "") << "success claimed, no format given";
    claimSuccess = FALSE;
    EXPECT_EXIT(createThroughPoorDriver(true), ::testing::ExitedWithCode(0), "") << "falls back to the dummy's format";
}

} // namespace
