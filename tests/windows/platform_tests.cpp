#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>
#include "platform/gl_functions.h"
#include "platform/log.h"
#include "platform/window_win32.h"
#include "test_window.h"

namespace {

// ---- Key tables ----

TEST(KeyTables, CodesWithoutANumberGiveZero)
{
    initKeyTables();
    std::vector<int> unnumbered = {0x00, 0x07, 0x0A, 0x0B, 0x0E, 0x0F, 0x16, 0x1A, 0x3A, 0x3B, 0x3C, 0x3D,
                                   0x3E, 0x3F, 0x40, 0x5E, 0x88, 0x89, 0x8A, 0x8B, 0x8C, 0x8D, 0x8E, 0x8F,
                                   0xB8, 0xB9, 0xE0, 0xE1, 0xE3, 0xE4, 0xE6, 0xFF};
    for (int code = 0x92; code <= 0x9F; ++code) unnumbered.push_back(code);
    for (int code = 0xC1; code <= 0xDA; ++code) unnumbered.push_back(code);
    for (int code = 0xE8; code <= 0xF5; ++code) unnumbered.push_back(code);
    ASSERT_EQ(unnumbered.size(), 86u);
    for (int code : unnumbered) EXPECT_EQ(keyFromVirtualKey[code], 0) << std::hex << code;

    int zeros = 0;
    for (int code = 0; code < 256; ++code) zeros += keyFromVirtualKey[code] == 0;
    EXPECT_EQ(zeros, 86) << "every other code has a number of its own";
}

TEST(KeyTables, EveryKeyMapsBackAndSharedCodesGoToTheHigherNumber)
{
    initKeyTables();
    EXPECT_EQ(keyFromVirtualKey[0x15], 17);
    EXPECT_EQ(keyFromVirtualKey[0x19], 21);
    EXPECT_EQ(virtualKeyFromKey[16], 0x15);
    EXPECT_EQ(virtualKeyFromKey[20], 0x19);
    for (uint32_t key = 1; key < KeyCount; ++key)
    {
        if (key == 16 || key == 20) continue;
        ASSERT_NE(virtualKeyFromKey[key], 0) << key;
        EXPECT_EQ(keyFromVirtualKey[virtualKeyFromKey[key]], key) << key;
    }
    EXPECT_EQ(virtualKeyFromKey[0], 0);
    for (uint32_t key = KeyCount; key < 256; ++key) EXPECT_EQ(virtualKeyFromKey[key], 0) << key;

    // Anchors spread over the list, where an order slip would show.
    struct Pair { int virtualKey; int key; };
    const Pair anchors[] = {{VK_LBUTTON, 1},   {VK_CANCEL, 6},    {VK_TAB, 8},        {VK_RETURN, 10},
                            {VK_MENU, 13},     {VK_ESCAPE, 22},   {VK_SPACE, 27},     {VK_LEFT, 32},
                            {VK_DOWN, 35},     {VK_HELP, 42},     {'0', 43},          {'9', 52},
                            {'A', 53},         {'Z', 78},         {VK_SLEEP, 82},     {VK_NUMPAD0, 83},
                            {VK_MULTIPLY, 93}, {VK_DIVIDE, 94},   {VK_ADD, 95},       {VK_SUBTRACT, 96},
                            {VK_DECIMAL, 98},  {VK_F1, 99},       {VK_F4, 102},       {VK_F24, 122},
                            {VK_NUMLOCK, 123}, {VK_LSHIFT, 125},  {VK_RMENU, 130},    {VK_BROWSER_BACK, 131},
                            {VK_LAUNCH_APP2, 148}, {VK_OEM_PLUS, 149}, {VK_OEM_1, 153}, {VK_OEM_102, 161},
                            {VK_OEM_CLEAR, 162}, {VK_PROCESSKEY, 163}, {VK_PA1, 172}};
    for (const Pair& pair : anchors) EXPECT_EQ(keyFromVirtualKey[pair.virtualKey], pair.key) << pair.key;
}

// ---- The message pump ----

LPARAM keyFlags(UINT scanCode, bool extended, bool wasDown, bool goingUp, bool altDown = false)
{
    uint32_t flags = 1 | (scanCode << 16) | (extended ? 1u << 24 : 0) | (altDown ? 1u << 29 : 0) |
                     (wasDown ? 1u << 30 : 0) | (goingUp ? 1u << 31 : 0);
    return (LPARAM)flags;
}

void post(UINT message, WPARAM wParam, LPARAM lParam)
{
    ASSERT_TRUE(PostThreadMessageA(GetCurrentThreadId(), message, wParam, lParam));
}

void keyDown(WPARAM virtualKey, bool repeat = false) { post(WM_KEYDOWN, virtualKey, keyFlags(0, false, repeat, false)); }
void keyUp(WPARAM virtualKey) { post(WM_KEYUP, virtualKey, keyFlags(0, false, true, true)); }

// A record as createWindow leaves it, with nothing left in the queue.
struct PumpTest : ::testing::Test
{
    Window window = {};
    void SetUp() override
    {
        initKeyTables();
        window.running = 1;
        window.screenWidth = 1920;
        window.screenHeight = 1080;
        pollInput(&window);
        window = Window{};
        window.running = 1;
        window.screenWidth = 1920;
        window.screenHeight = 1080;
    }
};

TEST_F(PumpTest, HoldingAKeyShowsPressedOnceThenHeldThenReleasedOnce)
{
    const uint32_t a = keyLetter('A');
    keyDown('A');
    pollInput(&window);
    EXPECT_EQ(window.keys[a], Pressed);
    keyDown('A', true);
    keyDown('A', true);
    pollInput(&window);
    EXPECT_EQ(window.keys[a], Held);
    pollInput(&window);
    EXPECT_EQ(window.keys[a], Held);
    keyUp('A');
    pollInput(&window);
    EXPECT_EQ(window.keys[a], Released);
    pollInput(&window);
    EXPECT_EQ(window.keys[a], Up);
}

TEST_F(PumpTest, SeveralChangesBetweenTwoPollsKeepTheLatest)
{
    keyDown(VK_SPACE);
    keyUp(VK_SPACE);
    pollInput(&window);
    EXPECT_EQ(window.keys[KeySpace], Released);

    keyDown(VK_SPACE);
    keyUp(VK_SPACE);
    keyDown(VK_SPACE);
    pollInput(&window);
    EXPECT_EQ(window.keys[KeySpace], Pressed);
}

TEST_F(PumpTest, ModifiersSetTheGenericAndTheSideKey)
{
    post(WM_SYSKEYDOWN, VK_MENU, keyFlags(0x38, true, false, false, true));
    post(WM_KEYDOWN, VK_CONTROL, keyFlags(0x1D, false, false, false));
    post(WM_KEYDOWN, VK_SHIFT, keyFlags(0x36, false, false, false));
    pollInput(&window);
    EXPECT_EQ(window.keys[KeyAlt], Pressed);
    EXPECT_EQ(window.keys[KeyRightAlt], Pressed);
    EXPECT_EQ(window.keys[KeyLeftAlt], Up);
    EXPECT_EQ(window.keys[KeyControl], Pressed);
    EXPECT_EQ(window.keys[KeyLeftControl], Pressed);
    EXPECT_EQ(window.keys[KeyRightControl], Up);
    EXPECT_EQ(window.keys[KeyShift], Pressed);
    EXPECT_EQ(window.keys[KeyRightShift], Pressed);
    EXPECT_EQ(window.keys[KeyLeftShift], Up);

    post(WM_KEYUP, VK_CONTROL, keyFlags(0x1D, true, true, true));
    post(WM_KEYDOWN, VK_SHIFT, keyFlags(0x2A, false, false, false));
    pollInput(&window);
    EXPECT_EQ(window.keys[KeyControl], Released);
    EXPECT_EQ(window.keys[KeyRightControl], Released);
    EXPECT_EQ(window.keys[KeyLeftControl], Held);
    EXPECT_EQ(window.keys[KeyLeftShift], Pressed);
}

TEST_F(PumpTest, AltF4ReleasedRequestsQuit)
{
    post(WM_SYSKEYDOWN, VK_F4, keyFlags(0x3E, false, false, false, true));
    pollInput(&window);
    EXPECT_EQ(window.quitRequested, 0);
    EXPECT_EQ(window.keys[KeyF4], Pressed);

    post(WM_SYSKEYUP, VK_F4, keyFlags(0x3E, false, true, true, true));
    pollInput(&window);
    EXPECT_EQ(window.quitRequested, 1);
    EXPECT_EQ(window.keys[KeyF4], Released);

    Window plain = {};
    post(WM_KEYUP, VK_F4, keyFlags(0x3E, false, true, true));
    pollInput(&plain);
    EXPECT_EQ(plain.quitRequested, 0) << "F4 without Alt is just a key";
}

TEST_F(PumpTest, AKeyCodeBeyondTheTableLandsOnKeyZero)
{
    // Any program may post key messages to us; the code must not index past the table.
    post(WM_KEYDOWN, (WPARAM)0x40000000, keyFlags(0, false, false, false));
    post(WM_KEYDOWN, (WPARAM)0x141, keyFlags(0, false, false, false));
    pollInput(&window);
    EXPECT_EQ(window.keys[KeyNone], Pressed);
    EXPECT_EQ(window.keys[keyLetter('A')], Up) << "0x141 is not 'A'";
}

TEST_F(PumpTest, CharactersBeyondThirtyTwoAreDropped)
{
    for (int i = 0; i < 40; ++i) post(WM_CHAR, 'a' + (i % 26), 1);
    pollInput(&window);
    ASSERT_EQ(window.typedCount, 32u);
    for (int i = 0; i < 32; ++i) EXPECT_EQ(window.typedChars[i], (uint32_t)('a' + (i % 26))) << i;
    pollInput(&window);
    EXPECT_EQ(window.typedCount, 0u);
}

TEST_F(PumpTest, KeyDownsAreTranslatedIntoCharactersInTheSameDrain)
{
    post(WM_KEYDOWN, VK_RETURN, keyFlags(0x1C, false, false, false));
    post(WM_KEYDOWN, VK_BACK, keyFlags(0x0E, false, false, false));
    pollInput(&window);
    EXPECT_EQ(window.keys[KeyReturn], Pressed);
    ASSERT_EQ(window.typedCount, 2u);
    EXPECT_EQ(window.typedChars[0], 13u);
    EXPECT_EQ(window.typedChars[1], 8u);
}

TEST_F(PumpTest, MouseButtons)
{
    post(WM_LBUTTONDOWN, MK_LBUTTON, 0);
    post(WM_RBUTTONUP, 0, 0);
    post(WM_XBUTTONDOWN, MAKEWPARAM(0, XBUTTON1), 0);
    post(WM_XBUTTONDOWN, MAKEWPARAM(0, XBUTTON2), 0);
    post(WM_XBUTTONUP, MAKEWPARAM(0, 3), 0);
    pollInput(&window);
    EXPECT_EQ(window.keys[KeyMouseLeft], Pressed);
    EXPECT_EQ(window.keys[KeyMouseRight], Released) << "a release without a press still shows";
    EXPECT_EQ(window.keys[KeyMouseX1], Pressed);
    EXPECT_EQ(window.keys[KeyMouseX2], Pressed);
    EXPECT_EQ(window.keys[KeyNone], Released) << "other X buttons land on key 0";

    post(WM_LBUTTONDOWN, MK_LBUTTON, 0);
    post(WM_MBUTTONDOWN, MK_MBUTTON, 0);
    post(WM_XBUTTONUP, MAKEWPARAM(0, XBUTTON2), 0);
    pollInput(&window);
    EXPECT_EQ(window.keys[KeyMouseLeft], Held) << "down again while down";
    EXPECT_EQ(window.keys[KeyMouseMiddle], Pressed);
    EXPECT_EQ(window.keys[KeyMouseX1], Held);
    EXPECT_EQ(window.keys[KeyMouseX2], Released);
    EXPECT_EQ(window.keys[KeyMouseRight], Up);

    post(WM_LBUTTONUP, 0, 0);
    post(WM_MBUTTONUP, 0, 0);
    pollInput(&window);
    EXPECT_EQ(window.keys[KeyMouseLeft], Released);
    EXPECT_EQ(window.keys[KeyMouseMiddle], Released);
}

TEST_F(PumpTest, CloseDestroyAndQuitFromTheQueue)
{
    post(WM_CLOSE, 0, 0);
    pollInput(&window);
    EXPECT_EQ(window.quitRequested, 1);
    EXPECT_EQ(window.running, 1) << "a close request only asks";

    post(WM_DESTROY, 0, 0);
    pollInput(&window);
    EXPECT_EQ(window.running, 0);

    window.running = 1;
    PostQuitMessage(0);
    pollInput(&window);
    EXPECT_EQ(window.running, 0);
}

TEST_F(PumpTest, MouseIsCountedUpFromTheBottomRowOfTheClientArea)
{
    POINT saved;
    GetCursorPos(&saved);
    window.clientX = 320;
    window.clientY = 180; // bottom edge at screen y 900
    window.clientWidth = 1280;
    window.clientHeight = 720;

    struct Case { int x, y, mouseX, mouseY; };
    const Case cases[] = {{320, 899, 0, 0}, {1599, 180, 1279, 719}, {300, 950, -20, -51}, {1700, 100, 1380, 799}};
    for (const Case& c : cases)
    {
        ASSERT_TRUE(SetCursorPos(c.x, c.y));
        pollInput(&window);
        EXPECT_EQ(window.mouseX, c.mouseX) << c.x << "," << c.y;
        EXPECT_EQ(window.mouseY, c.mouseY) << c.x << "," << c.y;
    }
    SetCursorPos(saved.x, saved.y);
}

// ---- The window procedure ----

// A hidden window of the program's class with a test record attached; the
// class exists once the shared window has been created.
struct ProcedureTest : ::testing::Test
{
    Window window = {};
    HWND handle = nullptr;

