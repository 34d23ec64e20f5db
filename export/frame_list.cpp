#include "export/frame_list.h"
#include <string.h>
#include "export/export_name.h"
#include "platform/os.h"

namespace {

// The longest name the prompt takes, with room to spare.
const uint32_t longestName = 127;

struct TextOut
{
    char* at;
    uint64_t capacity;
    uint64_t used;
    bool failed;
};

void putBytes(TextOut* out, const char* bytes, uint64_t count)
{
    if (out->failed || count > out->capacity - out->used)
    {
        out->failed = true;
        return;
    }
    memcpy(out->at + out->used, bytes, count);
    out->used += count;
}

void put(TextOut* out, const char* text)
{
    putBytes(out, text, strlen(text));
}

void putUnsigned(TextOut* out, uint64_t value)
{
    char digits[20];
    uint32_t count = 0;
    do digits[sizeof digits - ++count] = (char)('0' + value % 10);
    while ((value /= 10) != 0);
    putBytes(out, digits + sizeof digits - count, count);
}

// numerator / denominator with up to six decimals, trailing zeros dropped.
void putFraction(TextOut* out, int64_t numerator, uint64_t denominator)
{
    uint64_t magnitude = numerator < 0 ? (uint64_t)-numerator : (uint64_t)numerator;
    uint64_t millionths = (magnitude * 1000000 + denominator / 2) / denominator;
    if (numerator < 0 && millionths != 0) put(out, "-");
    putUnsigned(out, millionths / 1000000);
    uint64_t fraction = millionths % 1000000;
    if (fraction == 0) return;
    char decimals[7] = {'.'};
    for (int i = 6; i >= 1; --i, fraction /= 10) decimals[i] = (char)('0' + fraction % 10);
    uint64_t length = 7;
    while (decimals[length - 1] == '0') --length;
    putBytes(out, decimals, length);
}

void putEscapedByte(TextOut* out, uint8_t byte)
{
    static const char hex[] = "0123456789abcdef";
    if (byte == '"' || byte == '\\')
    {
        const char pair[2] = {'\\', (char)byte};
        putBytes(out, pair, 2);
    }
    else if (byte < 0x20 || byte >= 0x80)
    {
        const char code[6] = {'\\', 'u', '0', '0', hex[byte >> 4], hex[byte & 15]};
        putBytes(out, code, 6);
    }
    else
    {
        putBytes(out, (const char*)&byte, 1);
    }
}

// The name inside a JSON string. Typed names are in the system's code page;
// JSON is UTF-8, so the name is converted first (or, failing that, its
// bytes above ASCII are written as the Latin-1 characters they would be).
void putName(TextOut* out, const char* name, uint32_t length)
{
    uint8_t utf8[4 * longestName];
    uint32_t converted = osAnsiToUtf8((const uint8_t*)name, length, utf8, sizeof utf8);
    for (uint32_t i = 0; i < length && converted == 0; ++i) putEscapedByte(out, (uint8_t)name[i]);
    for (uint32_t i = 0; i < converted; ++i)
    {
        if (utf8[i] >= 0x80) putBytes(out, (const char*)&utf8[i], 1);
        else putEscapedByte(out, utf8[i]);
    }
}

void putFrameKey(TextOut* out, const char* name, uint32_t length, uint32_t frame)
{
    put(out, "\"");
    putName(out, name, length);
    put(out, frame < 10 ? "_0" : "_");
    putUnsigned(out, frame);
    put(out, "\"");
}

void putRectangle(TextOut* out, const char* label, uint32_t x, uint32_t y, uint32_t width, uint32_t height)
{
    put(out, label);
    put(out, "{\"x\":");
    putUnsigned(out, x);
    put(out, ",\"y\":");
    putUnsigned(out, y);
    put(out, ",\"w\":");
    putUnsigned(out, width);
    put(out, ",\"h\":");
    putUnsigned(out, height);
    put(out, "},\n");
}

void putSize(TextOut* out, const char* label, uint32_t width, uint32_t height, const char* after)
{
    put(out, label);
    put(out, "{\"w\":");
    putUnsigned(out, width);
    put(out, ",\"h\":");
    putUnsigned(out, height);
    put(out, "}");
    put(out, after);
}

// The reference point in the engines' terms: fractions of the cell from its
// top-left corner. Phaser reads it as "pivot", PixiJS only as "anchor".
void putReferencePoint(TextOut* out, const char* label, const SheetLayout* layout)
{
    put(out, label);
    put(out, "{\"x\":");
    putFraction(out, layout->originX, layout->cellWidth);
    put(out, ",\"y\":");
    putFraction(out, (int64_t)layout->cellHeight - layout->originY, layout->cellHeight);
    put(out, "}");
}

void putFrame(TextOut* out, const SheetLayout* layout, const char* name, uint32_t length, uint32_t frame)
{
    uint32_t x, y;
    cellCorner(layout, frame, &x, &y);
    putFrameKey(out, name, length, frame);
    put(out, ": {\n");
    putRectangle(out, "\t\"frame\": ", x, y, layout->cellWidth, layout->cellHeight);
    put(out, "\t\"rotated\": false,\n\t\"trimmed\": false,\n");
    putRectangle(out, "\t\"spriteSourceSize\": ", 0, 0, layout->cellWidth, layout->cellHeight);
    putSize(out, "\t\"sourceSize\": ", layout->cellWidth, layout->cellHeight, ",\n");
    put(out, "\t\"duration\": ");
    putUnsigned(out, exportFrameMilliseconds);
    putReferencePoint(out, ",\n\t\"pivot\": ", layout);
    putReferencePoint(out, ",\n\t\"anchor\": ", layout);
    put(out, "\n}");
}

} // namespace

