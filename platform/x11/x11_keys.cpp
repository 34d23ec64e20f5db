#include "platform/x11/x11_keys.h"
#include "platform/window.h"

// Keysym values from the X protocol's keysym list.
static const uint32_t keysymBackSpace = 0xFF08;
static const uint32_t keysymTab = 0xFF09;
static const uint32_t keysymReturn = 0xFF0D;
static const uint32_t keysymEscape = 0xFF1B;
static const uint32_t keysymLeft = 0xFF51;
static const uint32_t keysymKeypadEnter = 0xFF8D;
static const uint32_t keysymF1 = 0xFFBE;
static const uint32_t keysymF24 = 0xFFD5;
static const uint32_t keysymLeftShift = 0xFFE1;
static const uint32_t keysymRightAlt = 0xFFEA;
static const uint32_t keysymLeftTab = 0xFE20;
static const uint32_t keysymLevel3Shift = 0xFE03;

// Shift_L, Shift_R, Control_L, Control_R, Caps_Lock, Shift_Lock, Meta_L,
// Meta_R, Alt_L, Alt_R: Meta counts as Alt, as on keyboards that send it.
static const uint8_t modifierKeys[keysymRightAlt - keysymLeftShift + 1] = {
    KeyLeftShift, KeyRightShift, KeyLeftControl, KeyRightControl, KeyNone,
    KeyNone,      KeyLeftAlt,    KeyRightAlt,    KeyLeftAlt,      KeyRightAlt,
};

uint32_t keyFromKeysym(uint32_t keysym)
{
    if (keysym >= 'a' && keysym <= 'z') return keyLetter((char)(keysym - 'a' + 'A'));
    if (keysym >= 'A' && keysym <= 'Z') return keyLetter((char)keysym);
    if (keysym >= '0' && keysym <= '9') return keyDigit((int)(keysym - '0'));
    if (keysym >= keysymLeft && keysym < keysymLeft + 4) return KeyLeft + (keysym - keysymLeft);
    if (keysym >= keysymF1 && keysym <= keysymF24) return KeyF1 + (keysym - keysymF1);
    if (keysym >= keysymLeftShift && keysym <= keysymRightAlt) return modifierKeys[keysym - keysymLeftShift];
    switch (keysym)
    {
    case ' ': return KeySpace;
    case keysymBackSpace: return KeyBackspace;
    case keysymTab:
    case keysymLeftTab: return KeyTab;
    case keysymReturn:
    case keysymKeypadEnter: return KeyReturn;
    case keysymEscape: return KeyEscape;
    // AltGr, which Windows reports as the right Alt key.
    case keysymLevel3Shift: return KeyRightAlt;
    default: return KeyNone;
    }
}

uint32_t bothSidesKey(uint32_t key)
{
    switch (key)
    {
    case KeyLeftShift:
    case KeyRightShift: return KeyShift;
    case KeyLeftControl:
    case KeyRightControl: return KeyControl;
    case KeyLeftAlt:
    case KeyRightAlt: return KeyAlt;
    default: return KeyNone;
    }
}

bool releaseIsRepeat(const KeyEventFacts* release, const KeyEventFacts* next)
{
    if (release->press || !next || !next->press) return false;
    return next->keycode == release->keycode && next->time == release->time;
}

uint8_t keyStateAfter(uint8_t state, bool press)
{
    if (!press) return Released;
    return (state & 1) ? Held : Pressed;
}

void ageKeys(uint8_t* keys, uint32_t count)
{
    for (uint32_t key = 0; key < count; ++key) keys[key] = (keys[key] & 1) ? Held : Up;
}
