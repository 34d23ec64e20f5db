#pragma once
#include <stdint.h>

// The in-memory log: one 5 MiB block reserved before main runs, never
// written out. `used` bytes of live text are followed by the end marker.
struct Log
{
    uint64_t capacity;
    uint64_t used;
    uint8_t* data;
};

extern Log globalLog;
extern int32_t logOverflowed;

// Appends text (without its NUL). Starts the log over with the overflow
// marker when text and end marker would not leave a byte free; a text too
// long even for an empty log is cut to what fits.
void logString(const char* text);

// Appends value in decimal, starting over whenever fewer than 46 bytes are free.
void logNumber(int32_t value);
