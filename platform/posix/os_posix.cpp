// The operating system services on POSIX: the native Linux program's, and
// the host tests' stand-in for Windows.
#include <string.h>
#include "platform/os.h"
#include <errno.h>
#include <fcntl.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

void* osReserveMemory(uint64_t size)
{
    if (size == 0) return nullptr;
    void* block = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return block == MAP_FAILED ? nullptr : block;
}

void osReleaseMemory(void* block, uint64_t size)
{
    if (block) munmap(block, size);
}

FileHandle osOpenForReading(const char* path)
{
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return invalidFile;
    struct stat info;
    if (fstat(fd, &info) != 0 || S_ISDIR(info.st_mode))
    {
        close(fd);
        return invalidFile;
    }
    return fd;
}

FileHandle osCreateNewForWriting(const char* path)
{
    int fd = open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    return fd < 0 ? invalidFile : fd;
}

bool osSetPosition(FileHandle file, uint64_t offset)
{
    if (file == invalidFile || offset > (uint64_t)INT64_MAX) return false;
    return lseek((int)file, (off_t)offset, SEEK_SET) >= 0;
}

bool osRead(FileHandle file, void* destination, uint32_t count, uint32_t* done)
{
    *done = 0;
    ssize_t got;
    do got = read((int)file, destination, count);
    while (got < 0 && errno == EINTR);
    if (got < 0) return false;
    *done = (uint32_t)got;
    return true;
}

bool osWrite(FileHandle file, const void* source, uint32_t count, uint32_t* done)
{
    *done = 0;
    ssize_t wrote;
    do wrote = write((int)file, source, count);
    while (wrote < 0 && errno == EINTR);
    if (wrote < 0) return false;
    *done = (uint32_t)wrote;
    return true;
}

bool osFileSize(FileHandle file, uint64_t* size)
{
    struct stat info;
    if (file == invalidFile || fstat((int)file, &info) != 0) return false;
    *size = (uint64_t)info.st_size;
    return true;
}

bool osFlush(FileHandle file)
{
    return fsync((int)file) == 0;
}

void osClose(FileHandle file)
{
    if (file != invalidFile) close((int)file);
}

bool osReplaceFile(const char* source, const char* target)
{
    // Like Windows, a target without write permission is never replaced
    // (rename alone would, and root ignores permissions anyway).
    struct stat info;
    if (stat(target, &info) == 0 && (S_ISDIR(info.st_mode) || (info.st_mode & 0222) == 0)) return false;
    return rename(source, target) == 0;
}

