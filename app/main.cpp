#include "app/app.h"

// The record is far too big for the stack; static storage starts it zeroed.
static App app;

// Exit code 1 means a memory block could not be reserved; a window that
// could not be created ends the run at once with 0 (on Linux the window
// layer exits with 1 itself, saying why). Closing the window with
// unsaved edits first writes them to a new autosave file; a failed write still exits.
int main()
{
    if (!startApp(&app)) return 1;
    while (app.window.running) runFrame(&app);
    endRun(&app);
    return 0;
}
