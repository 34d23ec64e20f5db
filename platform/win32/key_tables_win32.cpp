// Translation between Windows virtual keys and the program's own key numbers.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include "platform/window.h"

uint8_t virtualKeyFromKey[256];
uint8_t keyFromVirtualKey[256];

// The virtual key of every Key from 1 on, in Key order.
static const uint8_t virtualKeys[KeyCount - 1] = {
    VK_LBUTTON, VK_RBUTTON, VK_MBUTTON, VK_XBUTTON1, VK_XBUTTON2, VK_CANCEL, VK_BACK, VK_TAB, VK_CLEAR,
    VK_RETURN, VK_SHIFT, VK_CONTROL, VK_MENU, VK_PAUSE, VK_CAPITAL, VK_KANA, VK_HANGUL, VK_JUNJA, VK_FINAL,
    VK_HANJA, VK_KANJI, VK_ESCAPE, VK_CONVERT, VK_NONCONVERT, VK_ACCEPT, VK_MODECHANGE, VK_SPACE, VK_PRIOR,
    VK_NEXT, VK_END, VK_HOME, VK_LEFT, VK_UP, VK_RIGHT, VK_DOWN, VK_SELECT, VK_PRINT, VK_EXECUTE,
    VK_SNAPSHOT, VK_INSERT, VK_DELETE, VK_HELP,
    '0', '1', '2', '3', '4', '5', '6', '7', '8', '9',
    'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L', 'M',
    'N', 'O', 'P', 'Q', 'R', 'S', 'T', 'U', 'V', 'W', 'X', 'Y', 'Z',
    VK_LWIN, VK_RWIN, VK_APPS, VK_SLEEP,
    VK_NUMPAD0, VK_NUMPAD1, VK_NUMPAD2, VK_NUMPAD3, VK_NUMPAD4, VK_NUMPAD5, VK_NUMPAD6, VK_NUMPAD7,
    VK_NUMPAD8, VK_NUMPAD9,
    VK_MULTIPLY, VK_DIVIDE, VK_ADD, VK_SUBTRACT, VK_SEPARATOR, VK_DECIMAL,
    VK_F1, VK_F2, VK_F3, VK_F4, VK_F5, VK_F6, VK_F7, VK_F8, VK_F9, VK_F10, VK_F11, VK_F12,
    VK_F13, VK_F14, VK_F15, VK_F16, VK_F17, VK_F18, VK_F19, VK_F20, VK_F21, VK_F22, VK_F23, VK_F24,
    VK_NUMLOCK, VK_SCROLL, VK_LSHIFT, VK_RSHIFT, VK_LCONTROL, VK_RCONTROL, VK_LMENU, VK_RMENU,
    VK_BROWSER_BACK, VK_BROWSER_FORWARD, VK_BROWSER_REFRESH, VK_BROWSER_STOP, VK_BROWSER_SEARCH,
    VK_BROWSER_FAVORITES, VK_BROWSER_HOME, VK_VOLUME_MUTE, VK_VOLUME_DOWN, VK_VOLUME_UP,
    VK_MEDIA_NEXT_TRACK, VK_MEDIA_PREV_TRACK, VK_MEDIA_STOP, VK_MEDIA_PLAY_PAUSE, VK_LAUNCH_MAIL,
    VK_LAUNCH_MEDIA_SELECT, VK_LAUNCH_APP1, VK_LAUNCH_APP2,
    VK_OEM_PLUS, VK_OEM_MINUS, VK_OEM_COMMA, VK_OEM_PERIOD, VK_OEM_1, VK_OEM_2, VK_OEM_3, VK_OEM_4,
    VK_OEM_5, VK_OEM_6, VK_OEM_7, VK_OEM_8, VK_OEM_102, VK_OEM_CLEAR,
    VK_PROCESSKEY, VK_PACKET, VK_ATTN, VK_CRSEL, VK_EXSEL, VK_EREOF, VK_PLAY, VK_ZOOM, VK_NONAME, VK_PA1,
};

void initKeyTables()
{
    for (uint32_t i = 0; i < 256; ++i)
    {
        virtualKeyFromKey[i] = 0;
        keyFromVirtualKey[i] = 0;
    }
    // Ascending order lets the higher number win where two names share a code
    // (VK_KANA/VK_HANGUL, VK_HANJA/VK_KANJI).
    for (uint32_t key = 1; key < KeyCount; ++key)
    {
        uint8_t virtualKey = virtualKeys[key - 1];
        virtualKeyFromKey[key] = virtualKey;
        keyFromVirtualKey[virtualKey] = (uint8_t)key;
    }
}
