// The message pump and the window procedure: everything the operating system
// tells the program lands in the Window record.
#include "platform/win32/window_win32.h"

static const uint32_t stateKeyCount = KeyCount;

static void age(Window* window)
{
    // Pressed becomes Held, Released becomes Up: bit 0 alone decides.
    for (uint32_t key = 0; key < stateKeyCount; ++key)
        window->keys[key] = (window->keys[key] & 1) ? Held : Up;
}

static void readMouse(Window* window)
{
    POINT cursor;
    if (!GetCursorPos(&cursor)) return;
    window->mouseX = cursor.x - window->clientX;
    window->mouseY = window->screenHeight - window->clientY - cursor.y - 1;
}

// Anyone may post a key message, so the code is checked before it indexes the table.
static uint32_t keyOf(WPARAM virtualKey)
{
    return virtualKey < 256 ? keyFromVirtualKey[virtualKey] : (uint32_t)KeyNone;
}

static void updateKey(Window* window, const MSG* message)
{
    WPARAM virtualKey = message->wParam;
    uint32_t flags = (uint32_t)message->lParam;
    uint8_t state = (uint8_t)(((flags >> 30) & 1 ? 2 : 0) + ((flags >> 31) & 1 ? 0 : 1));
    window->keys[keyOf(virtualKey)] = state;

    bool extended = ((flags >> 24) & 1) != 0;
    if (virtualKey == VK_SHIFT)
    {
        UINT scanCode = (flags >> 16) & 0xFF;
        window->keys[keyOf(MapVirtualKeyExA(scanCode, MAPVK_VSC_TO_VK_EX, nullptr))] = state;
    }
    else if (virtualKey == VK_CONTROL)
    {
        window->keys[extended ? KeyRightControl : KeyLeftControl] = state;
    }
    else if (virtualKey == VK_MENU)
    {
        window->keys[extended ? KeyRightAlt : KeyLeftAlt] = state;
    }

    // Key messages never reach default handling, so Alt+F4 is ours to honour.
    if (message->message == WM_SYSKEYUP && virtualKey == VK_F4) window->quitRequested = 1;
    TranslateMessage(message);
}

static uint32_t extraButtonKey(WPARAM wParam)
{
    switch (HIWORD(wParam))
    {
    case XBUTTON1: return KeyMouseX1;
    case XBUTTON2: return KeyMouseX2;
    default: return KeyNone;
    }
}

static void buttonDown(Window* window, uint32_t key)
{
    window->keys[key] = (window->keys[key] & 1) ? Held : Pressed;
}

static void handleMessage(Window* window, const MSG* message)
{
    switch (message->message)
    {
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP: updateKey(window, message); break;
    case WM_CHAR:
        if (window->typedCount < 32) window->typedChars[window->typedCount++] = (uint32_t)message->wParam;
        break;
    case WM_LBUTTONDOWN: buttonDown(window, KeyMouseLeft); break;
    case WM_RBUTTONDOWN: buttonDown(window, KeyMouseRight); break;
    case WM_MBUTTONDOWN: buttonDown(window, KeyMouseMiddle); break;
    case WM_LBUTTONUP: window->keys[KeyMouseLeft] = Released; break;
    case WM_RBUTTONUP: window->keys[KeyMouseRight] = Released; break;
    case WM_MBUTTONUP: window->keys[KeyMouseMiddle] = Released; break;
    case WM_XBUTTONDOWN: buttonDown(window, extraButtonKey(message->wParam)); break;
    case WM_XBUTTONUP: window->keys[extraButtonKey(message->wParam)] = Released; break;
    case WM_CLOSE: window->quitRequested = 1; break;
    case WM_DESTROY:
    case WM_QUIT: window->running = 0; break;
    default:
        TranslateMessage(message);
        DispatchMessageA(message);
        break;
    }
}

void pollInput(Window* window)
{
    window->typedCount = 0;
    age(window);
    readMouse(window);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) handleMessage(window, &message);
}

void refreshKeys(Window* window)
{
    window->keys[KeyNone] = Up;
    for (uint32_t key = 1; key < stateKeyCount; ++key)
        window->keys[key] = (GetKeyState(virtualKeyFromKey[key]) & 0x8000) ? Held : Up;
    window->typedCount = 0;
}

static void updateGeometry(HWND windowHandle, Window* window)
{
    RECT client;
    GetClientRect(windowHandle, &client);
    window->clientWidth = client.right;
    window->clientHeight = client.bottom;
    window->resized = 1;
    window->redraw = 1;
    // The point just below the last row: the client area's bottom edge on screen.
    POINT bottomLeft = {0, window->clientHeight};
    ClientToScreen(windowHandle, &bottomLeft);
    window->clientX = bottomLeft.x;
    window->clientY = window->screenHeight - bottomLeft.y;
}

static void loseFocus(Window* window)
{
    for (uint32_t key = 0; key < 256; ++key) window->keys[key] = Up;
    window->typedCount = 0;
    window->focused = 0;
    window->redraw = 1;
}

LRESULT CALLBACK windowProc(HWND windowHandle, UINT message, WPARAM wParam, LPARAM lParam)
{
    Window* window = (Window*)GetWindowLongPtrA(windowHandle, 0);
    switch (message)
    {
    case WM_DESTROY:
        if (window) window->running = 0;
        return 0;
    case WM_MOVE:
    case WM_SIZE:
    case WM_WINDOWPOSCHANGED:
        if (window) updateGeometry(windowHandle, window);
        return 0;
    case WM_SETFOCUS:
        if (window)
        {
            refreshKeys(window);
            window->focused = 1;
            window->redraw = 1;
        }
        return 0;
    case WM_KILLFOCUS:
        if (window) loseFocus(window);
        return 0;
    case WM_CLOSE:
        if (window) window->quitRequested = 1;
        return 0;
    // The frame loop draws the whole picture; it only has to be told.
    case WM_PAINT:
        if (!window) break;
        ValidateRect(windowHandle, nullptr);
        window->redraw = 1;
        return 0;
    // Logging off or shutting down: the process may end as soon as
    // WM_ENDSESSION returns, so the run's end happens inside it.
    case WM_QUERYENDSESSION:
        return TRUE;
    case WM_ENDSESSION:
        if (window && wParam)
        {
            window->quitRequested = 1;
            if (window->sessionEnding) window->sessionEnding(window->sessionEndingContext);
        }
        return 0;
    case WM_SYSCOMMAND:
        if (wParam == SC_KEYMENU) return 0;
        break;
    }
    return DefWindowProcA(windowHandle, message, wParam, lParam);
}