uint64_t writeSpriteJson(const SheetLayout* layout, const ExportLook* look, const char* path, char* out,
                         uint64_t capacity)
{
    TextOut text = {out, capacity, 0, false};
    uint32_t length = 0;
    const char* name = lastComponent(path, &length);
    put(&text, "{\"frames\": {\n");
    for (uint32_t frame = 0; frame < layout->frameCount; ++frame)
    {
        putFrame(&text, layout, name, length, frame);
        put(&text, frame + 1 < layout->frameCount ? ",\n" : "},\n");
    }
    put(&text, "\"animations\": {\n\t\"");
    putName(&text, name, length);
    put(&text, "\": [");
    for (uint32_t frame = 0; frame < layout->frameCount; ++frame)
    {
        if (frame) put(&text, ",");
        putFrameKey(&text, name, length, frame);
    }
    put(&text, "]\n},\n\"meta\": {\n\t\"app\": \"Marionette Room\",\n\t\"version\": \"" MARIONETTE_VERSION "\",\n");
    put(&text, "\t\"image\": \"");
    putName(&text, name, length);
    put(&text, ".png\",\n\t\"format\": \"RGBA8888\",\n");
    putSize(&text, "\t\"size\": ", layout->sheetWidth, layout->sheetHeight, ",\n");
    put(&text, "\t\"scale\": \"");
    putUnsigned(&text, layout->scale);
    put(&text, "\",\n\t\"lineWidth\": ");
    putUnsigned(&text, layout->lineWidth);
    put(&text, ",\n\t\"lineColor\": \"");
    put(&text, lineColourName(look));
    put(&text, "\",\n\t\"frameTags\": [\n\t\t{\"name\":\"");
    putName(&text, name, length);
    put(&text, "\",\"from\":0,\"to\":");
    putUnsigned(&text, layout->frameCount ? layout->frameCount - 1 : 0);
    put(&text, ",\"direction\":\"forward\"}\n\t]\n}\n}\n");
    return text.failed ? 0 : text.used;
}
