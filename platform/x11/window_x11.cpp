// The program's one window on X with its OpenGL 3.3 core context (GLX).
// Without a display, a 24-bit visual, GLX or a 3.3 core context the program
// cannot run at all: it says why on standard error and exits with status 1.
#include "platform/gl_functions.h"
#define Window XWindow
#include <GL/glx.h>
#undef Window
#include "platform/x11/window_x11.h"
#include "platform/log.h"
#include "platform/posix/end_signals.h"
#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static const int configAttributes[] = {
    GLX_X_RENDERABLE, True, GLX_DRAWABLE_TYPE, GLX_WINDOW_BIT, GLX_RENDER_TYPE, GLX_RGBA_BIT,
    GLX_X_VISUAL_TYPE, GLX_TRUE_COLOR, GLX_RED_SIZE, 8, GLX_GREEN_SIZE, 8, GLX_BLUE_SIZE, 8,
    GLX_DEPTH_SIZE, 24, GLX_STENCIL_SIZE, 8, GLX_DOUBLEBUFFER, True, None,
};

static const int contextAttributes[] = {
    GLX_CONTEXT_MAJOR_VERSION_ARB, 3, GLX_CONTEXT_MINOR_VERSION_ARB, 3,
    GLX_CONTEXT_PROFILE_MASK_ARB, GLX_CONTEXT_CORE_PROFILE_BIT_ARB, None,
};

static int lastXError;

// Requests that fail (a context the driver refuses, focus on a window not
// yet viewable) are noted, not fatal.
static int noteXError(Display*, XErrorEvent* error)
{
    lastXError = error->error_code;
    return 0;
}

// Xlib ends the process once this returns, so unsaved edits are saved here,
// as when the system ends the session.
static Window* openWindow;

// Readable once SIGTERM, SIGHUP or SIGINT has come, so that a minimised
// window's wait ends at once.
static int endSignalWake = -1;

static int reportLostDisplay(Display*)
{
    fprintf(stderr, "marionette: the connection to the X display was lost\n");
    if (openWindow && openWindow->sessionEnding) openWindow->sessionEnding(openWindow->sessionEndingContext);
    exit(1);
}

static void stop(const char* reason)
{
    fprintf(stderr, "marionette: %s\n", reason);
    exit(1);
}

static bool hasExtension(const char* list, const char* name)
{
    size_t length = strlen(name);
    for (const char* at = list ? strstr(list, name) : nullptr; at; at = strstr(at + 1, name))
    {
        bool starts = at == list || at[-1] == ' ';
        if (starts && (at[length] == ' ' || at[length] == 0)) return true;
    }
    return false;
}

static Display* openDisplay()
{
    const char* name = getenv("DISPLAY");
    if (!name || !name[0]) stop("no X display: DISPLAY is not set");
    Display* display = XOpenDisplay(nullptr);
    if (!display) stop("cannot open the X display named by DISPLAY");
    XSetErrorHandler(noteXError);
    XSetIOErrorHandler(reportLostDisplay);
    int major = 0, minor = 0;
    if (!glXQueryVersion(display, &major, &minor) || major < 1 || (major == 1 && minor < 3))
        stop("the X display offers no OpenGL (GLX 1.3)");
    return display;
}

static GLXFBConfig chooseConfig(Display* display)
{
    int count = 0;
    GLXFBConfig* configs = glXChooseFBConfig(display, DefaultScreen(display), configAttributes, &count);
    if (!configs || count == 0) stop("the X display has no 24-bit colour visual with OpenGL");
    GLXFBConfig config = configs[0];
    XFree(configs);
    return config;
}

// The client rectangle in screen coordinates (y down), also recorded in the window.
static void placeClientArea(Window* window, uint32_t width, uint32_t height, int32_t x, int32_t y, int* left,
                            int* top)
{
    int32_t centredLeft = (window->screenWidth - (int32_t)width) / 2;
    int32_t centredTop = (window->screenHeight - (int32_t)height) / 2;
    *left = x == centredPosition ? centredLeft : x;
    *top = y == centredPosition ? centredTop : window->screenHeight - (int32_t)height - y;
    window->clientX = *left;
    window->clientY = y == centredPosition ? centredTop : y;
    window->clientWidth = (int32_t)width;
    window->clientHeight = (int32_t)height;
}

static void describeWindow(Display* display, XWindow xWindow, const char* title, int left, int top, uint32_t width,
                           uint32_t height)
{
    XStoreName(display, xWindow, title);
    Atom utf8String = XInternAtom(display, "UTF8_STRING", False);
    XChangeProperty(display, xWindow, XInternAtom(display, "_NET_WM_NAME", False), utf8String, 8, PropModeReplace,
                    (const unsigned char*)title, (int)strlen(title));
    XSizeHints hints = {};
    hints.flags = USPosition | USSize;
    hints.x = left;
    hints.y = top;
    hints.width = (int)width;
    hints.height = (int)height;
    XSetWMNormalHints(display, xWindow, &hints);
    char name[] = "marionette";
    XClassHint classHint = {name, name};
    XSetClassHint(display, xWindow, &classHint);
}

