#include "platform/x11/display_modes.h"

uint32_t modeRefreshRate(uint64_t dotClock, uint32_t hTotal, uint32_t vTotal, bool doubleScan, bool interlace)
{
    double lines = (double)vTotal;
    if (doubleScan) lines *= 2.0;
    if (interlace) lines /= 2.0;
    double pixels = (double)hTotal * lines;
    if (pixels <= 0.0) return 0;
    return (uint32_t)((double)dotClock / pixels + 0.5);
}
