// The X event pump: everything the server tells the program lands in the
// Window record, in the same form as on Windows.
#include "platform/x11/window_x11.h"
#include "platform/x11/x11_keys.h"
#include "platform/posix/end_signals.h"
#include <X11/XKBlib.h>
#include <locale.h>
#include <string.h>

static KeyEventFacts factsOf(const XEvent* event)
{
    return KeyEventFacts{event->xkey.keycode, (uint32_t)event->xkey.time, event->type == KeyPress};
}

// XKB's names of the keys ("AC01"), read once: letter bindings fall back to
// a key's place on a US keyboard. And the Key each key pressed gave, so that
// its release lets go of the same Key whatever NumLock or the group did meanwhile.
static char keyNames[256][4];
static uint8_t keyAtPress[256];

static void readKeyNames(Display* display)
{
    XkbDescPtr keyboard = XkbGetMap(display, 0, XkbUseCoreKbd);
    if (!keyboard) return;
    if (XkbGetNames(display, XkbKeyNamesMask, keyboard) == Success && keyboard->names && keyboard->names->keys)
        for (int keycode = keyboard->min_key_code; keycode <= keyboard->max_key_code && keycode < 256; ++keycode)
            memcpy(keyNames[keycode], keyboard->names->keys[keycode].name, sizeof keyNames[keycode]);
    XkbFreeKeyboard(keyboard, 0, True);
}

static uint32_t lookUp(Display* display, uint32_t keycode, unsigned int state)
{
    unsigned int used = 0;
    KeySym keysym = NoSymbol;
    XkbLookupKeySym(display, (KeyCode)keycode, state, &used, &keysym);
    return (uint32_t)keysym;
}

static uint32_t keyOfKeycode(Display* display, uint32_t keycode, unsigned int state)
{
    if (keycode >= 256) return KeyNone;
    KeyLayoutFacts facts = {};
    unsigned int group = XkbBuildCoreState(0, XkbGroupForCoreState(state));
    facts.withModifiers = lookUp(display, keycode, state);
    facts.levels[0] = lookUp(display, keycode, group);
    facts.levels[1] = lookUp(display, keycode, group | ShiftMask);
    for (int g = 0; g < 4; ++g)
        for (int level = 0; level < 2; ++level)
            facts.groups[g][level] = (uint32_t)XkbKeycodeToKeysym(display, (KeyCode)keycode, g, level);
    memcpy(facts.name, keyNames[keycode], sizeof facts.name);
    return keyFromLayout(&facts);
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

static void type(Window* window, const uint8_t* text, uint32_t length)
{
    appendTyped(window->typedChars, &window->typedCount, 32, text, length);
}

// An input method's commit is mostly a character or two; a longer one
// (a phrase, pasted text) is read whole from a bigger buffer.
static void typeCommit(Window* window, XKeyEvent* event)
{
    char text[4096];
    KeySym keysym = 0;
    Status status = 0;
    int count = Xutf8LookupString((XIC)window->inputContext, event, text, 64, &keysym, &status);
    if (status == XBufferOverflow)
        count = Xutf8LookupString((XIC)window->inputContext, event, text, sizeof text, &keysym, &status);
    bool typed = (status == XLookupChars || status == XLookupBoth) && count > 0;
    if (typed) type(window, (const uint8_t*)text, (uint32_t)count);
}

// The typed text as UTF-8 bytes, one per character slot: the bytes a Linux
// file name holds. As with Windows' WM_CHAR, Return arrives as 13, Backspace
// as 8, and nothing is typed while Alt is down.
static void typeText(Window* window, XKeyEvent* event)
{
    if (event->state & Mod1Mask) return;
    if (window->inputContext)
    {
        typeCommit(window, event);
        return;
    }
    // Without an input method the lookup's bytes follow the locale, so the
    // character comes from the keysym.
    char text[8];
    KeySym keysym = 0;
    int count = XLookupString(event, text, sizeof text, &keysym, nullptr);
    uint8_t utf8[4];
    uint32_t length = typedTextOfKey((uint32_t)keysym, (const uint8_t*)text, count > 0 ? (uint32_t)count : 0, utf8);
    type(window, utf8, length);
}

static void pressKey(Window* window, XEvent* event)
{
    uint32_t keycode = event->xkey.keycode;
    uint32_t key = keyOfKeycode(displayOf(window), keycode, event->xkey.state);
    if (keycode < 256) keyAtPress[keycode] = (uint8_t)key;
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
    uint32_t keycode = event->xkey.keycode;
    uint32_t key = keycode < 256 && keyAtPress[keycode] ? keyAtPress[keycode]
                                                        : keyOfKeycode(display, keycode, event->xkey.state);
    if (keycode < 256) keyAtPress[keycode] = KeyNone;
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
    // The signal ends the run from here, as a closed window does: the
    // autosave then runs in the loop, never in the handler.
    if (endSignalArrived()) window->quitRequested = 1;
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
    XWindow root, child;
    int rootX, rootY, x, y;
    unsigned int mask = 0;
    XQueryPointer(display, (XWindow)window->xWindow, &root, &child, &rootX, &rootY, &x, &y, &mask);
    char keymap[32];
    XQueryKeymap(display, keymap);
    for (uint32_t keycode = 8; keycode < 256; ++keycode)
    {
        keyAtPress[keycode] = KeyNone;
        if (!(keymap[keycode / 8] & (1 << (keycode % 8)))) continue;
        uint32_t key = keyOfKeycode(display, keycode, mask);
        keyAtPress[keycode] = (uint8_t)key;
        window->keys[key] = Held;
        if (bothSidesKey(key)) window->keys[bothSidesKey(key)] = Held;
    }
    window->keys[KeyNone] = Up;
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
    readKeyNames(display);
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
