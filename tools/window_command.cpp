// Minimises, restores or closes a top-level window found by its title, the
// way its title-bar buttons do: a WM_SYSCOMMAND posted to it. An X server
// without a window manager offers the scripts no other way to minimise a
// Wine window. Usage: window_command minimise|restore|close <title>; exit
// status 1 when no window has that title.
#include <string.h>
#include "platform/win32/window_win32.h"

int main(int argc, char** argv)
{
    if (argc != 3) return 2;
    HWND window = FindWindowA(nullptr, argv[2]);
    if (!window) return 1;
    WPARAM command = SC_RESTORE;
    if (strcmp(argv[1], "minimise") == 0) command = SC_MINIMIZE;
    if (strcmp(argv[1], "close") == 0) command = SC_CLOSE;
    return PostMessageA(window, WM_SYSCOMMAND, command, 0) ? 0 : 1;
}
