#include "export/export_name.h"
#include <string.h>
#include "platform/os.h"

// A Linux file name may hold backslashes and colons; only Windows reads them
// as folders and drives.
static bool isSeparator(uint8_t byte)
{
#if defined(MARIONETTE_X11)
    return byte == '/';
#else
    return byte == '/' || byte == '\\' || byte == ':';
#endif
}

// Stepped from the front: a byte alone does not tell whether it starts a character.
static bool startsCharacter(const uint8_t* name, uint32_t length, uint32_t at)
{
    uint32_t i = 0;
    while (i < at) i = osNextCharacter(name, length, i);
    return i == at;
}

const char* lastComponent(const char* path, uint32_t* length)
{
    const uint8_t* bytes = (const uint8_t*)path;
    uint32_t total = (uint32_t)strlen(path), start = 0;
    for (uint32_t at = 0; at < total; at = osNextCharacter(bytes, total, at))
        if (isSeparator(bytes[at])) start = at + 1;
    *length = total - start;
    return path + start;
}

uint32_t exportNameLength(const uint8_t* name, uint32_t length)
{
    static const char* const endings[3] = {".png", ".gif", ".json"};
    for (const char* ending : endings)
    {
        uint32_t size = (uint32_t)strlen(ending);
        if (length < size || !startsCharacter(name, length, length - size)) continue;
        bool same = true;
        for (uint32_t i = 0; i < size; ++i)
        {
            uint8_t typed = name[length - size + i];
            same = same && (typed >= 'A' && typed <= 'Z' ? typed + ('a' - 'A') : typed) == ending[i];
        }
        if (same)
        {
            length -= size;
            break;
        }
    }
    if (length == 0 || (isSeparator(name[length - 1]) && startsCharacter(name, length, length - 1))) return 0;
    return length;
}
