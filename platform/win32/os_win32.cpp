// The operating system services on Windows (KERNEL32; SHELL32 and WINMM when needed).
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <shlobj.h>
#include <stdio.h>
#include <string.h>
#include <mmsystem.h>
#include "platform/os.h"
#include "platform/win32/window_win32.h"

void* osReserveMemory(uint64_t size)
{
    if (size == 0) return nullptr;
    return VirtualAlloc(nullptr, (SIZE_T)size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}

void osReleaseMemory(void* block, uint64_t)
{
    if (block) VirtualFree(block, 0, MEM_RELEASE);
}

static FileHandle fromHandle(HANDLE handle)
{
    return handle == INVALID_HANDLE_VALUE ? invalidFile : (FileHandle)handle;
}

FileHandle osOpenForReading(const char* path)
{
    return fromHandle(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
}

FileHandle osCreateNewForWriting(const char* path)
{
    return fromHandle(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool osSetPosition(FileHandle file, uint64_t offset)
{
    if (file == invalidFile || offset > (uint64_t)INT64_MAX) return false;
    LARGE_INTEGER distance;
    distance.QuadPart = (LONGLONG)offset;
    return SetFilePointerEx((HANDLE)file, distance, nullptr, FILE_BEGIN) != 0;
}

bool osRead(FileHandle file, void* destination, uint32_t count, uint32_t* done)
{
    DWORD got = 0;
    BOOL ok = ReadFile((HANDLE)file, destination, count, &got, nullptr);
    *done = ok ? got : 0;
    return ok != 0;
}

bool osWrite(FileHandle file, const void* source, uint32_t count, uint32_t* done)
{
    DWORD wrote = 0;
    BOOL ok = WriteFile((HANDLE)file, source, count, &wrote, nullptr);
    *done = ok ? wrote : 0;
    return ok != 0;
}

bool osFileSize(FileHandle file, uint64_t* size)
{
    LARGE_INTEGER result;
    if (file == invalidFile || !GetFileSizeEx((HANDLE)file, &result)) return false;
    *size = (uint64_t)result.QuadPart;
    return true;
}

bool osFlush(FileHandle file)
{
    return FlushFileBuffers((HANDLE)file) != 0;
}

void osClose(FileHandle file)
{
    if (file != invalidFile) CloseHandle((HANDLE)file);
}

bool osReplaceFile(const char* source, const char* target)
{
    // Windows refuses a read-only target only after the retries below, and
    // Wine not at all; a file the user marked read-only is never replaced.
    DWORD attributes = GetFileAttributesA(target);
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0)
        return false;
    // Virus scanners and sync tools often hold a fresh file for a few tens of
    // milliseconds; a short retry rides that out instead of failing the save.
    for (int attempt = 0; attempt < 10; ++attempt)
    {
        if (MoveFileExA(source, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
        DWORD error = GetLastError();
        if (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED && error != ERROR_LOCK_VIOLATION)
            return false;
        Sleep(30);
    }
    return false;
}

bool osMoveToNewName(const char* source, const char* target)
{
    return MoveFileExA(source, target, MOVEFILE_WRITE_THROUGH) != 0;
}

bool osDeleteFile(const char* path)
{
    return DeleteFileA(path) != 0;
}

bool osPathExists(const char* path)
{
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

// SHELL32 and WINMM are loaded only by the rare paths that need them: an
// import of either would be loaded, with what it imports, before the first frame.
static FARPROC systemFunction(const char* library, const char* name)
{
    HMODULE module = LoadLibraryA(library);
    return module ? GetProcAddress(module, name) : nullptr;
}

static bool documentsFolder(char folder[MAX_PATH])
{
    typedef decltype(&SHGetFolderPathA) GetFolderPath;
    GetFolderPath getFolderPath = (GetFolderPath)(void*)systemFunction("shell32.dll", "SHGetFolderPathA");
    return getFolderPath &&
           getFolderPath(nullptr, CSIDL_PERSONAL | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, folder) == S_OK;
}

// folder\name, made when asked, into out with a trailing separator.
static bool subfolder(char folder[MAX_PATH], const char* name, bool create, char* out, uint32_t capacity)
{
    size_t parentLength = strlen(folder);
    size_t length = parentLength + 1 + strlen(name);
    if (length + 2 > capacity || length + 1 > MAX_PATH) return false;
    folder[parentLength] = '\\';
    memcpy(folder + parentLength + 1, name, strlen(name) + 1);
    if (create)
    {
        if (!CreateDirectoryA(folder, nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
        DWORD attributes = GetFileAttributesA(folder);
        if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    }
    memcpy(out, folder, length);
    memcpy(out + length, "\\", 2);
    return true;
}

bool osDocumentsSubfolder(const char* name, char* out, uint32_t capacity)
{
    char folder[MAX_PATH];
    return documentsFolder(folder) && subfolder(folder, name, true, out, capacity);
}

// The settings are read at start, so the folder comes from the logon's
// environment, not from SHELL32, which would cost the first frame its loading.
static bool roamingFolder(char folder[MAX_PATH])
{
    DWORD length = GetEnvironmentVariableA("APPDATA", folder, MAX_PATH);
    if (length > 0 && length < MAX_PATH) return true;
    typedef decltype(&SHGetFolderPathA) GetFolderPath;
    GetFolderPath getFolderPath = (GetFolderPath)(void*)systemFunction("shell32.dll", "SHGetFolderPathA");
    return getFolderPath && getFolderPath(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder) == S_OK;
}

bool osSettingsFolder(char* out, uint32_t capacity, bool create)
{
    char folder[MAX_PATH];
    return roamingFolder(folder) && subfolder(folder, "Marionette Room", create, out, capacity);
}

OsLocalTime osLocalTime()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    OsLocalTime result;
    result.year = now.wYear;
    result.month = now.wMonth;
    result.day = now.wDay;
    result.hour = now.wHour;
    result.minute = now.wMinute;
    result.second = now.wSecond;
    return result;
}

uint32_t osAnsiToUtf8(const uint8_t* text, uint32_t length, uint8_t* out, uint32_t capacity)
{
    if (length == 0) return 0;
    WCHAR wide[256];
    int wideLength = MultiByteToWideChar(CP_ACP, 0, (const char*)text, (int)length, wide, 256);
    if (wideLength <= 0) return 0;
    int written = WideCharToMultiByte(CP_UTF8, 0, wide, wideLength, (char*)out, (int)capacity, nullptr, nullptr);
    return written > 0 ? (uint32_t)written : 0;
}

uint32_t nextCharacterInCodePage(uint32_t codePage, const uint8_t* text, uint32_t length, uint32_t at)
{
    if (at >= length) return length;
    bool lead = IsDBCSLeadByteEx(codePage, text[at]) != 0;
    return lead && at + 2 <= length ? at + 2 : at + 1;
}

uint32_t osNextCharacter(const uint8_t* text, uint32_t length, uint32_t at)
{
    return nextCharacterInCodePage(CP_ACP, text, length, at);
}

// Windows 10 from 1803 has timers that keep their time to well under a
// millisecond; before that, Sleep keeps it once the system timer ticks every
// millisecond instead of every 15.6.
#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

static HANDLE sleepTimer;
static bool sleepTimerTried;

static HANDLE preciseSleepTimer()
{
    if (sleepTimerTried) return sleepTimer;
    sleepTimerTried = true;
    sleepTimer = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, TIMER_ALL_ACCESS);
    if (sleepTimer) return sleepTimer;
    typedef decltype(&timeBeginPeriod) BeginPeriod;
    BeginPeriod beginPeriod = (BeginPeriod)(void*)systemFunction("winmm.dll", "timeBeginPeriod");
    if (beginPeriod) beginPeriod(1);
    return sleepTimer;
}

void osSleep(double seconds)
{
    if (!(seconds > 0.0)) return;
    if (seconds > 1.0) seconds = 1.0;
    HANDLE timer = preciseSleepTimer();
    LARGE_INTEGER due;
    // Negative: relative, in units of 100 ns.
    due.QuadPart = -(LONGLONG)(seconds * 1e7);
    if (timer && SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE))
    {
        WaitForSingleObject(timer, INFINITE);
        return;
    }
    Sleep((DWORD)(seconds * 1000.0 + 0.5));
}

uint64_t osCounter()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return (uint64_t)now.QuadPart;
}

uint64_t osCounterFrequency()
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return (uint64_t)frequency.QuadPart;
}

static DWORD WINAPI runThreadWork(void* record)
{
    OsThread* thread = (OsThread*)record;
    thread->work(thread->context);
    return 0;
}

void osStartThread(OsThread* thread)
{
    HANDLE handle = CreateThread(nullptr, 0, runThreadWork, thread, 0, nullptr);
    thread->handle = (uintptr_t)handle;
    if (!handle) thread->work(thread->context);
}

void osJoinThread(OsThread* thread)
{
    if (!thread->handle) return;
    WaitForSingleObject((HANDLE)thread->handle, INFINITE);
    CloseHandle((HANDLE)thread->handle);
    thread->handle = 0;
}
