#pragma once
#include <stdint.h>
#include "platform/os.h"

struct Animation;

// Unsaved work goes, when the run ends, to a file of its own: an autosave
// never replaces an earlier one.

static const uint32_t autosavePathCapacity = 512;

// Autosave name number attempt inside folder ("" for the working folder,
// otherwise ending in a separator): autosave.anim first, then
// autosave-YYYYMMDD-HHMMSS.anim at that local time, then -2, -3 ... on a
// clash. False when it does not fit in capacity.
bool autosaveName(char* out, uint32_t capacity, const char* folder, OsLocalTime time, uint32_t attempt);

// Writes the animation under the first free autosave name in the working
// folder or, if that cannot take it, in the person's Documents\Marionette
// Room, and logs where. Returns whether a file was written.
bool writeAutosave(const Animation* animation, OsLocalTime time);
