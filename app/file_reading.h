#pragma once
#include <stdint.h>
#include "app/arena.h"
#include "platform/os.h"

struct Animation;

// True only if all count bytes at offset arrived; false for an invalid file,
// a failed seek, a failed read or the end of the file.
bool readAt(FileHandle file, uint64_t offset, uint64_t count, void* destination);

// The whole file in fresh memory (plus a NUL if addTerminator); all zero on failure.
Arena readWholeFile(const char* path, bool addTerminator);

// Loads an .anim file into the arena, record first. A missing, short or
// oversized file gives frame count 0 with nothing pushed past the record;
// null only when the arena cannot hold the record itself.
Animation* loadAnimation(Arena* arena, const char* path);
