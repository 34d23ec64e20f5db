#include "app/arena.h"

void* pushBytes(Arena* arena, uint64_t n)
{
    if (n > arena->capacity - arena->used) return nullptr;
    void* result = arena->base + arena->used;
    arena->used += n;
    return result;
}

Arena subArena(Arena* parent, uint64_t n)
{
    Arena child = {};
    uint8_t* base = (uint8_t*)pushBytes(parent, n);
    if (!base) return child;
    child.capacity = n;
    child.base = base;
    return child;
}

void popBytes(Arena* arena, uint64_t n)
{
    arena->used = n > arena->used ? 0 : arena->used - n;
}
