#pragma once
#include <stdint.h>

// What the program asks of the operating system. One implementation per OS:
// os_win32.cpp (KERNEL32) and os_posix.cpp (the host build).

typedef intptr_t FileHandle;
static const FileHandle invalidFile = -1;

// Reserves and commits size bytes, read-write and zero-filled; null on failure.
void* osReserveMemory(uint64_t size);
// Releases a block from osReserveMemory.
void osReleaseMemory(void* block, uint64_t size);

// Opens an existing file for reading; others may read it too. invalidFile on failure.
FileHandle osOpenForReading(const char* path);
// Creates a file that must not exist yet, for writing, shared with nobody.
// invalidFile on failure (also when the file exists), so it never clobbers one.
FileHandle osCreateNewForWriting(const char* path);
// Sets the position counted from the start of the file; false on failure.
bool osSetPosition(FileHandle file, uint64_t offset);
// Reads up to count bytes; *done is what arrived (0 at end of file). False on failure.
bool osRead(FileHandle file, void* destination, uint32_t count, uint32_t* done);
// Writes up to count bytes; *done is what was written. False on failure.
bool osWrite(FileHandle file, const void* source, uint32_t count, uint32_t* done);
// The file's size in bytes; false on failure.
bool osFileSize(FileHandle file, uint64_t* size);
// Pushes written bytes to the disk; false on failure.
bool osFlush(FileHandle file);
void osClose(FileHandle file);

// Replaces target by source in one step (the old target stays whole until
// then), retrying briefly while another program holds either file. A read-only
// or directory target is refused. False on failure.
bool osReplaceFile(const char* source, const char* target);
// Moves source to target only if nothing by that name exists yet; false
// otherwise, or on failure, leaving both as they were.
bool osMoveToNewName(const char* source, const char* target);
// Removes a file; false on failure.
bool osDeleteFile(const char* path);
// Whether a file or folder of that name exists.
bool osPathExists(const char* path);

// The person's Documents folder's subfolder of this name, created when
// missing, with a trailing separator. False, writing nothing, when there is
// no such folder, it cannot be made, or it does not fit in capacity.
bool osDocumentsSubfolder(const char* name, char* out, uint32_t capacity);

// The program's own settings folder (%APPDATA%\\Marionette Room on Windows,
// $XDG_CONFIG_HOME/marionette-room or ~/.config/marionette-room on Linux),
// with a trailing separator; made when missing only if create is set. False,
// writing nothing, when there is none, it cannot be made, or it does not fit.
bool osSettingsFolder(char* out, uint32_t capacity, bool create);

struct OsLocalTime
{
    uint16_t year;
    uint16_t month;
    uint16_t day;
    uint16_t hour;
    uint16_t minute;
    uint16_t second;
};

// The wall-clock time in the person's time zone.
OsLocalTime osLocalTime();

// Converts text in the system's ANSI code page (what typed characters
// arrive as) to UTF-8. Returns the bytes written, or 0 if it does not fit in
// capacity or cannot be converted.
uint32_t osAnsiToUtf8(const uint8_t* text, uint32_t length, uint8_t* out, uint32_t capacity);
// Where the character after the one starting at text[at] starts, stepping
// whole characters of that code page (a double-byte character's second byte
// may look like a slash); at most length.
uint32_t osNextCharacter(const uint8_t* text, uint32_t length, uint32_t at);

// Sleeps for about the given seconds (a second at most) with a timer of a
// millisecond or finer; returns at once for 0 or less.
void osSleep(double seconds);

// A steadily increasing counter and its ticks per second.
uint64_t osCounter();
uint64_t osCounterFrequency();

// Work that runs on a thread of its own while the caller goes on: the
// caller fills in work and context and keeps the record until the join.
struct OsThread
{
    void (*work)(void* context);
    void* context;
    uintptr_t handle;
};

// Starts thread->work(thread->context) on a new thread. When none can be
// started it runs the work at once, before returning.
void osStartThread(OsThread* thread);
// Waits until the work has run; nothing when it already ran in the caller.
void osJoinThread(OsThread* thread);
