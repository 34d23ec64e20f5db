// The X event pump: everything the server tells the program lands in the
// Window record, in the same form as on Windows.
#include "platform/x11/window_x11.h"
#include "platform/x11/x11_keys.h"
#include <X11/XKBlib.h>
#include <locale.h>
#include <string.h>

static KeyEventFacts factsOf(const XEvent* event)
{
    return KeyEventFacts{event->xkey.keycode, (uint32_t)event->xkey.time, event->type == KeyPress};
}

// Letters and digits take the key's first level; a digit that needs Shift
// (the French layout's top row) takes the second.
static uint32_t keyOf(XKeyEvent* event)
{
    uint32_t key = keyFromKeysym((uint32_t)XLookupKeysym(event, 0));
    return key ? key : keyFromKeysym((uint32_t)XLookupKeysym(event, 1));
}

static void setKey(Window* window, uint32_t key, bool press)
{
    window->keys[key] = keyStateAfter(window->keys[key], press);
    uint32_t both = bothSidesKey(key);
    if (!both) return;
    // Shift stays down while the other Shift key still is. Left and right
    // keys are neighbours, the left one odd.
    uint32_t other = (key & 1) ? key + 1 : key - 1;
    if (press || !(window->keys[other] & 1)) window->keys[both] = keyStateAfter(window->keys[both], press);
}

static void type(Window* window, const char* bytes, int count)
{
    for (int i = 0; i < count && window->typedCount < 32; ++i)
        window->typedChars[window->typedCount++] = (uint8_t)bytes[i];
}

// The typed text as UTF-8 bytes, one per character slot: the bytes a Linux
// file name holds. As with Windows' WM_CHAR, Return arrives as 13, Backspace
// as 8, and nothing is typed while Alt is down.
static void typeText(Window* window, XKeyEvent* event)
{
    if (event->state & Mod1Mask) return;
    char text[32];
    KeySym keysym = 0;
    if (window->inputContext)
    {
        Status status = 0;
        int count = Xutf8LookupString((XIC)window->inputContext, event, text, sizeof text, &keysym, &status);
        if (status == XLookupChars || status == XLookupBoth) type(window, text, count);
        return;
    }
    // Without an input method the text is Latin-1.
    int count = XLookupString(event, text, sizeof text, &keysym, nullptr);
    for (int i = 0; i < count; ++i)
    {
        uint8_t byte = (uint8_t)text[i];
        char utf8[2] = {(char)(0xC0 | (byte >> 6)), (char)(0x80 | (byte & 0x3F))};
        if (byte < 0x80) type(window, (const char*)&byte, 1);
        else type(window, utf8, 2);
    }
}

static void pressKey(Window* window, XEvent* event)
{
    uint32_t key = keyOf(&event->xkey);
    setKey(window, key, true);
    typeText(window, &event->xkey);
}

// X sends a held key's repeat as a release and a press at the same moment;
// the pair leaves the key down, so it reads Held.
static void releaseKey(Window* window, XEvent* event)
{
    Display* display = displayOf(window);
    KeyEventFacts release = factsOf(event);
    if (XEventsQueued(display, QueuedAfterReading) > 0)
    {
        XEvent next;
        XPeekEvent(display, &next);
        KeyEventFacts nextFacts = factsOf(&next);
        bool nextIsKey = next.type == KeyPress || next.type == KeyRelease;
        if (releaseIsRepeat(&release, nextIsKey ? &nextFacts : nullptr)) return;
    }
    uint32_t key = keyOf(&event->xkey);
    // Where the window manager leaves Alt+F4 to the program, it closes the window.
    if (key == KeyF4 && isDown(window, KeyAlt)) window->quitRequested = 1;
    setKey(window, key, false);
}

static uint32_t buttonKey(unsigned int button)
{
    switch (button)
    {
    case Button1: return KeyMouseLeft;
    case Button2: return KeyMouseMiddle;
    case Button3: return KeyMouseRight;
    case 8: return KeyMouseX1;
    case 9: return KeyMouseX2;
    default: return KeyNone; // the wheel's buttons 4 to 7
    }
}

static void updateGeometry(Window* window, int width, int height)
{
    Display* display = displayOf(window);
    window->clientWidth = width;
    window->clientHeight = height;
    window->resized = 1;
    window->redraw = 1;
    int x = 0, y = 0;
    XWindow child;
    XTranslateCoordinates(display, (XWindow)window->xWindow, DefaultRootWindow(display), 0, height, &x, &y, &child);
    window->clientX = x;
    window->clientY = window->screenHeight - y;
}

static void loseFocus(Window* window)
{
    for (uint32_t key = 0; key < 256; ++key) window->keys[key] = Up;
    window->typedCount = 0;
    window->focused = 0;
}

