// The refresh rate of the display the window is on, from XRandR: the mode
// of the CRTC that holds the window's centre, else the first lit one.
#define Window XWindow
#include <X11/extensions/Xrandr.h>
#undef Window
#include "platform/x11/display_modes.h"
#include "platform/x11/window_x11.h"

static uint32_t modeRate(const XRRModeInfo* mode)
{
    return modeRefreshRate(mode->dotClock, mode->hTotal, mode->vTotal, (mode->modeFlags & RR_DoubleScan) != 0,
                           (mode->modeFlags & RR_Interlace) != 0);
}

static uint32_t crtcRate(const XRRScreenResources* resources, RRMode modeId)
{
    for (int i = 0; i < resources->nmode; ++i)
        if (resources->modes[i].id == modeId) return modeRate(&resources->modes[i]);
    return 0;
}

static bool holds(const XRRCrtcInfo* crtc, int x, int y)
{
    return x >= crtc->x && y >= crtc->y && x < crtc->x + (int)crtc->width && y < crtc->y + (int)crtc->height;
}

uint32_t displayRefreshRate(const Window* window)
{
    Display* display = displayOf(window);
    int base = 0, error = 0;
    if (!display || !XRRQueryExtension(display, &base, &error)) return 0;
    XWindow root = DefaultRootWindow(display), child;
    int x = 0, y = 0;
    XTranslateCoordinates(display, (XWindow)window->xWindow, root, window->clientWidth / 2,
                          window->clientHeight / 2, &x, &y, &child);
    XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display, root);
    if (!resources) return 0;
    uint32_t rate = 0, firstLit = 0;
    for (int i = 0; i < resources->ncrtc && rate == 0; ++i)
    {
        XRRCrtcInfo* crtc = XRRGetCrtcInfo(display, resources, resources->crtcs[i]);
        if (!crtc) continue;
        uint32_t crtcHz = crtc->mode != None ? crtcRate(resources, crtc->mode) : 0;
        if (firstLit == 0) firstLit = crtcHz;
        if (holds(crtc, x, y)) rate = crtcHz;
        XRRFreeCrtcInfo(crtc);
    }
    XRRFreeScreenResources(resources);
    return rate != 0 ? rate : firstLit;
}
