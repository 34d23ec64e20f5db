// The program's one window and its OpenGL 3.3 core context. A hidden dummy
// window with a plain context comes first, because the WGL functions that
// choose the real pixel format and context only exist while a context is current.
#include "platform/win32/window_win32.h"
#include "platform/gl_functions.h"
#include "platform/log.h"
#include "platform/win32/resources.h"

WglLookup wglLookup = wglGetProcAddress;

static const char windowClassName[] = "simple_window";

static const int pixelFormatAttributes[] = {
    0x2001, 1,      // WGL_DRAW_TO_WINDOW_ARB
    0x2010, 1,      // WGL_SUPPORT_OPENGL_ARB
    0x2011, 1,      // WGL_DOUBLE_BUFFER_ARB
    0x2013, 0x202B, // WGL_PIXEL_TYPE_ARB: WGL_TYPE_RGBA_ARB
    0x2014, 32,     // WGL_COLOR_BITS_ARB
    0x2022, 24,     // WGL_DEPTH_BITS_ARB
    0x2023, 8,      // WGL_STENCIL_BITS_ARB
    0,
};

static const int contextAttributes[] = {
    0x2091, 3, // WGL_CONTEXT_MAJOR_VERSION_ARB
    0x2092, 3, // WGL_CONTEXT_MINOR_VERSION_ARB
    0x9126, 1, // WGL_CONTEXT_PROFILE_MASK_ARB: WGL_CONTEXT_CORE_PROFILE_BIT_ARB
    0,
};

struct DummyContext
{
    HWND windowHandle;
    HDC deviceContext;
    HGLRC glContext;
    int pixelFormat;
    PIXELFORMATDESCRIPTOR descriptor;
};

void loadWglExtensions()
{
#define LOAD_WGL_FUNCTION(type, name) gl.name = (type)(void*)wglLookup(#name);
    WGL_EXTENSION_FUNCTIONS(LOAD_WGL_FUNCTION)
#undef LOAD_WGL_FUNCTION
}

void swapWindowBuffers(Window* window)
{
    SwapBuffers(window->deviceContext);
}

uint32_t displayRefreshRate(const Window* window)
{
    MONITORINFOEXA monitor = {};
    monitor.cbSize = sizeof monitor;
    HMONITOR handle = MonitorFromWindow(window->windowHandle, MONITOR_DEFAULTTONEAREST);
    const char* device = handle && GetMonitorInfoA(handle, &monitor) ? monitor.szDevice : nullptr;
    DEVMODEA mode = {};
    mode.dmSize = sizeof mode;
    if (!EnumDisplaySettingsA(device, ENUM_CURRENT_SETTINGS, &mode)) return 0;
    return (uint32_t)mode.dmDisplayFrequency;
}

bool windowMinimised(const Window* window)
{
    return window->windowHandle && IsIconic(window->windowHandle);
}

void waitForWindowMessages(Window*, uint32_t milliseconds)
{
    MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds, QS_ALLINPUT);
}

// The exe's icon at the given system size; none when the exe carries no icon
// (the test programs).
static HICON loadIcon(HINSTANCE instance, int widthMetric, int heightMetric)
{
    return (HICON)LoadImageA(instance, MAKEINTRESOURCEA(MARIONETTE_ICON), IMAGE_ICON, GetSystemMetrics(widthMetric),
                             GetSystemMetrics(heightMetric), LR_SHARED);
}

static bool registerWindowClass(HINSTANCE instance)
{
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_OWNDC;
    windowClass.lpfnWndProc = windowProc;
    windowClass.cbWndExtra = sizeof(Window*);
    windowClass.hInstance = instance;
    // The large icon shows in Alt+Tab, the small one in the title bar and the taskbar.
    windowClass.hIcon = loadIcon(instance, SM_CXICON, SM_CYICON);
    windowClass.hIconSm = loadIcon(instance, SM_CXSMICON, SM_CYSMICON);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.lpszClassName = windowClassName;
    return RegisterClassExA(&windowClass) != 0;
}

static HWND createHiddenWindow(HINSTANCE instance, const char* title, Window* window, RECT rect)
{
    HWND windowHandle = CreateWindowExA(0, windowClassName, title, WS_OVERLAPPEDWINDOW, rect.left, rect.top,
                                        rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr,
                                        instance, nullptr);
    if (windowHandle) SetWindowLongPtrA(windowHandle, 0, (LONG_PTR)window);
    return windowHandle;
}

// The client rectangle in screen coordinates (y down), also recorded in the window.
static RECT placeClientArea(Window* window, uint32_t width, uint32_t height, int32_t x, int32_t y)
{
    int32_t centredLeft = (window->screenWidth - (int32_t)width) / 2;
    int32_t centredTop = (window->screenHeight - (int32_t)height) / 2;
    RECT client;
    client.left = x == centredPosition ? centredLeft : x;
    client.top = y == centredPosition ? centredTop : window->screenHeight - (int32_t)height - y;
    client.right = client.left + (int32_t)width;
    client.bottom = client.top + (int32_t)height;

    window->clientX = client.left;
    window->clientY = y == centredPosition ? centredTop : y;
    window->clientWidth = (int32_t)width;
    window->clientHeight = (int32_t)height;
    return client;
}

