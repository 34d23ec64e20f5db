#pragma once
// A stand-in for the GL driver in host tests: it logs each call the program
// makes, hands out object names 1, 2, 3, ... and keeps the bytes uploaded to
// buffers. glBufferData gives the bound buffer fresh storage; an upload or a
// draw outside that storage writes nothing and counts as an invalid operation.
// Every shader compiles and every program links.
#include <stdint.h>
#include <string>
#include <vector>
#include "platform/gl_functions.h"

struct RecordedCall
{
    std::string name;          // e.g. "glBufferSubData"
    std::vector<int64_t> args; // integer, enum and name arguments in call order (pointers as offsets)
};

// Resets the recorder and fills `gl` with it; entries the program never calls stay null.
void installRecordingGL();

const std::vector<RecordedCall>& recordedCalls();
void clearRecordedCalls();
// FNV-1a of the bytes, continuing from hash.
static const uint64_t fnvStart = 14695981039346656037ull;
uint64_t fnvHash(const void* data, size_t size, uint64_t hash = fnvStart);
// A hash of every call since the last clear, data passed by pointer included.
uint64_t recordingDigest();

// The bytes of buffer `name` as the latest uploads left them (empty for no such buffer).
const std::vector<uint8_t>& bufferBytes(uint32_t name);

// Whether pixel (x, y), from the bottom left, of the read-th glReadPixels
// since installRecordingGL() reads as opaque white (else transparent black).
bool readPixelsPattern(uint32_t read, uint32_t x, uint32_t y);

// Uploads and draws that reached past a buffer's storage since installRecordingGL().
int invalidOperations();
