#pragma once
// SIGTERM (kill, a shutdown), SIGHUP (the terminal closed) and SIGINT
// (Control+C) end the run as closing the window does, unsaved edits and all.
// The handler only notes the signal; the program's loop does the rest.

// Installs the handler. Returns a descriptor that becomes readable once one
// of the signals has arrived, for the loop's wait to watch; -1 when it
// cannot be made (the flag below still works).
int watchEndSignals();

// True once one of the signals has arrived.
bool endSignalArrived();
