#include "app/file_writing.h"
#include <string.h>
#include "platform/os.h"

// Room for the longest typed name plus the suffix; longer paths are refused.
static const uint32_t tempNameCapacity = 512;
static const uint32_t tempSuffixCount = 8;

// A failed write, or one that writes nothing, ends the loop instead of spinning.
static bool writeFully(FileHandle file, const uint8_t* source, uint64_t count)
{
    uint64_t written = 0;
    while (written < count)
    {
        uint64_t missing = count - written;
        uint32_t request = missing > UINT32_MAX ? UINT32_MAX : (uint32_t)missing;
        uint32_t done = 0;
        if (!osWrite(file, source + written, request, &done) || done == 0) return false;
        written += done;
    }
    return true;
}

// Creates a fresh file named path + ".tmpN", trying N = 0 to 7 so that a
// leftover from a crashed save does not block saving. invalidFile if none can be made.
static FileHandle createTemporaryBeside(const char* path, char* tempName)
{
    uint64_t length = strlen(path);
    static const char suffix[] = ".tmp0";
    if (length + sizeof suffix > tempNameCapacity) return invalidFile;
    memcpy(tempName, path, length);
    memcpy(tempName + length, suffix, sizeof suffix);
    for (uint32_t attempt = 0; attempt < tempSuffixCount; ++attempt)
    {
        tempName[length + sizeof suffix - 2] = (char)('0' + attempt);
        FileHandle file = osCreateNewForWriting(tempName);
        if (file != invalidFile) return file;
    }
    return invalidFile;
}

static bool writeRuns(FileHandle file, const ByteRun* runs, uint32_t runCount)
{
    for (uint32_t i = 0; i < runCount; ++i)
        if (!writeFully(file, (const uint8_t*)runs[i].bytes, runs[i].size)) return false;
    return true;
}

static bool saveThroughTemporary(const char* path, const ByteRun* runs, uint32_t runCount, bool replace)
{
    if (!path || path[0] == 0) return false;
    char tempName[tempNameCapacity];
    FileHandle file = createTemporaryBeside(path, tempName);
    if (file == invalidFile) return false;

    // The old file is touched only by the final replace, so any failure
    // before it leaves the user's previous file whole.
    bool written = writeRuns(file, runs, runCount);
    bool flushed = written && osFlush(file);
    osClose(file);
    bool moved = flushed && (replace ? osReplaceFile(tempName, path) : osMoveToNewName(tempName, path));
    if (!moved) osDeleteFile(tempName);
    return moved;
}

bool saveFileSafely(const char* path, const ByteRun* runs, uint32_t runCount)
{
    return saveThroughTemporary(path, runs, runCount, true);
}

bool saveNewFileSafely(const char* path, const ByteRun* runs, uint32_t runCount)
{
    return saveThroughTemporary(path, runs, runCount, false);
}
