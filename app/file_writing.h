#pragma once
#include <stdint.h>

// One stretch of bytes of a file being written.
struct ByteRun
{
    const void* bytes;
    uint64_t size;
};

// Writes the runs, in order, to a new temporary file beside path, flushes and
// closes it, and only then replaces path in one step. On any failure the
// temporary file is removed, any old file stays byte for byte, and it returns false.
bool saveFileSafely(const char* path, const ByteRun* runs, uint32_t runCount);

// The same, but only under a name nothing has yet: false, writing nothing,
// when path exists.
bool saveNewFileSafely(const char* path, const ByteRun* runs, uint32_t runCount);
