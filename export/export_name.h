#pragma once
#include <stdint.h>

// Names are stepped through by whole characters: in a double-byte code page
// the second byte of a character may equal a slash.

// The length of a typed export name once a .png, .gif or .json ending (any
// case) is dropped; 0 when no file name is left (empty, or ending in a folder).
uint32_t exportNameLength(const uint8_t* name, uint32_t length);

// The last component of a path: after the last slash, and on Windows also
// after the last backslash or drive colon. Its length goes to length.
const char* lastComponent(const char* path, uint32_t* length);