static void destroyDummy(DummyContext* dummy)
{
    ReleaseDC(dummy->windowHandle, dummy->deviceContext);
    DestroyWindow(dummy->windowHandle);
}

static void deleteDummyContext(DummyContext* dummy)
{
    wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(dummy->glContext);
    destroyDummy(dummy);
}

static void setDummyPixelFormat(DummyContext* dummy)
{
    PIXELFORMATDESCRIPTOR* descriptor = &dummy->descriptor;
    *descriptor = {};
    descriptor->nSize = sizeof(PIXELFORMATDESCRIPTOR);
    descriptor->nVersion = 1;
    descriptor->dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    descriptor->iPixelType = PFD_TYPE_RGBA;
    descriptor->cColorBits = 32;
    descriptor->cDepthBits = 24;
    descriptor->cStencilBits = 8;
    descriptor->iLayerType = PFD_MAIN_PLANE;
    dummy->pixelFormat = ChoosePixelFormat(dummy->deviceContext, descriptor);
    DescribePixelFormat(dummy->deviceContext, dummy->pixelFormat, sizeof(PIXELFORMATDESCRIPTOR), descriptor);
    SetPixelFormat(dummy->deviceContext, dummy->pixelFormat, descriptor);
}

static bool wglExtensionsPresent()
{
    return gl.wglGetExtensionsStringARB && gl.wglChoosePixelFormatARB && gl.wglCreateContextAttribsARB &&
           gl.wglSwapIntervalEXT;
}

static void logDummyContext(DummyContext* dummy)
{
    logString("Plateform extensions (WGL): ");
    const char* extensions = gl.wglGetExtensionsStringARB(dummy->deviceContext);
    if (extensions) logString(extensions);
    logString("\n\n");
    logString("Dummy context\n");
    logGLContext();
}

// Falls back to the dummy's format when the driver reports failure; false
// when it claims success but hands back no format.
static bool setRealPixelFormat(HDC deviceContext, const DummyContext* dummy)
{
    int format = 0;
    UINT formatCount = 0;
    if (!gl.wglChoosePixelFormatARB(deviceContext, pixelFormatAttributes, nullptr, 1, &format, &formatCount))
    {
        SetPixelFormat(deviceContext, dummy->pixelFormat, &dummy->descriptor);
        return true;
    }
    if (formatCount == 0) return false;
    PIXELFORMATDESCRIPTOR descriptor;
    DescribePixelFormat(deviceContext, format, sizeof(PIXELFORMATDESCRIPTOR), &descriptor);
    SetPixelFormat(deviceContext, format, &descriptor);
    return true;
}

static void failRealContext(DummyContext* dummy, HWND realWindow)
{
    logString("Failed to create an advanced render context.\n");
    deleteDummyContext(dummy);
    // Never shown; not left behind either, with the record attached to it.
    if (realWindow) DestroyWindow(realWindow);
}

void createWindow(Window* window, const char* title, uint32_t width, uint32_t height, int32_t x, int32_t y)
{
    initKeyTables();
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (!registerWindowClass(instance)) return;

    DummyContext dummy = {};
    dummy.windowHandle = createHiddenWindow(instance, title, window, RECT{0, 0, 0, 0});
    if (!dummy.windowHandle) return;
    dummy.deviceContext = GetDC(dummy.windowHandle);
    window->screenWidth = GetDeviceCaps(dummy.deviceContext, HORZRES);
    window->screenHeight = GetDeviceCaps(dummy.deviceContext, VERTRES);

    RECT outer = placeClientArea(window, width, height, x, y);
    AdjustWindowRect(&outer, WS_OVERLAPPEDWINDOW, FALSE);

    setDummyPixelFormat(&dummy);
    dummy.glContext = wglCreateContext(dummy.deviceContext);
    if (!dummy.glContext)
    {
        logString("Failed to create a default OpenGL context\n");
        destroyDummy(&dummy);
        return;
    }
    wglMakeCurrent(dummy.deviceContext, dummy.glContext);

    loadWglExtensions();
    if (!wglExtensionsPresent())
    {
        failRealContext(&dummy, nullptr);
        return;
    }
    loadGLFunctions();
    logDummyContext(&dummy);

    HWND realWindow = createHiddenWindow(instance, title, window, outer);
    HDC realDeviceContext = realWindow ? GetDC(realWindow) : nullptr;
    HGLRC realContext = nullptr;
    if (realDeviceContext && setRealPixelFormat(realDeviceContext, &dummy))
        realContext = gl.wglCreateContextAttribsARB(realDeviceContext, nullptr, contextAttributes);
    if (!realContext)
    {
        failRealContext(&dummy, realWindow);
        return;
    }

    // Destroying the dummy sends WM_DESTROY with the record attached, so
    // running must only become 1 after this.
    deleteDummyContext(&dummy);
    wglMakeCurrent(realDeviceContext, realContext);
    gl.wglSwapIntervalEXT(1);
    logString("\nActual context\n");
    loadGLFunctions();
    logGLContext();

    ShowWindow(realWindow, SW_SHOW);
    window->windowHandle = realWindow;
    window->deviceContext = realDeviceContext;
    window->glContext = realContext;
    window->running = 1;
}
