#include "app/autosave.h"
#include <stdio.h>
#include "app/animation_files.h"
#include "platform/log.h"

// Beyond this many clashes in one second a folder counts as unable to take the file.
static const uint32_t autosaveAttempts = 100;

bool autosaveName(char* out, uint32_t capacity, const char* folder, OsLocalTime time, uint32_t attempt)
{
    int length = attempt == 0 ? snprintf(out, capacity, "%sautosave.anim", folder)
                              : snprintf(out, capacity, "%sautosave-%04u%02u%02u-%02u%02u%02u", folder,
                                         (unsigned)time.year, (unsigned)time.month, (unsigned)time.day,
                                         (unsigned)time.hour, (unsigned)time.minute, (unsigned)time.second);
    if (length < 0 || (uint32_t)length >= capacity) return false;
    int more = attempt >= 2 ? snprintf(out + length, capacity - (uint32_t)length, "-%u.anim", (unsigned)attempt)
               : attempt == 1 ? snprintf(out + length, capacity - (uint32_t)length, ".anim")
                              : 0;
    return more >= 0 && (uint32_t)(length + more) < capacity;
}

// A name taken meanwhile by another program, or by another copy of this one
// ending at the same moment, moves on to the next name; any other failure
// means the folder cannot take the file.
static bool writeIntoFolder(const Animation* animation, const char* folder, OsLocalTime time)
{
    char path[autosavePathCapacity];
    for (uint32_t attempt = 0; attempt < autosaveAttempts; ++attempt)
    {
        if (!autosaveName(path, sizeof path, folder, time, attempt)) return false;
        if (osPathExists(path)) continue;
        if (saveNewAnimationFile(animation, path))
        {
            logString("Autosave wrote ");
            logString(path);
            logString("\n");
            return true;
        }
        if (!osPathExists(path)) return false;
    }
    return false;
}

// The Documents folder is looked up, and its subfolder made, only when the
// working folder refuses the file.
bool writeAutosave(const Animation* animation, OsLocalTime time)
{
    if (writeIntoFolder(animation, "", time)) return true;
    char documents[autosavePathCapacity];
    if (osDocumentsSubfolder("Marionette Room", documents, sizeof documents) &&
        writeIntoFolder(animation, documents, time))
        return true;
    logString("Autosave could not write the unsaved edits\n");
    return false;
}
