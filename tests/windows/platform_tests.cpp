#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>
#include <string>
#include <vector>
#include "platform/gl_functions.h"
#include "platform/log.h"
#include "platform/window_win32.h"
#include "test_window.h"

namespace {

TEST(KeyTables, UnnumberedCodesGiveZeroAndEveryKeyMapsBack)
{
    initKeyTables();
    std::vector<int> unnumbered = {0x00, 0x07, 0x0A, 0x0B, 0x0E, 0x0F, 0x16, 0x1A, 0x5E, 0xB8, 0xB9,
                                   0xE0, 0xE1, 0xE3, 0xE4, 0xE6, 0xFF};
    for (auto range : {std::pair<int, int>{0x3A, 0x40}, {0x88, 0x8F}, {0x92, 0x9F}, {0xC1, 0xDA}, {0xE8, 0xF5}})
        for (int code = range.first; code <= range.second; ++code) unnumbered.push_back(code);
    ASSERT_EQ(unnumbered.size(), 86u);
    int zeros = 0;
    for (int code = 0; code < 256; ++code) zeros += keyFromVirtualKey[code] == 0;
    EXPECT_EQ(zeros, 86);
    for (int code : unnumbered) EXPECT_EQ(keyFromVirtualKey[code], 0) << std::hex << code;

    EXPECT_EQ(keyFromVirtualKey[0x15], 17);
    EXPECT_EQ(keyFromVirtualKey[0x19], 21);
    for (uint32_t key = 1; key < KeyCount; ++key)
        if (key != 16 && key != 20) EXPECT_EQ(keyFromVirtualKey[virtualKeyFromKey[key]], key) << key;
    for (uint32_t key = KeyCount; key < 256; ++key) EXPECT_EQ(virtualKeyFromKey[key], 0) << key;

    // Both tables come from one list, so only fixed points show an order slip.
    const int anchors[][2] = {{VK_CANCEL, 6},      {VK_ESCAPE, 22},  {VK_SPACE, 27},        {'0', 43},
                              {'Z', 78},           {VK_SLEEP, 82},   {VK_DIVIDE, 94},       {VK_DECIMAL, 98},
                              {VK_F4, 102},        {VK_RMENU, 130},  {VK_LAUNCH_APP2, 148}, {VK_OEM_1, 153},
                              {VK_OEM_CLEAR, 162}, {VK_PA1, 172}};
    for (const auto& anchor : anchors) EXPECT_EQ(keyFromVirtualKey[anchor[0]], anchor[1]) << anchor[1];
}

LPARAM keyFlags(UINT scanCode, bool wasDown, bool goingUp, bool altDown = false, bool extended = false)
{
    return (LPARAM)(1u | (scanCode << 16) | (extended ? 1u << 24 : 0) | (altDown ? 1u << 29 : 0) |
                    (wasDown ? 1u << 30 : 0) | (goingUp ? 1u << 31 : 0));
}

void post(UINT message, WPARAM wParam, LPARAM lParam)
{
    ASSERT_TRUE(PostThreadMessageA(GetCurrentThreadId(), message, wParam, lParam));
}

void keyDown(WPARAM virtualKey, bool repeat = false) { post(WM_KEYDOWN, virtualKey, keyFlags(0, repeat, false)); }
void keyUp(WPARAM virtualKey) { post(WM_KEYUP, virtualKey, keyFlags(0, true, true)); }

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
        window.screenHeight = 1080;
    }
};

TEST_F(PumpTest, KeyStatesAcrossPolls)
{
    const uint32_t a = keyLetter('A');
    keyDown('A');
    pollInput(&window);
    EXPECT_EQ(window.keys[a], Pressed);
    keyDown('A', true);
    pollInput(&window);
    EXPECT_EQ(window.keys[a], Held) << "auto-repeat";
    keyUp('A');
    pollInput(&window);
    EXPECT_EQ(window.keys[a], Released);

    keyDown(VK_SPACE);
    keyUp(VK_SPACE);
    pollInput(&window);
    EXPECT_EQ(window.keys[KeySpace], Released) << "press and release between two polls";
    keyDown(VK_SPACE);
    keyUp(VK_SPACE);
    keyDown(VK_SPACE);
    pollInput(&window);
    EXPECT_EQ(window.keys[KeySpace], Pressed) << "press, release, press";

    // Any program may post key messages to us; the code must not index past the table.
    post(WM_KEYDOWN, (WPARAM)0x141, keyFlags(0, false, false));
    pollInput(&window);
    EXPECT_EQ(window.keys[KeyNone], Pressed);
    EXPECT_EQ(window.keys[a], Up) << "0x141 is not 'A'";
}

