#pragma once
#include <stdint.h>

struct Pose;

// An .anim file: a little-endian 32-bit frame count, then that many 224-byte
// poses with nothing before, between or after them.
static const uint64_t animationHeaderBytes = 4;

// Bytes of a file holding count poses.
uint64_t encodedAnimationSize(uint32_t count);

// Writes the header for count poses; the poses follow it byte for byte.
void encodeAnimationHeader(uint32_t count, uint8_t header[animationHeaderBytes]);

// Checks a whole file image: exactly one header and its poses, a count of at
// most maxFrames and every coordinate finite. Returns the count, or -1 if the
// image is refused; the poses are the bytes after the header.
int64_t decodeAnimation(const uint8_t* bytes, uint64_t size, uint32_t maxFrames);

// True when every coordinate of count poses stored at bytes is a finite number.
bool posesAreFinite(const uint8_t* bytes, uint64_t count);