static bool createXWindow(Window* window, GLXFBConfig config, const char* title, int left, int top, uint32_t width,
                          uint32_t height)
{
    Display* display = displayOf(window);
    XVisualInfo* visual = glXGetVisualFromFBConfig(display, config);
    if (!visual || visual->depth < 24) stop("the X display has no 24-bit colour visual with OpenGL");
    XWindow root = DefaultRootWindow(display);
    XSetWindowAttributes attributes = {};
    attributes.colormap = XCreateColormap(display, root, visual->visual, AllocNone);
    attributes.event_mask = KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask | FocusChangeMask |
                            StructureNotifyMask | ExposureMask;
    XWindow xWindow = XCreateWindow(display, root, left, top, width, height, 0, visual->depth, InputOutput,
                                    visual->visual, CWColormap | CWEventMask | CWBorderPixel | CWBackPixel,
                                    &attributes);
    XFree(visual);
    window->colormap = attributes.colormap;
    if (!xWindow) return false;
    window->xWindow = xWindow;
    describeWindow(display, xWindow, title, left, top, width, height);
    Atom deleteAtom = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display, xWindow, &deleteAtom, 1);
    window->deleteAtom = deleteAtom;
    setWindowIcon(window);
    return true;
}

static GLXContext createContext(Display* display, GLXFBConfig config)
{
    typedef GLXContext (*CreateContext)(Display*, GLXFBConfig, GLXContext, Bool, const int*);
    CreateContext create = (CreateContext)glXGetProcAddressARB((const GLubyte*)"glXCreateContextAttribsARB");
    const char* extensions = glXQueryExtensionsString(display, DefaultScreen(display));
    logString("Platform extensions (GLX): ");
    if (extensions) logString(extensions);
    logString("\n\n");
    if (!create || !hasExtension(extensions, "GLX_ARB_create_context")) return nullptr;
    lastXError = 0;
    GLXContext context = create(display, config, nullptr, True, contextAttributes);
    XSync(display, False);
    if (lastXError && context)
    {
        glXDestroyContext(display, context);
        return nullptr;
    }
    return context;
}

// The swap waits for the display where the driver offers either extension.
static void followDisplayRefresh(Display* display, XWindow xWindow)
{
    const char* extensions = glXQueryExtensionsString(display, DefaultScreen(display));
    if (hasExtension(extensions, "GLX_EXT_swap_control"))
    {
        typedef void (*SwapIntervalEXT)(Display*, GLXDrawable, int);
        SwapIntervalEXT swapInterval = (SwapIntervalEXT)glXGetProcAddressARB((const GLubyte*)"glXSwapIntervalEXT");
        if (swapInterval) swapInterval(display, xWindow, 1);
    }
    else if (hasExtension(extensions, "GLX_MESA_swap_control"))
    {
        typedef int (*SwapIntervalMESA)(unsigned int);
        SwapIntervalMESA swapInterval = (SwapIntervalMESA)glXGetProcAddressARB((const GLubyte*)"glXSwapIntervalMESA");
        if (swapInterval) swapInterval(1);
    }
}

static void closeWindow(Window* window)
{
    Display* display = displayOf(window);
    if (window->inputContext) XDestroyIC((XIC)window->inputContext);
    if (window->inputMethod) XCloseIM((XIM)window->inputMethod);
    if (window->xWindow) XDestroyWindow(display, (XWindow)window->xWindow);
    if (window->colormap) XFreeColormap(display, (Colormap)window->colormap);
    XCloseDisplay(display);
    window->display = nullptr;
    window->xWindow = 0;
    window->colormap = 0;
    window->inputMethod = nullptr;
    window->inputContext = nullptr;
}

static Bool isMapNotify(Display*, XEvent* event, XPointer xWindow)
{
    return event->type == MapNotify && event->xmap.window == (XWindow)xWindow;
}

// Without a window manager nobody gives the new window the keyboard.
static void showWindow(Window* window)
{
    Display* display = displayOf(window);
    XWindow xWindow = (XWindow)window->xWindow;
    XMapWindow(display, xWindow);
    XEvent event;
    XIfEvent(display, &event, isMapNotify, (XPointer)xWindow);
    XSetInputFocus(display, xWindow, RevertToParent, CurrentTime);
    window->resized = 1;
}

void createWindow(Window* window, const char* title, uint32_t width, uint32_t height, int32_t x, int32_t y)
{
    Display* display = openDisplay();
    window->display = display;
    window->screenWidth = DisplayWidth(display, DefaultScreen(display));
    window->screenHeight = DisplayHeight(display, DefaultScreen(display));
    GLXFBConfig config = chooseConfig(display);
    int left = 0, top = 0;
    placeClientArea(window, width, height, x, y, &left, &top);
    if (!createXWindow(window, config, title, left, top, width, height)) stop("the X window could not be created");
    openInputContext(window);

    GLXContext context = createContext(display, config);
    if (!context || !glXMakeCurrent(display, (XWindow)window->xWindow, context))
    {
        logString("Failed to create an advanced render context.\n");
        if (context) glXDestroyContext(display, context);
        closeWindow(window);
        stop("the driver offers no OpenGL 3.3 core context");
    }
    window->glContext = context;
    followDisplayRefresh(display, (XWindow)window->xWindow);
    loadGLFunctions();
    logString("Actual context\n");
    logGLContext();

    showWindow(window);
    window->running = 1;
    openWindow = window;
    endSignalWake = watchEndSignals();
}

void swapWindowBuffers(Window* window)
{
    glXSwapBuffers(displayOf(window), (XWindow)window->xWindow);
}

bool windowMinimised(const Window* window)
{
    return window->unmapped != 0;
}

void waitForWindowMessages(Window* window, uint32_t milliseconds)
{
    Display* display = displayOf(window);
    if (XPending(display)) return;
    pollfd wakes[2] = {{ConnectionNumber(display), POLLIN, 0}, {endSignalWake, POLLIN, 0}};
    poll(wakes, endSignalWake >= 0 ? 2 : 1, (int)milliseconds);
}
