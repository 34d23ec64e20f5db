#pragma once
// The platform layer: the window record with its input state and the message
// pump (this header), window and OpenGL context creation, the GL function
// table and context report, the in-memory log, and the operating system's
// services (os.h). One implementation file per OS; nothing else includes an
// OS header.
#include <stdint.h>

// Opaque Win32 handles, declared the way windows.h declares them so that the
// rest of the program can hold them without including it.
struct HWND__;
struct HDC__;
struct HGLRC__;
typedef HWND__* HWND;
typedef HDC__* HDC;
typedef HGLRC__* HGLRC;

// Per-key state: bit 0 is "down now", bit 1 "was down before the latest change".
enum ButtonState : uint8_t
{
    Up = 0,
    Pressed = 1,
    Released = 2,
    Held = 3,
};

// The program's own key numbering (0 collects every key without a number).
enum Key : uint32_t
{
    KeyNone = 0,
    KeyMouseLeft = 1,
    KeyMouseRight = 2,
    KeyMouseMiddle = 3,
    KeyMouseX1 = 4,
    KeyMouseX2 = 5,
    KeyBackspace = 7,
    KeyTab = 8,
    KeyReturn = 10,
    KeyShift = 11,
    KeyControl = 12,
    KeyAlt = 13,
    KeyEscape = 22,
    KeySpace = 27,
    KeyPageUp = 28,
    KeyPageDown = 29,
    KeyEnd = 30,
    KeyHome = 31,
    KeyLeft = 32,
    KeyUp = 33,
    KeyRight = 34,
    KeyDown = 35,
    KeyDigit0 = 43, // digits 0..9 are 43..52
    KeyA = 53,      // letters A..Z are 53..78
    KeyF1 = 99,
    KeyF4 = 102,
    KeyLeftShift = 125,
    KeyRightShift = 126,
    KeyLeftControl = 127,
    KeyRightControl = 128,
    KeyLeftAlt = 129,
    KeyRightAlt = 130,
    KeyCount = 173,
};

static inline uint32_t keyDigit(int digit) { return KeyDigit0 + (uint32_t)digit; }
static inline uint32_t keyLetter(char letter) { return KeyA + (uint32_t)(letter - 'A'); }

struct Window
{
    int32_t running;
    int32_t quitRequested;
    int32_t focused;
    int32_t clientX;
    int32_t clientY;
    int32_t clientWidth;
    int32_t clientHeight;
    int32_t resized;
    // Set when the window must be drawn again whatever it shows: exposed,
    // resized, restored, or its focus changed. The frame loop clears it
    // once it has drawn.
    int32_t redraw;
    int32_t screenWidth;
    int32_t screenHeight;
    uint8_t keys[256];
    uint32_t typedChars[32];
    uint32_t typedCount;
    int32_t mouseX;
    int32_t mouseY;
#if defined(_WIN32)
    HWND windowHandle;
    HDC deviceContext;
    HGLRC glContext;
#else
    // The X connection and what the window holds on it, kept opaque here:
    // Display*, the window and its colormap, the GLX context, the input
    // method and input context, and the WM_DELETE_WINDOW atom.
    void* display;
    unsigned long xWindow;
    unsigned long colormap;
    void* glContext;
    void* inputMethod;
    void* inputContext;
    unsigned long deleteAtom;
    // Set while the window manager keeps the window unmapped: minimised.
    int32_t unmapped;
#endif
    // Called when the system ends the session (log-off, shutdown); the
    // process may be ended as soon as it returns.
    void (*sessionEnding)(void* context);
    void* sessionEndingContext;
};

static inline bool isDown(const Window* window, uint32_t key) { return (window->keys[key] & 1) != 0; }
static inline bool wasPressed(const Window* window, uint32_t key) { return (window->keys[key] & 3) == Pressed; }
static inline bool wasReleased(const Window* window, uint32_t key) { return (window->keys[key] & 3) == Released; }
// AltGr arrives as Control+Alt: typing a character with it must not act as a Control binding.
static inline bool controlChord(const Window* window) { return isDown(window, KeyControl) && !isDown(window, KeyAlt); }

extern uint8_t virtualKeyFromKey[256];
extern uint8_t keyFromVirtualKey[256];

// Fills both key tables; called first by createWindow.
void initKeyTables();

// Drains the thread's message queue into the record without waiting.
void pollInput(Window* window);

// Re-reads every key from the system (keys already down read Held).
void refreshKeys(Window* window);

// Opens the window with a 3.3 core context; success is window->running == 1.
// x or y equal to 0x80000000 centres the client area along that axis.
void createWindow(Window* window, const char* title, uint32_t width, uint32_t height, int32_t x, int32_t y);

// Presents the back buffer (waits for the display at swap interval 1).
void swapWindowBuffers(Window* window);

// The refresh rate of the display the window is on, in hertz, as the system
// reports it: 0 or 1 when it reports none.
uint32_t displayRefreshRate(const Window* window);

// True while the window is minimised.
bool windowMinimised(const Window* window);

// Sleeps until the window gets a message, or for milliseconds at most.
void waitForWindowMessages(Window* window, uint32_t milliseconds);

// The path of the font text is drawn with; an empty text when the system has none.
const char* systemFontPath();

static const int32_t centredPosition = (int32_t)0x80000000u;
