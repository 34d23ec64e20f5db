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
// the left and right modifiers apart); KeyNone for every other keysym.
uint32_t keyFromKeysym(uint32_t keysym);

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
