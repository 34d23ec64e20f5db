// The X input layer's parts that need no server: which keysym is which key,
// and how the server's key repeat reads.
#include <gtest/gtest.h>
#include <vector>
#include "platform/window.h"
#include "platform/x11/x11_keys.h"

namespace {

TEST(X11Keys, KeysymsMapToTheProgramsKeysAndNeighboursToNone)
{
    struct Case
    {
        uint32_t keysym, key;
    };
    const Case cases[] = {
        {'a', KeyA}, {'z', KeyA + 25}, {'A', KeyA}, {'Z', KeyA + 25}, {'0', KeyDigit0}, {'9', KeyDigit0 + 9},
        {0xFF51, KeyLeft}, {0xFF52, KeyUp}, {0xFF53, KeyRight}, {0xFF54, KeyDown},
        {0xFF09, KeyTab}, {0xFE20, KeyTab}, {0xFF0D, KeyReturn}, {0xFF8D, KeyReturn}, {0xFF1B, KeyEscape},
        {0xFF08, KeyBackspace}, {' ', KeySpace}, {0xFFBE, KeyF1}, {0xFFC1, KeyF4}, {0xFFD5, KeyF1 + 23},
        {0xFFE1, KeyLeftShift}, {0xFFE2, KeyRightShift}, {0xFFE3, KeyLeftControl}, {0xFFE4, KeyRightControl},
        {0xFFE7, KeyLeftAlt}, {0xFFE8, KeyRightAlt}, {0xFFE9, KeyLeftAlt}, {0xFFEA, KeyRightAlt},
        {0xFE03, KeyRightAlt},
        // Just outside each range, and keys the program has no number for.
        {'@', KeyNone}, {'[', KeyNone}, {'`', KeyNone}, {'{', KeyNone}, {'/', KeyNone}, {':', KeyNone},
        {0xFF50, KeyNone}, {0xFF55, KeyNone}, {0xFFBD, KeyNone}, {0xFFD6, KeyNone}, {0xFFE0, KeyNone},
        {0xFFE5, KeyNone}, {0xFFEB, KeyNone}, {0xE9, KeyNone}, {0xFFFF, KeyNone}, {0x1000061, KeyNone},
    };
    for (const Case& c : cases) EXPECT_EQ(keyFromKeysym(c.keysym), c.key) << std::hex << "keysym 0x" << c.keysym;

    const uint32_t sides[][2] = {{KeyLeftShift, KeyShift},     {KeyRightShift, KeyShift}, {KeyLeftControl, KeyControl},
                                 {KeyRightControl, KeyControl}, {KeyLeftAlt, KeyAlt},     {KeyRightAlt, KeyAlt},
                                 {KeyShift, KeyNone},           {KeyA, KeyNone},          {KeyRightAlt + 1, KeyNone}};
    for (const auto& side : sides) EXPECT_EQ(bothSidesKey(side[0]), side[1]) << "key " << side[0];
}

// One frame's events, read as the event pump reads them: a release the next
// event undoes is skipped.
struct Frame
{
    std::vector<KeyEventFacts> events;
    uint8_t expected; // key 38's state after the frame
};

TEST(X11Keys, AHeldKeyReadsHeldThroughTheServersRepeats)
{
    const KeyEventFacts press0{38, 0, 1}, release0{38, 0, 0};
    struct Case
    {
        const char* what;
        std::vector<Frame> frames;
    };
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
            const std::vector<KeyEventFacts>& events = c.frames[f].events;
            for (size_t i = 0; i < events.size(); ++i)
            {
                const KeyEventFacts* next = i + 1 < events.size() ? &events[i + 1] : nullptr;
                if (releaseIsRepeat(&events[i], next)) continue;
                keys[events[i].keycode] = keyStateAfter(keys[events[i].keycode], events[i].press != 0);
            }
            EXPECT_EQ(keys[38], c.frames[f].expected) << c.what << ", frame " << f;
        }
    }
}

} // namespace
