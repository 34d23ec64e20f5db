// The least program with a WGL 3.3 core context, to hold start-up against:
// a window, a dummy context for the WGL extensions, the real context, and
// frames that only clear, until the window closes. It imports what the
// program must (OPENGL32, GDI32, USER32, KERNEL32) and nothing more. After
// its first frame it prints the milliseconds from its process's creation to
// main, of the window and context, and of the first frame with its swap.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <GL/gl.h>
#include <stdio.h>

typedef BOOL(WINAPI* ChoosePixelFormat_)(HDC, const int*, const FLOAT*, UINT, int*, UINT*);
typedef HGLRC(WINAPI* CreateContextAttribs)(HDC, HGLRC, const int*);

static HWND mainWindow;

static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY && window == mainWindow) PostQuitMessage(0);
    return DefWindowProcA(window, message, wParam, lParam);
}

static HWND makeWindow(const char* title, int width, int height)
{
    RECT outer = {0, 0, width, height};
    AdjustWindowRect(&outer, WS_OVERLAPPEDWINDOW, FALSE);
    return CreateWindowExA(0, "least", title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                           outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

static void setPlainFormat(HDC dc)
{
    PIXELFORMATDESCRIPTOR descriptor = {};
    descriptor.nSize = sizeof descriptor;
    descriptor.nVersion = 1;
    descriptor.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    descriptor.iPixelType = PFD_TYPE_RGBA;
    descriptor.cColorBits = 32;
    descriptor.cDepthBits = 24;
    descriptor.cStencilBits = 8;
    int format = ChoosePixelFormat(dc, &descriptor);
    SetPixelFormat(dc, format, &descriptor);
}

static double nowSeconds()
{
    FILETIME now;
    GetSystemTimePreciseAsFileTime(&now);
    return (double)(((unsigned long long)now.dwHighDateTime << 32) | now.dwLowDateTime) / 1e7;
}

static double createdSeconds()
{
    FILETIME created, ended, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user);
    return (double)(((unsigned long long)created.dwHighDateTime << 32) | created.dwLowDateTime) / 1e7;
}

int main()
{
    double atMain = nowSeconds();
    double created = createdSeconds();
    WNDCLASSA windowClass = {};
    windowClass.style = CS_OWNDC;
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "least";
    RegisterClassA(&windowClass);

    HWND dummy = makeWindow("dummy", 1, 1);
    HDC dummyDC = GetDC(dummy);
    setPlainFormat(dummyDC);
    HGLRC dummyContext = wglCreateContext(dummyDC);
    wglMakeCurrent(dummyDC, dummyContext);
    ChoosePixelFormat_ choose = (ChoosePixelFormat_)(void*)wglGetProcAddress("wglChoosePixelFormatARB");
    CreateContextAttribs create = (CreateContextAttribs)(void*)wglGetProcAddress("wglCreateContextAttribsARB");
    if (!choose || !create) return 1;

    HWND window = mainWindow = makeWindow("Least WGL", 1280, 720);
    HDC dc = GetDC(window);
    const int formatAttributes[] = {0x2001, 1, 0x2010, 1, 0x2011, 1, 0x2013, 0x202B, 0x2014, 32, 0x2022, 24,
                                    0x2023, 8, 0};
    int format = 0;
    UINT count = 0;
    choose(dc, formatAttributes, nullptr, 1, &format, &count);
    PIXELFORMATDESCRIPTOR descriptor;
    DescribePixelFormat(dc, format, sizeof descriptor, &descriptor);
    SetPixelFormat(dc, format, &descriptor);
    const int contextAttributes[] = {0x2091, 3, 0x2092, 3, 0x9126, 1, 0};
    HGLRC context = create(dc, nullptr, contextAttributes);
    wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(dummyContext);
    ReleaseDC(dummy, dummyDC);
    DestroyWindow(dummy);
    if (!context || !wglMakeCurrent(dc, context)) return 1;
    ShowWindow(window, SW_SHOW);
    double windowDone = nowSeconds();
    bool first = true;

    for (;;)
    {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
        {
            if (message.message == WM_QUIT) return 0;
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        SwapBuffers(dc);
        if (first)
        {
            double frameDone = nowSeconds();
            printf("to-main %.1f window-and-context %.1f first-frame %.1f\n", (atMain - created) * 1000,
                   (windowDone - atMain) * 1000, (frameDone - windowDone) * 1000);
            fflush(stdout);
            first = false;
        }
        Sleep(16);
    }
}
