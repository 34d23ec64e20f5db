#pragma once
// The arithmetic of XRandR's display modes, which needs no X headers, kept
// apart so that the host tests can check it.
#include <stdint.h>

// Frames a second of a mode from its pixel clock (Hz) and its totals, rounded
// to the nearest; a double-scanned mode draws each line twice, an interlaced
// one half of them a field. 0 for a mode that gives no totals.
uint32_t modeRefreshRate(uint64_t dotClock, uint32_t hTotal, uint32_t vTotal, bool doubleScan, bool interlace);
