#include "app/settings.h"
#include <string.h>
#include "app/file_reading.h"
#include "app/file_writing.h"
#include "platform/log.h"
#include "platform/os.h"

namespace {

const char fileName[] = "settings.ini";
// Our file is under a hundred bytes; a longer one is read only this far.
const uint32_t longestSettings = 1024;

bool settingsPath(char* path, uint32_t capacity, bool create)
{
    if (!osSettingsFolder(path, capacity, create)) return false;
    uint64_t length = strlen(path);
    if (length + sizeof fileName > capacity) return false;
    memcpy(path + length, fileName, sizeof fileName);
    return true;
}

} // namespace

ExportLook loadSettings()
{
    char path[1024];
    if (!settingsPath(path, sizeof path, false)) return defaultExportLook;
    FileHandle file = osOpenForReading(path);
    if (file == invalidFile) return defaultExportLook;
    char text[longestSettings];
    uint64_t size = 0;
    uint32_t length = osFileSize(file, &size) ? (size < sizeof text ? (uint32_t)size : sizeof text) : 0;
    if (!readAt(file, 0, length, text)) length = 0;
    osClose(file);
    return parseSettings(text, length);
}

bool saveSettings(const ExportLook* look)
{
    char path[1024];
    char text[128];
    uint32_t length = formatSettings(look, text, sizeof text);
    const ByteRun run = {text, length};
    bool saved = length && settingsPath(path, sizeof path, true) && saveFileSafely(path, &run, 1);
    if (!saved) logString("Could not save the settings\n");
    return saved;
}
