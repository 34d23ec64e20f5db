#pragma once
#include <stdint.h>

// A window onto memory handed out front to back. Copies are second views of
// the same memory; nothing is ever freed, only `used` lowered.
struct Arena
{
    uint64_t capacity;
    uint64_t used;
    uint8_t* base;
};

// Returns base + used and advances used by n; returns null and leaves the
// arena unchanged when n bytes would pass capacity.
void* pushBytes(Arena* arena, uint64_t n);

// Carves a child of n bytes at the parent's next free byte; returns an
// all-zero arena (and leaves the parent unchanged) when n would not fit.
Arena subArena(Arena* parent, uint64_t n);

// Gives back the last n bytes pushed; never lowers used below 0.
void popBytes(Arena* arena, uint64_t n);
