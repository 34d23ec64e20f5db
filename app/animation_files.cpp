#include "app/animation_files.h"
#include <string.h>
#include "app/animation_codec.h"
#include "app/file_reading.h"
#include "character/pose.h"
#include "platform/os.h"

static const uint64_t poseBytes = sizeof(Pose);

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

void readBasePose(Pose* pose, const char* path)
{
    FileHandle file = osOpenForReading(path);
    if (file == invalidFile) return;
    uint8_t bytes[sizeof(Pose)];
    // All or nothing: a short or damaged file must not leave half a figure.
    if (readAt(file, 0, poseBytes, bytes) && posesAreFinite(bytes, 1))
        memcpy(pose, bytes, poseBytes);
    osClose(file);
}

// Room for the longest typed name plus the suffix; longer paths are refused.
static const uint32_t tempNameCapacity = 512;
static const uint32_t tempSuffixCount = 8;

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

static bool writeAnimation(FileHandle file, const Animation* animation)
{
    uint8_t header[animationHeaderBytes];
    encodeAnimationHeader(animation->frameCount, header);
    if (!writeFully(file, header, animationHeaderBytes)) return false;
    return writeFully(file, (const uint8_t*)animation->poses, (uint64_t)animation->frameCount * poseBytes);
}

bool saveAnimationFile(const Animation* animation, const char* path)
{
    if (!path || path[0] == 0) return false;
    char tempName[tempNameCapacity];
    FileHandle file = createTemporaryBeside(path, tempName);
    if (file == invalidFile) return false;

    // The old file is touched only by the final replace, so any failure
    // before it leaves the user's previous save whole.
    bool written = writeAnimation(file, animation);
    bool flushed = written && osFlush(file);
    osClose(file);
    if (flushed && osReplaceFile(tempName, path)) return true;
    osDeleteFile(tempName);
    return false;
}

// Reads the whole file into the arena's free room past the current poses,
// which stay intact, and checks it there. Returns the count, 0 if refused.
static uint32_t stageAnimation(FileHandle file, const Arena* arena, uint32_t maxFrames, uint8_t** staged)
{
    uint64_t size = 0;
    if (!osFileSize(file, &size)) return 0;
    if (arena->used > arena->capacity || size > arena->capacity - arena->used) return 0;
    uint8_t* room = arena->base + arena->used;
    if (!readAt(file, 0, size, room)) return 0;
    int64_t count = decodeAnimation(room, size, maxFrames);
    if (count <= 0) return 0;
    *staged = room + animationHeaderBytes;
    return (uint32_t)count;
}

bool loadAnimationFile(Animation* animation, Arena* poseArena, const char* path, uint32_t maxFrames)
{
    if (!path || path[0] == 0) return false;
    FileHandle file = osOpenForReading(path);
    if (file == invalidFile) return false;
    uint8_t* staged = nullptr;
    uint32_t count = stageAnimation(file, poseArena, maxFrames, &staged);
    osClose(file);
    if (count == 0) return false;

    // The staged copy may overlap the poses' final place when the new
    // animation is longer than the old one.
    uint64_t bytes = (uint64_t)count * poseBytes;
    memmove(poseArena->base, staged, bytes);
    poseArena->used = bytes;
    animation->frameCount = count;
    animation->poses = (Pose*)poseArena->base;
    return true;
}