TEST_F(PumpTest, SideKeysAltF4AndQuit)
{
    post(WM_SYSKEYDOWN, VK_MENU, keyFlags(0x38, false, false, true, true));
    post(WM_KEYDOWN, VK_SHIFT, keyFlags(0x36, false, false));
    pollInput(&window);
    EXPECT_EQ(window.keys[KeyAlt], Pressed);
    EXPECT_EQ(window.keys[KeyRightAlt], Pressed);
    EXPECT_EQ(window.keys[KeyLeftAlt], Up);
    EXPECT_EQ(window.keys[KeyRightShift], Pressed) << "scan code 0x36 is the right shift";

    post(WM_KEYUP, VK_F4, keyFlags(0x3E, true, true));
    pollInput(&window);
    EXPECT_EQ(window.quitRequested, 0) << "F4 without Alt is just a key";
    post(WM_SYSKEYUP, VK_F4, keyFlags(0x3E, true, true, true));
    pollInput(&window);
    EXPECT_EQ(window.quitRequested, 1);
    EXPECT_EQ(window.running, 1) << "Alt+F4 only asks";
    PostQuitMessage(0);
    pollInput(&window);
    EXPECT_EQ(window.running, 0);
}

TEST_F(PumpTest, TypedCharactersAndMouseButtons)
{
    for (int i = 0; i < 40; ++i) post(WM_CHAR, 'a' + (i % 26), 1);
    pollInput(&window);
    ASSERT_EQ(window.typedCount, 32u);
    EXPECT_EQ(window.typedChars[31], (uint32_t)'f') << "the 32nd is kept, the 33rd dropped";
    post(WM_KEYDOWN, VK_RETURN, keyFlags(0x1C, false, false));
    pollInput(&window);
    EXPECT_EQ(window.typedCount, 1u) << "key-downs are translated in the same drain";

    post(WM_LBUTTONDOWN, MK_LBUTTON, 0);
    post(WM_XBUTTONDOWN, MAKEWPARAM(0, XBUTTON1), 0);
    post(WM_XBUTTONUP, MAKEWPARAM(0, XBUTTON2), 0);
    post(WM_XBUTTONUP, MAKEWPARAM(0, 3), 0);
    pollInput(&window);
    EXPECT_EQ(window.keys[KeyMouseLeft], Pressed);
    EXPECT_EQ(window.keys[KeyMouseX1], Pressed);
    EXPECT_EQ(window.keys[KeyMouseX2], Released) << "a release without a press still shows";
    EXPECT_EQ(window.keys[KeyNone], Released) << "other X buttons land on key 0";
}

TEST_F(PumpTest, MouseIsCountedUpFromTheBottomRowOfTheClientArea)
{
    POINT saved;
    GetCursorPos(&saved);
    window.clientX = 320;
    window.clientY = 180; // bottom edge at screen y 900
    const int cases[][4] = {{320, 899, 0, 0}, {1599, 180, 1279, 719}, {300, 950, -20, -51}};
    for (const auto& c : cases)
    {
        ASSERT_TRUE(SetCursorPos(c[0], c[1]));
        pollInput(&window);
        EXPECT_EQ(window.mouseX, c[2]) << c[0] << "," << c[1];
        EXPECT_EQ(window.mouseY, c[3]) << c[0] << "," << c[1];
    }
    SetCursorPos(saved.x, saved.y);
}

// A hidden window of the program's class (which exists once the shared
// window does) with a test record attached.
struct ProcedureTest : ::testing::Test
{
    Window window = {};
    HWND handle = nullptr;

