#include "platform/x11/x11_keys.h"
#include "platform/window.h"
#include <string.h>

// Keysym values from the X protocol's keysym list.
static const uint32_t keysymBackSpace = 0xFF08;
static const uint32_t keysymTab = 0xFF09;
static const uint32_t keysymReturn = 0xFF0D;
static const uint32_t keysymEscape = 0xFF1B;
static const uint32_t keysymHome = 0xFF50;
static const uint32_t keysymLeft = 0xFF51;
static const uint32_t keysymPageUp = 0xFF55;
static const uint32_t keysymPageDown = 0xFF56;
static const uint32_t keysymEnd = 0xFF57;
static const uint32_t keysymKeypadFirst = 0xFF80;
static const uint32_t keysymKeypadHome = 0xFF95;
static const uint32_t keysymKeypadLeft = 0xFF96;
static const uint32_t keysymKeypadPageUp = 0xFF9A;
static const uint32_t keysymKeypadPageDown = 0xFF9B;
static const uint32_t keysymKeypadEnd = 0xFF9C;
static const uint32_t keysymKeypadLast = 0xFFBD;
static const uint32_t keysymUnicode = 0x1000000;
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
    if (keysym >= keysymKeypadLeft && keysym < keysymKeypadLeft + 4) return KeyLeft + (keysym - keysymKeypadLeft);
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
    case keysymHome:
    case keysymKeypadHome: return KeyHome;
    case keysymEnd:
    case keysymKeypadEnd: return KeyEnd;
    case keysymPageUp:
    case keysymKeypadPageUp: return KeyPageUp;
    case keysymPageDown:
    case keysymKeypadPageDown: return KeyPageDown;
    // AltGr, which Windows reports as the right Alt key.
    case keysymLevel3Shift: return KeyRightAlt;
    default: return KeyNone;
    }
}

static bool isLatinLetter(uint32_t keysym)
{
    return (keysym >= 'a' && keysym <= 'z') || (keysym >= 'A' && keysym <= 'Z');
}

// The letter keys of a US keyboard by their XKB names: row AD from AD01 (Q), AC, AB.
static uint32_t usLetterAt(const char* name)
{
    static const char* const rows[3] = {"ADQWERTYUIOP", "ACASDFGHJKL", "ABZXCVBNM"};
    if (name[2] < '0' || name[2] > '9' || name[3] < '0' || name[3] > '9') return KeyNone;
    uint32_t place = (uint32_t)(name[2] - '0') * 10 + (uint32_t)(name[3] - '0');
    for (const char* row : rows)
    {
        if (name[0] != row[0] || name[1] != row[1]) continue;
        if (place >= 1 && place <= strlen(row) - 2) return keyLetter(row[place + 1]);
    }
    return KeyNone;
}

uint32_t keyFromLayout(const KeyLayoutFacts* facts)
{
    if (facts->levels[0] >= keysymKeypadFirst && facts->levels[0] <= keysymKeypadLast)
        return keyFromKeysym(facts->withModifiers);
    uint32_t key = keyFromKeysym(facts->levels[0]);
    if (!key) key = keyFromKeysym(facts->levels[1]);
    if (key) return key;
    for (const uint32_t* group : facts->groups)
        for (uint32_t level = 0; level < 2; ++level)
            if (isLatinLetter(group[level])) return keyFromKeysym(group[level]);
    return usLetterAt(facts->name);
}

static uint32_t utf8Of(uint32_t code, uint8_t* out)
{
    if (code < 0x80)
    {
        out[0] = (uint8_t)code;
        return 1;
    }
    if (code < 0x800)
    {
        out[0] = (uint8_t)(0xC0 | (code >> 6));
        out[1] = (uint8_t)(0x80 | (code & 0x3F));
        return 2;
    }
    if (code < 0x10000)
    {
        out[0] = (uint8_t)(0xE0 | (code >> 12));
        out[1] = (uint8_t)(0x80 | ((code >> 6) & 0x3F));
        out[2] = (uint8_t)(0x80 | (code & 0x3F));
        return 3;
    }
    out[0] = (uint8_t)(0xF0 | (code >> 18));
    out[1] = (uint8_t)(0x80 | ((code >> 12) & 0x3F));
    out[2] = (uint8_t)(0x80 | ((code >> 6) & 0x3F));
    out[3] = (uint8_t)(0x80 | (code & 0x3F));
    return 4;
}

uint32_t typedTextOfKey(uint32_t keysym, const uint8_t* lookedUp, uint32_t lookedUpCount, uint8_t* out)
{
    if (lookedUpCount == 1 && lookedUp[0] < 0x80)
    {
        out[0] = lookedUp[0];
        return 1;
    }
    bool latin1 = (keysym >= 0x20 && keysym <= 0x7E) || (keysym >= 0xA0 && keysym <= 0xFF);
    if (latin1) return utf8Of(keysym, out);
    if (keysym < keysymUnicode + 0x20 || keysym > keysymUnicode + 0x10FFFF) return 0;
    uint32_t code = keysym - keysymUnicode;
    // Surrogate halves are no characters, and no UTF-8 holds them.
    if (code >= 0xD800 && code <= 0xDFFF) return 0;
    return utf8Of(code, out);
}

void appendTyped(uint32_t* typed, uint32_t* count, uint32_t capacity, const uint8_t* text, uint32_t length)
{
    uint32_t at = 0;
    while (at < length)
    {
        uint32_t end = at + 1;
        while (end < length && (text[end] & 0xC0) == 0x80) ++end;
        if (*count + (end - at) > capacity) return;
        for (; at < end; ++at) typed[(*count)++] = text[at];
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