// FAT, exFAT and some shared folders take no hard links, and older kernels or
// some file systems refuse the no-replace rename: each is tried in turn, and
// neither ever replaces a file that is there.
bool osMoveToNewName(const char* source, const char* target)
{
    if (renameat2(AT_FDCWD, source, AT_FDCWD, target, RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return false;
    if (link(source, target) != 0) return false;
    unlink(source);
    return true;
}

bool osDeleteFile(const char* path)
{
    return unlink(path) == 0;
}

bool osPathExists(const char* path)
{
    struct stat info;
    return lstat(path, &info) == 0;
}

// parent/name, made with its parent when asked, into out with a trailing separator.
static bool subfolder(const char* parent, const char* name, mode_t mode, bool create, char* out, uint32_t capacity)
{
    char folder[4096];
    int length = snprintf(folder, sizeof folder, "%s/%s", parent, name);
    if (length < 0 || (size_t)length >= sizeof folder || (uint64_t)length + 2 > capacity) return false;
    if (create)
    {
        mkdir(parent, mode);
        mkdir(folder, mode);
        struct stat info;
        if (stat(folder, &info) != 0 || !S_ISDIR(info.st_mode)) return false;
    }
    memcpy(out, folder, (size_t)length);
    memcpy(out + length, "/", 2);
    return true;
}

bool osDocumentsSubfolder(const char* name, char* out, uint32_t capacity)
{
    const char* documents = getenv("XDG_DOCUMENTS_DIR");
    const char* home = getenv("HOME");
    char parent[4096];
    if (documents && documents[0]) snprintf(parent, sizeof parent, "%s", documents);
    else if (home && home[0]) snprintf(parent, sizeof parent, "%s/Documents", home);
    else return false;
    return subfolder(parent, name, 0755, true, out, capacity);
}

// A relative XDG_CONFIG_HOME is to be ignored, like an unset one.
bool osSettingsFolder(char* out, uint32_t capacity, bool create)
{
    const char* config = getenv("XDG_CONFIG_HOME");
    const char* home = getenv("HOME");
    char parent[4096];
    if (config && config[0] == '/') snprintf(parent, sizeof parent, "%s", config);
    else if (home && home[0] == '/') snprintf(parent, sizeof parent, "%s/.config", home);
    else return false;
    return subfolder(parent, "marionette-room", 0700, create, out, capacity);
}

OsLocalTime osLocalTime()
{
    time_t now = time(nullptr);
    struct tm local = {};
    localtime_r(&now, &local);
    OsLocalTime result;
    result.year = (uint16_t)(local.tm_year + 1900);
    result.month = (uint16_t)(local.tm_mon + 1);
    result.day = (uint16_t)local.tm_mday;
    result.hour = (uint16_t)local.tm_hour;
    result.minute = (uint16_t)local.tm_min;
    result.second = (uint16_t)local.tm_sec;
    return result;
}

#if defined(MARIONETTE_X11)
// Linux's typed text and file names are UTF-8 already: the bytes are kept as they are.
uint32_t osAnsiToUtf8(const uint8_t* text, uint32_t length, uint8_t* out, uint32_t capacity)
{
    if (length > capacity) return 0;
    memcpy(out, text, length);
    return length;
}
#else
// The host stands in for the Western code page 1252 with Latin-1, except
// that 0x80 is the euro sign: the one character whose UTF-8 form takes three
// bytes, as many of that page's characters do on Windows.
uint32_t osAnsiToUtf8(const uint8_t* text, uint32_t length, uint8_t* out, uint32_t capacity)
{
    static const uint8_t euro[3] = {0xE2, 0x82, 0xAC};
    uint32_t written = 0;
    for (uint32_t i = 0; i < length; ++i)
    {
        uint8_t byte = text[i];
        uint8_t utf8[3] = {byte, 0, 0};
        uint32_t size = 1;
        if (byte == 0x80)
        {
            memcpy(utf8, euro, sizeof euro);
            size = 3;
        }
        else if (byte > 0x80)
        {
            utf8[0] = (uint8_t)(0xC0 | (byte >> 6));
            utf8[1] = (uint8_t)(0x80 | (byte & 0x3F));
            size = 2;
        }
        if (written + size > capacity) return 0;
        memcpy(out + written, utf8, size);
        written += size;
    }
    return written;
}
#endif

#if defined(MARIONETTE_X11)
// A UTF-8 character is its first byte and the continuation bytes after it.
uint32_t osNextCharacter(const uint8_t* text, uint32_t length, uint32_t at)
{
    if (at >= length) return length;
    do ++at;
    while (at < length && (text[at] & 0xC0) == 0x80);
    return at;
}
#else
uint32_t osNextCharacter(const uint8_t*, uint32_t length, uint32_t at)
{
    return at < length ? at + 1 : length;
}
#endif

void osSleep(double seconds)
{
    if (!(seconds > 0.0)) return;
    if (seconds > 1.0) seconds = 1.0;
    struct timespec wait;
    wait.tv_sec = (time_t)seconds;
    wait.tv_nsec = (long)((seconds - (double)wait.tv_sec) * 1e9);
    while (nanosleep(&wait, &wait) != 0 && errno == EINTR) {}
}

uint64_t osCounter()
{
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (uint64_t)now.tv_sec * 1000000000u + (uint64_t)now.tv_nsec;
}

uint64_t osCounterFrequency()
{
    return 1000000000u;
}

static void* runThreadWork(void* record)
{
    OsThread* thread = (OsThread*)record;
    thread->work(thread->context);
    return nullptr;
}

// The handle holds the pthread_t plus one, so that 0 means none.
void osStartThread(OsThread* thread)
{
    pthread_t handle;
    thread->handle = 0;
    if (pthread_create(&handle, nullptr, runThreadWork, thread) != 0)
    {
        thread->work(thread->context);
        return;
    }
    static_assert(sizeof(pthread_t) <= sizeof(uintptr_t), "a pthread_t fits a handle");
    thread->handle = (uintptr_t)handle + 1;
}

void osJoinThread(OsThread* thread)
{
    if (!thread->handle) return;
    pthread_join((pthread_t)(thread->handle - 1), nullptr);
    thread->handle = 0;
}