    void SetUp() override
    {
        ASSERT_EQ(sharedTestWindow()->running, 1);
        window.running = 1;
        window.screenHeight = 1080;
        RECT client = {100, 200, 500, 500};
        AdjustWindowRect(&client, WS_OVERLAPPEDWINDOW, FALSE);
        handle = CreateWindowExA(0, "simple_window", "test", WS_OVERLAPPEDWINDOW, client.left, client.top,
                                 client.right - client.left, client.bottom - client.top, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(handle, nullptr);
        SetWindowLongPtrA(handle, 0, (LONG_PTR)&window);
    }
    void TearDown() override
    {
        if (handle && IsWindow(handle)) DestroyWindow(handle);
    }
};

TEST_F(ProcedureTest, GeometryIsMeasuredUpFromTheScreenBottom)
{
    EXPECT_EQ(SendMessageA(handle, WM_SIZE, 0, 0), 0);
    EXPECT_EQ(window.resized, 1);
    EXPECT_EQ(window.clientWidth, 400);
    EXPECT_EQ(window.clientHeight, 300);
    EXPECT_EQ(window.clientX, 100);
    EXPECT_EQ(window.clientY, 1080 - 500);
}

TEST_F(ProcedureTest, FocusLossCloseAndTheKeyboardMenu)
{
    window.keys[keyLetter('W')] = Held;
    window.keys[200] = Held;
    window.typedCount = 3;
    EXPECT_EQ(SendMessageA(handle, WM_KILLFOCUS, 0, 0), 0);
    for (int key = 0; key < 256; ++key) EXPECT_EQ(window.keys[key], Up) << key;
    EXPECT_EQ(window.typedCount, 0u);

    EXPECT_EQ(SendMessageA(handle, WM_CLOSE, 0, 0), 0);
    EXPECT_EQ(window.quitRequested, 1);
    EXPECT_TRUE(IsWindow(handle)) << "a close request only asks";
    // Default handling of SC_KEYMENU would enter the modal menu loop.
    EXPECT_EQ(SendMessageA(handle, WM_SYSCOMMAND, SC_KEYMENU, 0), 0);
    DestroyWindow(handle);
    EXPECT_EQ(window.running, 0);
}

TEST_F(ProcedureTest, MessagesBeforeTheRecordIsAttachedLeaveItAlone)
{
    SetWindowLongPtrA(handle, 0, 0);
    const UINT handled[] = {WM_SIZE, WM_MOVE, WM_SETFOCUS, WM_KILLFOCUS, WM_CLOSE};
    for (UINT message : handled) EXPECT_EQ(SendMessageA(handle, message, 0, 0), 0) << message;
    EXPECT_TRUE(IsWindow(handle)) << "a close request still only asks";
    DestroyWindow(handle);
    EXPECT_EQ(window.running, 1);
    EXPECT_EQ(window.resized, 0);
}

TEST(WindowCreation, CentredClientAreaWithACoreContextAndItsReport)
{
    Window* window = sharedTestWindow();
    ASSERT_EQ(window->running, 1);
    EXPECT_EQ(wglGetCurrentContext(), window->glContext);
    EXPECT_EQ(window->clientWidth, 1280);
    EXPECT_EQ(window->clientHeight, 720);
    EXPECT_EQ(window->clientX, 320) << "centred on the 1920 x 1080 screen";
    EXPECT_EQ(window->clientY, 180);
#define EXPECT_LOADED(type, name) EXPECT_NE((void*)gl.name, nullptr) << #name;
    WGL_EXTENSION_FUNCTIONS(EXPECT_LOADED)
    GL_LIBRARY_FUNCTIONS(EXPECT_LOADED)
    GL_CONTEXT_FUNCTIONS(EXPECT_LOADED)
#undef EXPECT_LOADED

    const std::string& log = sharedTestWindowLog();
    EXPECT_EQ(log.rfind("Plateform extensions (WGL): WGL_", 0), 0u) << log.substr(0, 200);
    size_t dummy = log.find("\n\nDummy context\nGL_VERSION: ");
    size_t actual = log.find("\nActual context\nGL_VERSION: ");
    ASSERT_NE(dummy, std::string::npos);
    ASSERT_NE(actual, std::string::npos);
    EXPECT_LT(dummy, actual);
    EXPECT_NE(log.find("\nGL_CONTEXT_PROFILE_MASK: GL_CONTEXT_CORE_PROFILE_BIT\nGL_CONTEXT_FLAGS: ", actual),
              std::string::npos);
    EXPECT_NE(log.find("\n\nExtensions ( >= 3.2 ):\nGL_", actual), std::string::npos);
}

// Creation runs once per process (the class registers once), so these run
// it in a child process, which reports its verdict through its exit code.
const char* hiddenName = "";
PFN_wglChoosePixelFormatARB substituteChoose;

PROC WINAPI lookupLikeAPoorDriver(LPCSTR name)
{
    if (strcmp(name, hiddenName) == 0) return nullptr;
    if (substituteChoose && strcmp(name, "wglChoosePixelFormatARB") == 0) return (PROC)(void*)substituteChoose;
    return wglGetProcAddress(name);
}

int WINAPI chooseNoFormat(HDC, const int*, const float*, unsigned int, int*, unsigned int* count)
{
    *count = 0;
    return TRUE;
}

int WINAPI chooseFails(HDC, const int*, const float*, unsigned int, int*, unsigned int*) { return FALSE; }

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
    substituteChoose = chooseNoFormat;
    EXPECT_EXIT(createThroughPoorDriver(), ::testing::ExitedWithCode(0), "") << "success claimed, no format given";
    substituteChoose = chooseFails;
    EXPECT_EXIT(createThroughPoorDriver(true), ::testing::ExitedWithCode(0), "") << "falls back to the dummy's format";
}

} // namespace
