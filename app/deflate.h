#pragma once
#include <stdint.h>

// A zlib stream (RFC 1950/1951) for PNG image data: one block with the fixed
// Huffman codes, matched greedily and stopping at the first longest match,
// which is quick on line art's long runs; or stored blocks when that is smaller.

// The match finder's working memory, in 32-bit entries.
static const uint64_t deflateWorkEntries = 32768 + 32768;

// The room compressZlib needs for count bytes: the stored form's size.
uint64_t zlibSizeBound(uint64_t count);

// Compresses count bytes into out (zlibSizeBound(count) bytes), using work
// (deflateWorkEntries entries). Returns the stream's length.
uint64_t compressZlib(const uint8_t* data, uint64_t count, uint8_t* out, uint32_t* work);
