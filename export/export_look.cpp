#include "export/export_look.h"
#include <stdio.h>
#include <string.h>

namespace {

const char sectionHeading[] = "[export]";

int32_t scaleIndex(uint32_t scale)
{
    for (uint32_t i = 0; i < exportScaleCount; ++i)
        if (exportScales[i] == scale) return (int32_t)i;
    return -1;
}

// A whole number of at most 4 digits, nothing else on the line; -1 otherwise.
int32_t parseSmallNumber(const char* value, uint64_t length)
{
    if (length == 0 || length > 4) return -1;
    int32_t number = 0;
    for (uint64_t i = 0; i < length; ++i)
    {
        if (value[i] < '0' || value[i] > '9') return -1;
        number = number * 10 + (value[i] - '0');
    }
    return number;
}

bool same(const char* text, uint64_t length, const char* word)
{
    return length == strlen(word) && memcmp(text, word, length) == 0;
}

void takeSetting(ExportLook* look, const char* key, uint64_t keyLength, const char* value, uint64_t valueLength)
{
    int32_t number = parseSmallNumber(value, valueLength);
    if (same(key, keyLength, "scale") && number >= 0 && scaleIndex((uint32_t)number) >= 0)
        look->scale = (uint32_t)number;
    else if (same(key, keyLength, "width") && number >= (int32_t)thinnestLine && number <= (int32_t)thickestLine)
        look->width = (uint32_t)number;
    else if (same(key, keyLength, "lines") && same(value, valueLength, "white"))
        look->black = 0;
    else if (same(key, keyLength, "lines") && same(value, valueLength, "black"))
        look->black = 1;
}

// A line without its line end and the carriage return Windows editors add.
uint64_t lineLength(const char* line, uint64_t left)
{
    uint64_t length = 0;
    while (length < left && line[length] != '\n') ++length;
    return length;
}

} // namespace

bool stepExportScale(ExportLook* look, int32_t direction)
{
    int32_t index = scaleIndex(look->scale);
    int32_t next = index + direction;
    if (index < 0 || next < 0 || next >= (int32_t)exportScaleCount) return false;
    look->scale = exportScales[next];
    return true;
}

bool stepLineWidth(ExportLook* look, int32_t direction)
{
    int64_t next = (int64_t)look->width + direction;
    if (next < thinnestLine || next > thickestLine) return false;
    look->width = (uint32_t)next;
    return true;
}

const char* lineColourName(const ExportLook* look)
{
    return look->black ? "black" : "white";
}

uint32_t describeExportLook(const ExportLook* look, char* out, uint32_t capacity)
{
    int length = snprintf(out, capacity, "export %u\xC3\x97 \xC2\xB7 width %u \xC2\xB7 %s", look->scale, look->width,
                          lineColourName(look));
    return length > 0 && (uint32_t)length < capacity ? (uint32_t)length : 0;
}

uint32_t formatSettings(const ExportLook* look, char* out, uint32_t capacity)
{
    int length = snprintf(out, capacity, "; Marionette Room settings\n%s\nscale=%u\nwidth=%u\nlines=%s\n",
                          sectionHeading, look->scale, look->width, lineColourName(look));
    return length > 0 && (uint32_t)length < capacity ? (uint32_t)length : 0;
}

ExportLook parseSettings(const char* text, uint64_t length)
{
    ExportLook look = defaultExportLook;
    bool inSection = false;
    for (uint64_t at = 0; at < length;)
    {
        const char* line = text + at;
        uint64_t size = lineLength(line, length - at);
        at += size + 1;
        if (size > 0 && line[size - 1] == '\r') --size;
        if (size > 0 && line[0] == '[')
        {
            inSection = same(line, size, sectionHeading);
            continue;
        }
        const char* equals = inSection ? (const char*)memchr(line, '=', size) : nullptr;
        if (equals)
            takeSetting(&look, line, (uint64_t)(equals - line), equals + 1, size - (uint64_t)(equals - line) - 1);
    }
    return look;
}
