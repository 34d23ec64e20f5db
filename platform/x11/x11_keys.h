#pragma once
// The parts of the X input layer that need no X headers: the key mapping and
// key repeat, kept apart so that the host tests can check them.
#include <stdint.h>

// One key event as the X server sends it: its keycode, its time stamp in
// milliseconds and whether it presses (1) or releases (0) the key.
struct KeyEventFacts
{
    uint32_t keycode;
    uint32_t time;
    int32_t press;
};

// The Key of an X keysym (either case of a letter; Return and keypad Enter;
// the keypad's arrows, Home, End, Page Up and Page Down as the plain ones;
// the left and right modifiers apart); KeyNone for every other keysym.
uint32_t keyFromKeysym(uint32_t keysym);

// What the server tells of one key: its keysym under the event's modifiers
// (NumLock, Shift), the first two levels of the active group, the first two
// of every group of the layout (0 where none), and its XKB name ("AC01").
struct KeyLayoutFacts
{
    uint32_t withModifiers;
    uint32_t levels[2];
    uint32_t groups[4][2];
    char name[4];
};

// The Key of a key, as Windows reads it: a keypad key by its keysym under
// the modifiers (with NumLock off KP_Left is Left, with it on KP_4 is no
// key); otherwise the active group's first level, then its second (a digit
// that needs Shift). A key that gives none takes the Latin letter on it in
// any group, else the letter at its place on a US keyboard.
uint32_t keyFromLayout(const KeyLayoutFacts* facts);

// The UTF-8 text (at most 4 bytes, into out) of a key typed without an input
// method: a single ASCII or control byte the lookup gave (Return 13,
// Backspace 8, Control+S 19) as it is, otherwise the keysym's character
// (Latin-1 keysyms are their code points, 0x1000000 + U is U+U). Returns
// the bytes written; 0 for a keysym with no character.
uint32_t typedTextOfKey(uint32_t keysym, const uint8_t* lookedUp, uint32_t lookedUpCount, uint8_t* out);

// Appends UTF-8 text to the typed characters, one byte a slot, whole
// characters only: the first that does not fit in capacity is dropped with
// everything after it.
void appendTyped(uint32_t* typed, uint32_t* count, uint32_t capacity, const uint8_t* text, uint32_t length);

// KeyShift, KeyControl or KeyAlt for a left or right modifier key; KeyNone otherwise.
uint32_t bothSidesKey(uint32_t key);

// True when a release is the first half of the server's key repeat: the next
// queued event (null when none is queued) presses the same key at the same time.
bool releaseIsRepeat(const KeyEventFacts* release, const KeyEventFacts* next);

// A key's state after a press or a release. A press of a key already down is
// a repeat and reads Held, as on Windows.
uint8_t keyStateAfter(uint8_t state, bool press);

// Pressed becomes Held and Released becomes Up, for the next frame.
void ageKeys(uint8_t* keys, uint32_t count);