static void changeFocus(Window* window, const XFocusChangeEvent* event)
{
    // Focus moving between the window and its parts is no change.
    if (event->detail == NotifyPointer || event->detail == NotifyInferior) return;
    window->redraw = 1;
    if (event->type == FocusOut)
    {
        loseFocus(window);
        if (window->inputContext) XUnsetICFocus((XIC)window->inputContext);
        return;
    }
    refreshKeys(window);
    window->focused = 1;
    if (window->inputContext) XSetICFocus((XIC)window->inputContext);
}

static void handleEvent(Window* window, XEvent* event)
{
    switch (event->type)
    {
    case KeyPress: pressKey(window, event); break;
    case KeyRelease: releaseKey(window, event); break;
    case ButtonPress: setKey(window, buttonKey(event->xbutton.button), true); break;
    case ButtonRelease: setKey(window, buttonKey(event->xbutton.button), false); break;
    case FocusIn:
    case FocusOut: changeFocus(window, &event->xfocus); break;
    case ConfigureNotify: updateGeometry(window, event->xconfigure.width, event->xconfigure.height); break;
    case ClientMessage:
        if ((unsigned long)event->xclient.data.l[0] == window->deleteAtom) window->quitRequested = 1;
        break;
    case DestroyNotify: window->running = 0; break;
    case UnmapNotify: window->unmapped = 1; break;
    case MapNotify:
        window->unmapped = 0;
        window->redraw = 1;
        break;
    case Expose: window->redraw = 1; break;
    default: break;
    }
}

static void readMouse(Window* window)
{
    Display* display = displayOf(window);
    XWindow root, child;
    int rootX, rootY, x, y;
    unsigned int mask;
    if (!XQueryPointer(display, (XWindow)window->xWindow, &root, &child, &rootX, &rootY, &x, &y, &mask)) return;
    window->mouseX = x;
    window->mouseY = window->clientHeight - y - 1;
}

void pollInput(Window* window)
{
    window->typedCount = 0;
    ageKeys(window->keys, KeyCount);
    readMouse(window);
    Display* display = displayOf(window);
    while (XPending(display))
    {
        XEvent event;
        XNextEvent(display, &event);
        // The input method takes the keys of a compose sequence for itself.
        if (XFilterEvent(&event, None)) continue;
        handleEvent(window, &event);
    }
}

void refreshKeys(Window* window)
{
    Display* display = displayOf(window);
    for (uint32_t key = 0; key < 256; ++key) window->keys[key] = Up;
    window->typedCount = 0;
    char keymap[32];
    XQueryKeymap(display, keymap);
    for (uint32_t keycode = 8; keycode < 256; ++keycode)
    {
        if (!(keymap[keycode / 8] & (1 << (keycode % 8)))) continue;
        uint32_t key = keyFromKeysym((uint32_t)XkbKeycodeToKeysym(display, (KeyCode)keycode, 0, 0));
        window->keys[key] = Held;
        if (bothSidesKey(key)) window->keys[bothSidesKey(key)] = Held;
    }
    window->keys[KeyNone] = Up;
    XWindow root, child;
    int rootX, rootY, x, y;
    unsigned int mask = 0;
    XQueryPointer(display, (XWindow)window->xWindow, &root, &child, &rootX, &rootY, &x, &y, &mask);
    if (mask & Button1Mask) window->keys[KeyMouseLeft] = Held;
    if (mask & Button2Mask) window->keys[KeyMouseMiddle] = Held;
    if (mask & Button3Mask) window->keys[KeyMouseRight] = Held;
}

void openInputContext(Window* window)
{
    Display* display = displayOf(window);
    // The input method follows the person's locale (compose sequences, XMODIFIERS).
    setlocale(LC_CTYPE, "");
    if (!XSupportsLocale()) setlocale(LC_CTYPE, "C");
    XSetLocaleModifiers("");
    // Repeats then come as presses alone; releaseKey still folds the pairs
    // of a server that does not offer this.
    Bool supported = False;
    XkbSetDetectableAutoRepeat(display, True, &supported);
    XIM method = XOpenIM(display, nullptr, nullptr, nullptr);
    if (!method) return;
    XIC context = XCreateIC(method, XNInputStyle, XIMPreeditNothing | XIMStatusNothing, XNClientWindow,
                            (XWindow)window->xWindow, XNFocusWindow, (XWindow)window->xWindow, nullptr);
    if (!context)
    {
        XCloseIM(method);
        return;
    }
    window->inputMethod = method;
    window->inputContext = context;
    // The input method may need events the window does not ask for yet.
    long filterEvents = 0;
    XGetICValues(context, XNFilterEvents, &filterEvents, nullptr);
    XWindowAttributes attributes;
    if (XGetWindowAttributes(display, (XWindow)window->xWindow, &attributes))
        XSelectInput(display, (XWindow)window->xWindow, attributes.your_event_mask | filterEvents);
}
