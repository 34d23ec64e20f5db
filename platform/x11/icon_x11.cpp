// The window's icon for the window manager (_NET_WM_ICON): the 16, 32 and
// 48 pixel images of the program's own .ico, built into the program.
#include "platform/x11/window_x11.h"

__asm__(".section .rodata\n"
        ".global marionetteIcon\n"
        "marionetteIcon:\n"
        ".incbin \"" MARIONETTE_ICON_FILE "\"\n"
        ".global marionetteIconEnd\n"
        "marionetteIconEnd:\n"
        ".previous\n");
extern "C" const uint8_t marionetteIcon[];
extern "C" const uint8_t marionetteIconEnd[];

static const uint32_t largestShown = 48;
// Each image is its width, its height and its pixels, top row first.
static unsigned long iconProperty[3 * 2 + 16 * 16 + 32 * 32 + 48 * 48];

static uint32_t read32(const uint8_t* at) { return at[0] | (at[1] << 8) | (at[2] << 16) | ((uint32_t)at[3] << 24); }

// Appends one image (40-byte header, then BGRA rows bottom-up, which read
// as ARGB words) if it lies within the file; returns the longs used.
static uint32_t appendImage(uint32_t used, uint32_t size, uint32_t offset)
{
    uint64_t fileSize = (uint64_t)(marionetteIconEnd - marionetteIcon);
    uint64_t needed = 2 + (uint64_t)size * size;
    if (offset + 40 + (uint64_t)size * size * 4 > fileSize || used + needed > sizeof iconProperty / sizeof(long))
        return used;
    unsigned long* out = iconProperty + used;
    out[0] = size;
    out[1] = size;
    const uint8_t* rows = marionetteIcon + offset + 40;
    for (uint32_t y = 0; y < size; ++y)
        for (uint32_t x = 0; x < size; ++x) out[2 + y * size + x] = read32(rows + ((size - 1 - y) * size + x) * 4);
    return used + (uint32_t)needed;
}

void setWindowIcon(Window* window)
{
    uint64_t fileSize = (uint64_t)(marionetteIconEnd - marionetteIcon);
    if (fileSize < 6) return;
    uint32_t count = marionetteIcon[4] | (marionetteIcon[5] << 8);
    uint32_t used = 0;
    for (uint32_t i = 0; i < count && 6 + 16 * (i + 1) <= fileSize; ++i)
    {
        const uint8_t* entry = marionetteIcon + 6 + 16 * i;
        uint32_t size = entry[0] ? entry[0] : 256;
        if (size <= largestShown && entry[0] == entry[1]) used = appendImage(used, size, read32(entry + 12));
    }
    if (used == 0) return;
    Display* display = displayOf(window);
    XChangeProperty(display, (XWindow)window->xWindow, XInternAtom(display, "_NET_WM_ICON", False),
                    XInternAtom(display, "CARDINAL", False), 32, PropModeReplace, (const unsigned char*)iconProperty,
                    (int)used);
}