    void SetUp() override
    {
        ASSERT_EQ(sharedTestWindow()->running, 1);
        window.running = 1;
        window.screenWidth = 1920;
        window.screenHeight = 1080;
        handle = openWindow(RECT{100, 200, 500, 500});
        ASSERT_NE(handle, nullptr);
        SetWindowLongPtrA(handle, 0, (LONG_PTR)&window);
    }
    void TearDown() override
    {
        if (handle && IsWindow(handle)) DestroyWindow(handle);
    }
    static HWND openWindow(RECT client)
    {
        RECT outer = client;
        AdjustWindowRect(&outer, WS_OVERLAPPEDWINDOW, FALSE);
        return CreateWindowExA(0, "simple_window", "test", WS_OVERLAPPEDWINDOW, outer.left, outer.top,
                               outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    }
};

TEST_F(ProcedureTest, GeometryUpdateMeasuresTheClientAreaUpFromTheScreenBottom)
{
    EXPECT_EQ(SendMessageA(handle, WM_SIZE, 0, 0), 0);
    EXPECT_EQ(window.resized, 1);
    EXPECT_EQ(window.clientWidth, 400);
    EXPECT_EQ(window.clientHeight, 300);
    EXPECT_EQ(window.clientX, 100);
    EXPECT_EQ(window.clientY, 1080 - 500);

    window = Window{};
    window.screenHeight = 1080;
    SetWindowPos(handle, nullptr, 0, 0, 200, 150, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(window.resized, 1) << "WM_WINDOWPOSCHANGED updates the geometry";
    RECT client;
    GetClientRect(handle, &client);
    EXPECT_EQ(window.clientWidth, client.right);
    EXPECT_EQ(window.clientHeight, client.bottom);
}

TEST_F(ProcedureTest, LosingFocusLetsGoOfEverything)
{
    window.focused = 1;
    window.keys[keyLetter('W')] = Held;
    window.keys[KeyMouseLeft] = Pressed;
    window.keys[200] = Held;
    window.typedCount = 3;
    EXPECT_EQ(SendMessageA(handle, WM_KILLFOCUS, 0, 0), 0);
    for (int key = 0; key < 256; ++key) EXPECT_EQ(window.keys[key], Up) << key;
    EXPECT_EQ(window.typedCount, 0u);
    EXPECT_EQ(window.focused, 0);
}

TEST_F(ProcedureTest, GainingFocusReadsKeysAlreadyDownAsHeld)
{
    BYTE saved[256];
    ASSERT_TRUE(GetKeyboardState(saved));
    BYTE state[256] = {};
    state['W'] = 0x80;
    state[VK_PA1] = 0x80;
    state[VK_LBUTTON] = 0x80;
    ASSERT_TRUE(SetKeyboardState(state));

    window.keys[KeyNone] = Pressed;
    window.keys[KeySpace] = Pressed;
    window.typedCount = 5;
    EXPECT_EQ(SendMessageA(handle, WM_SETFOCUS, 0, 0), 0);
    SetKeyboardState(saved);

    EXPECT_EQ(window.focused, 1);
    EXPECT_EQ(window.keys[keyLetter('W')], Held);
    EXPECT_EQ(window.keys[KeyMouseLeft], Held);
    EXPECT_EQ(window.keys[172], Held) << "the last key is read like every other";
    EXPECT_EQ(window.keys[KeySpace], Up);
    EXPECT_EQ(window.keys[KeyNone], Up);
    EXPECT_EQ(window.typedCount, 0u);
}

TEST_F(ProcedureTest, CloseOnlyAsksAndTheKeyboardMenuIsSwallowed)
{
    EXPECT_EQ(SendMessageA(handle, WM_CLOSE, 0, 0), 0);
    EXPECT_EQ(window.quitRequested, 1);
    EXPECT_TRUE(IsWindow(handle)) << "the window is not destroyed";

    // Default handling of SC_KEYMENU would enter the modal menu loop.
    EXPECT_EQ(SendMessageA(handle, WM_SYSCOMMAND, SC_KEYMENU, 0), 0);

    // Other system commands take the default road: SC_CLOSE comes back as WM_CLOSE.
    window.quitRequested = 0;
    SendMessageA(handle, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(window.quitRequested, 1);
    EXPECT_TRUE(IsWindow(handle));

    DestroyWindow(handle);
    EXPECT_EQ(window.running, 0);
}

TEST_F(ProcedureTest, MessagesBeforeTheRecordIsAttachedTouchNothing)
{
    Window* shared = sharedTestWindow();
    Window before = *shared;
    HWND bare = openWindow(RECT{10, 10, 110, 110});
    ASSERT_NE(bare, nullptr);
    ASSERT_EQ(GetWindowLongPtrA(bare, 0), 0);
    const UINT handled[] = {WM_MOVE, WM_SIZE, WM_WINDOWPOSCHANGED, WM_SETFOCUS, WM_KILLFOCUS, WM_CLOSE};
    for (UINT message : handled) EXPECT_EQ(SendMessageA(bare, message, 0, 0), 0) << message;
    EXPECT_TRUE(IsWindow(bare));
    DestroyWindow(bare);
    EXPECT_EQ(memcmp(&before, shared, sizeof before), 0);
    EXPECT_EQ(window.quitRequested, 0);
    EXPECT_EQ(window.resized, 0);
}

// ---- Window and context creation ----

TEST(WindowCreation, CentredClientAreaWithACoreContext)
{
    Window* window = sharedTestWindow();
    ASSERT_EQ(window->running, 1);
    EXPECT_NE(window->windowHandle, nullptr);
    EXPECT_NE(window->deviceContext, nullptr);
    EXPECT_NE(window->glContext, nullptr);
    EXPECT_EQ(wglGetCurrentContext(), window->glContext);
    EXPECT_EQ(window->quitRequested, 0);
    EXPECT_EQ(window->screenWidth, 1920);
    EXPECT_EQ(window->screenHeight, 1080);
    EXPECT_EQ(window->clientWidth, 1280);
    EXPECT_EQ(window->clientHeight, 720);
    EXPECT_EQ(window->clientX, 320);
    EXPECT_EQ(window->clientY, 180);
    EXPECT_TRUE(IsWindowVisible(window->windowHandle));
    char title[64] = {};
    GetWindowTextA(window->windowHandle, title, sizeof title);
    EXPECT_STREQ(title, "Marionette Room");

    GLint major = 0, profile = 0;
    gl.glGetIntegerv(GL_MAJOR_VERSION, &major);
    gl.glGetIntegerv(GL_CONTEXT_PROFILE_MASK, &profile);
    EXPECT_GE(major, 3);
    EXPECT_EQ(profile & GL_CONTEXT_CORE_PROFILE_BIT, GL_CONTEXT_CORE_PROFILE_BIT);

    // A 3.3 core context provides every entry of the table.
#define EXPECT_LOADED(type, name) EXPECT_NE((void*)gl.name, nullptr) << #name;
    WGL_EXTENSION_FUNCTIONS(EXPECT_LOADED)
    GL_LIBRARY_FUNCTIONS(EXPECT_LOADED)
    GL_CONTEXT_FUNCTIONS(EXPECT_LOADED)
#undef EXPECT_LOADED
    swapWindowBuffers(window);
}

TEST(WindowCreation, LogsExtensionsAndBothContexts)
{
    ASSERT_EQ(sharedTestWindow()->running, 1);
    const std::string& log = sharedTestWindowLog();
    EXPECT_EQ(log.rfind("Plateform extensions (WGL): WGL_", 0), 0u) << log.substr(0, 200);
    size_t dummy = log.find("\n\nDummy context\nGL_VERSION: ");
    size_t actual = log.find("\nActual context\nGL_VERSION: ");
    ASSERT_NE(dummy, std::string::npos);
    ASSERT_NE(actual, std::string::npos);
    EXPECT_LT(dummy, actual);
    std::string real = log.substr(actual);
    EXPECT_NE(real.find("\nGL_MAJOR_VERSION: "), std::string::npos);
    EXPECT_NE(real.find("\nGL_CONTEXT_PROFILE_MASK: GL_CONTEXT_CORE_PROFILE_BIT\nGL_CONTEXT_FLAGS: "),
              std::string::npos);
    EXPECT_NE(real.find("\n\nExtensions ( >= 3.2 ):\nGL_"), std::string::npos);
    EXPECT_EQ(log.find("Failed"), std::string::npos);
}

// ---- Creation with a driver that falls short, each in a process of its own ----

const char* hiddenName;
PFN_wglChoosePixelFormatARB substituteChoose;

PROC WINAPI lookupLikeAPoorDriver(LPCSTR name)
{
    if (hiddenName && strcmp(name, hiddenName) == 0) return nullptr;
    if (substituteChoose && strcmp(name, "wglChoosePixelFormatARB") == 0) return (PROC)(void*)substituteChoose;
    return wglGetProcAddress(name);
}

int WINAPI chooseNoFormat(HDC, const int*, const float*, unsigned int, int*, unsigned int* count)
{
    *count = 0;
    return TRUE;
}

int WINAPI chooseFails(HDC, const int*, const float*, unsigned int, int*, unsigned int*)
{
    return FALSE;
}

BOOL CALLBACK countOurWindow(HWND handle, LPARAM count)
{
    char className[32] = {};
    GetClassNameA(handle, className, sizeof className);
    if (strcmp(className, "simple_window") == 0) ++*(int*)count;
    return TRUE;
}

int ourWindowCount()
{
    int count = 0;
    EnumThreadWindows(GetCurrentThreadId(), countOurWindow, (LPARAM)&count);
    return count;
}

// Creates the window through the poor driver and exits 0 when the outcome
// matches, so the verdict crosses the process boundary.
void createAndJudge(bool expectSuccess)
{
    wglLookup = lookupLikeAPoorDriver;
    Window window = {};
    uint64_t start = globalLog.used;
    createWindow(&window, "Marionette Room", 1280, 720, centredPosition, centredPosition);
    std::string log((const char*)globalLog.data + start, globalLog.used - start);
    bool failedLine = log.find("Failed to create an advanced render context.\n") != std::string::npos;
    int windows = ourWindowCount();
    bool ok = expectSuccess ? window.running == 1 && !failedLine && windows == 1
                            : window.running == 0 && failedLine && windows == 0 && !window.windowHandle &&
                                  !wglGetCurrentContext();
    if (!ok) fprintf(stderr, "running %d, windows left %d, log:\n%s\n", window.running, windows, log.c_str());
    fflush(stderr);
    _exit(ok ? 0 : 1);
}

TEST(WindowCreationDeathTest, AMissingWglEntryPointFailsCleanly)
{
    const char* names[] = {"wglGetExtensionsStringARB", "wglChoosePixelFormatARB", "wglCreateContextAttribsARB",
                           "wglSwapIntervalEXT"};
    for (const char* name : names)
    {
        hiddenName = name;
        EXPECT_EXIT(createAndJudge(false), ::testing::ExitedWithCode(0), "") << name;
    }
}

TEST(WindowCreationDeathTest, NoPixelFormatFailsCleanly)
{
    substituteChoose = chooseNoFormat;
    EXPECT_EXIT(createAndJudge(false), ::testing::ExitedWithCode(0), "");
}

TEST(WindowCreationDeathTest, AFailedFormatChoiceFallsBackToTheDummyFormat)
{
    substituteChoose = chooseFails;
    EXPECT_EXIT(createAndJudge(true), ::testing::ExitedWithCode(0), "");
}

// Placement checked in a child process, since the class registers once per process.
void createAtAndJudge(uint32_t width, uint32_t height, int32_t x, int32_t y, int32_t clientX, int32_t clientY,
                      LONG screenLeft, LONG screenTop)
{
    Window window = {};
    createWindow(&window, "Marionette Room", width, height, x, y);
    POINT topLeft = {0, 0};
    ClientToScreen(window.windowHandle, &topLeft);
    bool ok = window.running == 1 && window.clientX == clientX && window.clientY == clientY &&
              topLeft.x == screenLeft && topLeft.y == screenTop;
    if (!ok)
        fprintf(stderr, "running %d, client %d,%d, top left %ld,%ld\n", window.running, window.clientX,
                window.clientY, topLeft.x, topLeft.y);
    fflush(stderr);
    _exit(ok ? 0 : 1);
}

TEST(WindowCreationDeathTest, ExplicitPositionCountsUpFromTheScreenBottom)
{
    EXPECT_EXIT(createAtAndJudge(1280, 720, 100, 50, 100, 50, 100, 310), ::testing::ExitedWithCode(0), "");
}

TEST(WindowCreationDeathTest, AClientAreaWiderThanTheScreenStaysCentred)
{
    EXPECT_EXIT(createAtAndJudge(2000, 720, centredPosition, centredPosition, -40, 180, -40, 180),
                ::testing::ExitedWithCode(0), "");
}

} // namespace
