// The X input layer's parts that need no server: which keysym is which key,
// and how the server's key repeat reads.
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "platform/window.h"
#include "platform/x11/x11_keys.h"

namespace {

TEST(X11Keys, KeysymsMapToTheProgramsKeysAndNeighboursToNone)
{
    struct Case { uint32_t keysym, key; };
    const Case cases[] = {
        {'a', KeyA}, {'z', KeyA + 25}, {'A', KeyA}, {'Z', KeyA + 25}, {'0', KeyDigit0}, {'9', KeyDigit0 + 9},
        {0xFF51, KeyLeft}, {0xFF52, KeyUp}, {0xFF53, KeyRight}, {0xFF54, KeyDown},
        {0xFF09, KeyTab}, {0xFE20, KeyTab}, {0xFF0D, KeyReturn}, {0xFF8D, KeyReturn}, {0xFF1B, KeyEscape},
        {0xFF08, KeyBackspace}, {' ', KeySpace}, {0xFFBE, KeyF1}, {0xFFC1, KeyF4}, {0xFFD5, KeyF1 + 23},
        {0xFFE1, KeyLeftShift}, {0xFFE2, KeyRightShift}, {0xFFE3, KeyLeftControl}, {0xFFE4, KeyRightControl},
        {0xFFE7, KeyLeftAlt}, {0xFFE8, KeyRightAlt}, {0xFFE9, KeyLeftAlt}, {0xFFEA, KeyRightAlt},
        {0xFE03, KeyRightAlt}, {0xFF50, KeyHome}, {0xFF55, KeyPageUp}, {0xFF56, KeyPageDown}, {0xFF57, KeyEnd},
        // The keypad's with NumLock off.
        {0xFF95, KeyHome}, {0xFF96, KeyLeft}, {0xFF97, KeyUp}, {0xFF98, KeyRight}, {0xFF99, KeyDown},
        {0xFF9A, KeyPageUp}, {0xFF9B, KeyPageDown}, {0xFF9C, KeyEnd},
        // Just outside each range, and keys the program has no number for.
        {'@', KeyNone}, {'[', KeyNone}, {'`', KeyNone}, {'{', KeyNone}, {'/', KeyNone}, {':', KeyNone},
        {0xFF58, KeyNone}, {0xFF94, KeyNone}, {0xFF9D, KeyNone}, {0xFFB4, KeyNone}, {0xFFBD, KeyNone},
        {0xFFD6, KeyNone}, {0xFFE0, KeyNone}, {0xFFE5, KeyNone}, {0xFFEB, KeyNone}, {0xE9, KeyNone}, {0xFFFF, KeyNone}, {0x1000061, KeyNone},
    };
    for (const Case& c : cases) EXPECT_EQ(keyFromKeysym(c.keysym), c.key) << std::hex << "keysym 0x" << c.keysym;

    const uint32_t sides[][2] = {{KeyLeftShift, KeyShift},     {KeyRightShift, KeyShift}, {KeyLeftControl, KeyControl},
                                 {KeyRightControl, KeyControl}, {KeyLeftAlt, KeyAlt},     {KeyRightAlt, KeyAlt},
                                 {KeyShift, KeyNone},           {KeyA, KeyNone},          {KeyRightAlt + 1, KeyNone}};
    for (const auto& side : sides) EXPECT_EQ(bothSidesKey(side[0]), side[1]) << "key " << side[0];
}

// Keysyms: a, s, KP_4, KP_Left, ampersand, Cyrillic and Greek letters.
const uint32_t a = 'a', s = 's', kp4 = 0xFFB4, kpLeft = 0xFF96, amp = '&', cyrillicEf = 0x6C6,
               cyrillicYeru = 0x6D9, greekAlpha = 0x7E1;

TEST(X11Keys, AKeyReadsAsOnWindowsWhateverTheLayout)
{
    struct Case { const char* what; KeyLayoutFacts facts; uint32_t key; };
    const Case cases[] = {
        {"a letter", {a, {a, 'A'}, {{a, 'A'}}, {'A', 'C', '0', '1'}}, KeyA},
        {"keypad 4, NumLock off", {kpLeft, {kpLeft, kp4}, {{kpLeft, kp4}}, {'K', 'P', '4', 0}}, KeyLeft},
        {"keypad 4, NumLock on", {kp4, {kpLeft, kp4}, {{kpLeft, kp4}}, {'K', 'P', '4', 0}}, KeyNone},
        {"keypad 4, NumLock on, one level", {kp4, {kpLeft, 0}, {{kpLeft, 0}}, {'K', 'P', '4', 0}}, KeyNone},
        {"the keypad's first keysym, KP_Space", {0xFF80, {0xFF80, kpLeft}, {}, {'K', 'P', '0', 0}}, KeyNone},
        {"keypad 4, NumLock on, a vendor keysym above", {kp4, {kpLeft, 0x1008FE20}, {}, {'K', 'P', '4', 0}}, KeyNone},
        {"a digit, ! with Shift", {'1', {'1', '!'}, {{'1', '!'}}, {'A', 'E', '0', '1'}}, keyDigit(1)},
        {"a digit needing Shift (French)", {amp, {amp, '1'}, {{amp, '1'}}, {'A', 'E', '0', '1'}}, keyDigit(1)},
        {"Russian active, z alone second", {cyrillicEf, {cyrillicEf, 0x6E6}, {{cyrillicEf, 0x6E6}, {'z', 0}},
                                       {'A', 'C', '0', '1'}}, KeyA + 25},
        {"Z alone first, Russian active", {cyrillicYeru, {cyrillicYeru, 0x6F9}, {{0, 'Z'}, {cyrillicYeru, 0x6F9}},
                                      {'A', 'C', '0', '2'}}, KeyA + 25},
        {"Greek alone: the US place", {greekAlpha, {greekAlpha, 0x7C1}, {{greekAlpha, 0x7C1}}, {'A', 'C', '0', '1'}},
         KeyA},
        {"Russian alone, AD09: O", {0x6DD, {0x6DD, 0x6FD}, {{0x6DD, 0x6FD}}, {'A', 'D', '0', '9'}}, KeyA + 14},
        {"Russian alone, AD10: P", {0x6DA, {0x6DA, 0x6FA}, {{0x6DA, 0x6FA}}, {'A', 'D', '1', '0'}}, KeyA + 15},
        {"Russian alone, AB07: M", {0x6D8, {0x6D8, 0x6F8}, {{0x6D8, 0x6F8}}, {'A', 'B', '0', '7'}}, KeyA + 12},
        {"Russian alone, AB08: no letter", {0x6C2, {0x6C2, 0x6E2}, {{0x6C2, 0x6E2}}, {'A', 'B', '0', '8'}}, KeyNone},
        {"no such place", {0x6D6, {0x6D6, 0}, {{0x6D6, 0}}, {'A', 'C', '0', '0'}}, KeyNone},
        {"no place: AD0:", {0x6D6, {0x6D6, 0}, {{0x6D6, 0}}, {'A', 'D', '0', ':'}}, KeyNone},
        {"no place: AD1/", {0x6D6, {0x6D6, 0}, {{0x6D6, 0}}, {'A', 'D', '1', '/'}}, KeyNone},
    };
    for (const Case& c : cases) EXPECT_EQ(keyFromLayout(&c.facts), c.key) << c.what;
}

TEST(X11Keys, TextWithoutAnInputMethodIsTheKeysymsCharacterInUtf8)
{
    struct Case { uint32_t keysym; std::string lookedUp, text; };
    // Control+S, Return and keypad 4 as looked up; é as a UTF-8 locale's lookup gives it (encoded once,
    // not twice) and as a Latin-1 locale's; the last of two bytes and the first of three, €, a character
    // beyond 16 bits, the last one, € as a Windows-1252 locale's lookup gives it; no character for a legacy
    // Cyrillic keysym, Left, DEL, a control, either end of the surrogate halves or beyond U+10FFFF.
    const Case cases[] = {
        {'s', "s", "s"}, {'s', "\x13", "\x13"}, {0xFF0D, "\r", "\r"}, {0xFFB4, "4", "4"},
        {0xE9, "\xC3\xA9", "\xC3\xA9"}, {0xE9, "\xE9", "\xC3\xA9"}, {0x7E, "", "~"}, {0xA0, "", "\xC2\xA0"},
        {0xFF, "", "\xC3\xBF"}, {0x10007FF, "", "\xDF\xBF"}, {0x1000800, "", "\xE0\xA0\x80"},
        {0x10020AC, "", "\xE2\x82\xAC"}, {0x1010348, "", "\xF0\x90\x8D\x88"}, {0x110FFFF, "", "\xF4\x8F\xBF\xBF"},
        {0x10020AC, "\x80", "\xE2\x82\xAC"}, {0x6C6, "", ""}, {0xFF51, "", ""}, {0x7F, "", ""}, {0x1000019, "", ""},
        {0x100D800, "", ""}, {0x100DFFF, "", ""}, {0x1110000, "", ""},
    };
    for (const Case& c : cases)
    {
        uint8_t out[4] = {};
        uint32_t length = typedTextOfKey(c.keysym, (const uint8_t*)c.lookedUp.data(), (uint32_t)c.lookedUp.size(), out);
        EXPECT_EQ(std::string((const char*)out, length), c.text) << std::hex << "keysym 0x" << c.keysym;
    }
}

// The typed text of a frame holds 32 bytes: a character that does not fit is
// left out whole, with what comes after it.
TEST(X11Keys, TypedTextIsCutOnlyBetweenCharacters)
{
    struct Case { uint32_t already; std::string text; uint32_t count; };
    const std::string euros = "\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC";
    const Case cases[] = {
        {0, std::string(33, 'a'), 32}, {31, "\xC3\xA9", 31}, {30, "\xC3\xA9z", 32}, {29, "\xE2\x82\xACx", 32},
        {29, "a\xE2\x82\xAC", 30}, {28, "\xF0\x90\x8D\x88", 32}, {0, std::string(20, 'b') + euros + "c", 32},
        {0, std::string(21, 'b') + euros, 30},
    };
    for (const Case& c : cases)
    {
        uint32_t typed[32] = {}, count = c.already;
        appendTyped(typed, &count, 32, (const uint8_t*)c.text.data(), (uint32_t)c.text.size());
        EXPECT_EQ(count, c.count) << c.already << " + " << c.text;
        for (uint32_t i = c.already; i < count; ++i) EXPECT_EQ(typed[i], (uint8_t)c.text[i - c.already]);
    }
}

// Frames of events, each read as the event pump reads them (a release the
// next event undoes is skipped), and key 38's state after each.
TEST(X11Keys, AHeldKeyReadsHeldThroughTheServersRepeats)
{
    const KeyEventFacts press0{38, 0, 1}, release0{38, 0, 0};
    using Frames = std::vector<std::pair<std::vector<KeyEventFacts>, uint8_t>>;
    struct Case { const char* what; Frames frames; };
    const Case cases[] = {
        {"repeats as release and press pairs",
         {{{press0}, Pressed}, {{{38, 500, 0}, {38, 500, 1}}, Held}, {{{38, 530, 0}, {38, 530, 1}}, Held}, {{}, Held}}},
        {"repeats as presses alone", {{{press0}, Pressed}, {{{38, 500, 1}}, Held}, {{{38, 530, 1}, {38, 560, 1}}, Held}}},
        {"a tap over two frames", {{{press0}, Pressed}, {{{38, 80, 0}}, Released}, {{}, Up}}},
        {"a tap within one frame", {{{press0, {38, 40, 0}}, Released}, {{}, Up}}},
        {"released, then pressed again later", {{{press0}, Pressed}, {{{38, 100, 0}, {38, 140, 1}}, Pressed}}},
        {"released as another key goes down at once", {{{press0}, Pressed}, {{{38, 100, 0}, {40, 100, 1}}, Released}}},
        {"released twice", {{{press0}, Pressed}, {{{38, 100, 0}, {38, 100, 0}}, Released}}},
        {"a release alone at the start", {{{release0}, Released}, {{}, Up}}},
    };
    for (const Case& c : cases)
    {
        uint8_t keys[256] = {};
        for (size_t f = 0; f < c.frames.size(); ++f)
        {
            ageKeys(keys, 256);
            const std::vector<KeyEventFacts>& events = c.frames[f].first;
            for (size_t i = 0; i < events.size(); ++i)
            {
                const KeyEventFacts* next = i + 1 < events.size() ? &events[i + 1] : nullptr;
                if (releaseIsRepeat(&events[i], next)) continue;
                keys[events[i].keycode] = keyStateAfter(keys[events[i].keycode], events[i].press != 0);
            }
            EXPECT_EQ(keys[38], c.frames[f].second) << c.what << ", frame " << f;
        }
    }
}

} // namespace
