#include "app/sprite_export.h"
#include <math.h>
#include <string.h>
#include "app/file_writing.h"
#include "app/gif_writer.h"
#include "app/png_writer.h"
#include "character/pose.h"
#include "platform/gl_functions.h"
#include "platform/log.h"
#include "platform/os.h"
#include "render/frame_submission.h"
#include "render/offscreen_target.h"

namespace {

// Points are clamped here before anything else: far beyond any cell, and
// still whole numbers in both float and int.
const float coordinateLimit = 16777216.0f;
const uint32_t smallestCellSide = 2 * cellMargin + 1;
const uint32_t longestPath = 127;
const uint32_t longestExtension = 5;


// The exporter's batch: one pose, four line strips of 29 points in all.
const BatchSize poseBatchSize = {LineStrips, 4 * drawStride, 32 * sizeof(Vec2), 32 * 24, 64 * 4};
const uint64_t commandBytes = 256;
const uint64_t submissionScratchBytes = 4096;

struct Span
{
    int64_t low;
    int64_t high;
};

float clampCoordinate(float value)
{
    return value < -coordinateLimit ? -coordinateLimit : value > coordinateLimit ? coordinateLimit : value;
}

// The union box of every finite point of every frame, in whole pixels; empty at (0, 0) without one.
void boundingBox(const Animation* animation, Span* x, Span* y)
{
    float minX = 0, maxX = 0, minY = 0, maxY = 0;
    bool found = false;
    for (uint32_t frame = 0; frame < animation->frameCount; ++frame)
    {
        for (const Vec2& point : animation->poses[frame].points)
        {
            if (!isfinite(point.x) || !isfinite(point.y)) continue;
            float px = clampCoordinate(point.x), py = clampCoordinate(point.y);
            minX = found ? fminf(minX, px) : px;
            maxX = found ? fmaxf(maxX, px) : px;
            minY = found ? fminf(minY, py) : py;
            maxY = found ? fmaxf(maxY, py) : py;
            found = true;
        }
    }
    *x = {(int64_t)floorf(minX), (int64_t)ceilf(maxX)};
    *y = {(int64_t)floorf(minY), (int64_t)ceilf(maxY)};
}

// Keeps inner pixels of a longer span: as near to centred on the reference
// point as the points allow, so a stray point far off does not push the figure out.
Span clipSpan(Span span, int64_t inner)
{
    if (span.high - span.low <= inner) return span;
    int64_t low = -(inner / 2);
    if (low < span.low) low = span.low;
    if (low > span.high - inner) low = span.high - inner;
    return {low, low + inner};
}

uint64_t smaller(uint64_t a, uint64_t b)
{
    return a < b ? a : b;
}

// Shrinks the cell, keeping its shape, until cells of it fit in areaLimit pixels each.
bool fitCellArea(uint64_t* width, uint64_t* height, uint64_t areaLimit)
{
    if (areaLimit < (uint64_t)smallestCellSide * smallestCellSide) return false;
    if (*width * *height <= areaLimit) return true;
    double scale = sqrt((double)areaLimit / (double)(*width * *height));
    *width = (uint64_t)((double)*width * scale);
    *height = (uint64_t)((double)*height * scale);
    if (*width < smallestCellSide) *width = smallestCellSide;
    if (*height < smallestCellSide) *height = smallestCellSide;
    while (*width * *height > areaLimit)
    {
        if (*width >= *height) *width -= 1;
        else *height -= 1;
    }
    return true;
}

// --- the frame list's text

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
    uint8_t utf8[4 * longestPath];
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

bool isSeparator(uint8_t byte)
{
    return byte == '/' || byte == '\\' || byte == ':';
}

// Names are stepped through by whole characters: in a double-byte code page
// the second byte of a character may equal a slash or a letter.
bool startsCharacter(const uint8_t* name, uint32_t length, uint32_t at)
{
    uint32_t i = 0;
    while (i < at) i = osNextCharacter(name, length, i);
    return i == at;
}

// The last component of a path: after the last slash, backslash or drive colon.
const char* lastComponent(const char* path, uint32_t* length)
{
    const uint8_t* bytes = (const uint8_t*)path;
    uint32_t total = (uint32_t)strlen(path), start = 0;
    for (uint32_t at = 0; at < total; at = osNextCharacter(bytes, total, at))
        if (isSeparator(bytes[at])) start = at + 1;
    *length = total - start;
    return path + start;
}

// --- the three files

bool saveWithExtension(const char* path, const char* extension, const void* bytes, uint64_t size)
{
    char file[longestPath + longestExtension + 1];
    uint64_t length = strlen(path);
    if (length > longestPath) return false;
    memcpy(file, path, length);
    memcpy(file + length, extension, strlen(extension) + 1);
    const ByteRun run = {bytes, size};
    bool saved = saveFileSafely(file, &run, 1);
    logString(saved ? "Export wrote " : "Export could not write ");
    logString(file);
    logString("\n");
    return saved;
}

const uint8_t* cellPixels(const SheetLayout* layout, const uint8_t* sheet, uint32_t frame)
{
    uint32_t x, y;
    cellCorner(layout, frame, &x, &y);
    return sheet + ((uint64_t)y * layout->sheetWidth + x) * 4;
}

bool writePng(const SheetLayout* layout, const uint8_t* sheet, const char* path, Arena* scratch)
{
    uint64_t size = 0;
    const uint8_t* png = encodePng(scratch, sheet, layout->sheetWidth, layout->sheetHeight,
                                   (uint64_t)layout->sheetWidth * 4, &size);
    return png && saveWithExtension(path, ".png", png, size);
}

bool writeJson(const SheetLayout* layout, const char* path, Arena* scratch)
{
    scratch->used = 0;
    uint64_t length = writeSpriteJson(layout, path, (char*)scratch->base, scratch->capacity);
    return length && saveWithExtension(path, ".json", scratch->base, length);
}

bool writeGif(const SheetLayout* layout, const uint8_t* sheet, const char* path, Arena* scratch)
{
    GifWriter gif = beginGif(scratch, layout->cellWidth, layout->cellHeight);
    for (uint32_t frame = 0; frame < layout->frameCount; ++frame)
        addGifImage(&gif, cellPixels(layout, sheet, frame), (uint64_t)layout->sheetWidth * 4, exportFrameCentiseconds);
    return endGif(&gif) && saveWithExtension(path, ".gif", gif.bytes, gif.used);
}

// --- drawing the frames

// Read back bottom row first; the sheet's rows run top first.
void flipRows(uint8_t* first, uint64_t stride, uint64_t rowBytes, uint32_t rows)
{
    uint8_t chunk[256];
    for (uint32_t top = 0, bottom = rows - 1; top < bottom; ++top, --bottom)
    {
        uint8_t* a = first + top * stride;
        uint8_t* b = first + bottom * stride;
        for (uint64_t done = 0; done < rowBytes; done += sizeof chunk)
        {
            uint64_t count = smaller(sizeof chunk, rowBytes - done);
            memcpy(chunk, a + done, count);
            memcpy(a + done, b + done, count);
            memcpy(b + done, chunk, count);
        }
    }
}

void drawFrame(SpriteExporter* exporter, const SheetLayout* layout, const Pose* pose)
{
    const Color transparent = {0, 0, 0, 0};
    resetBatch(&exporter->lines);
    resetCommandList(&exporter->commands);
    pushClear(&exporter->commands, transparent);
    pushViewport(&exporter->commands, 0, 0, (float)layout->cellWidth, (float)layout->cellHeight);
    drawPose(&exporter->lines, pose, Vec2{(float)layout->originX, (float)layout->originY}, 1.0f);
    pushDrawBatch(&exporter->commands, &exporter->lines);
    submitFrame(&exporter->commands);
}

bool renderSheet(SpriteExporter* exporter, const Animation* animation, const SheetLayout* layout)
{
    OffscreenTarget target = createOffscreenTarget(layout->cellWidth, layout->cellHeight);
    if (!target.framebuffer) return false;
    uint64_t stride = (uint64_t)layout->sheetWidth * 4;
    memset(exporter->sheet.base, 0, stride * layout->sheetHeight);
    computeScreenToNormalized(exporter->cellProjection, (int32_t)layout->cellWidth, (int32_t)layout->cellHeight);
    for (uint32_t frame = 0; frame < layout->frameCount; ++frame)
    {
        drawFrame(exporter, layout, &animation->poses[frame]);
        uint8_t* corner = (uint8_t*)cellPixels(layout, exporter->sheet.base, frame);
        readOffscreenPixels(&target, corner, layout->sheetWidth);
        flipRows(corner, stride, (uint64_t)layout->cellWidth * 4, layout->cellHeight);
    }
    destroyOffscreenTarget(&target);
    return true;
}

} // namespace

namespace {

// Many engines load no texture wider or taller than largestSheetSide. Fewer
// columns make a narrower, taller sheet; the count whose cells lose least
// to that limit wins, and on a tie the one with more columns.
uint32_t chooseColumns(uint32_t frames, uint64_t* width, uint64_t* height)
{
    uint32_t best = 1;
    uint64_t bestWidth = 0, bestHeight = 0;
    for (uint32_t columns = frames < cellsPerRow ? frames : cellsPerRow; columns >= 1; --columns)
    {
        uint32_t rows = (frames + columns - 1) / columns;
        uint64_t w = smaller(*width, largestSheetSide / columns);
        uint64_t h = smaller(*height, largestSheetSide / rows);
        if (w * h <= bestWidth * bestHeight) continue;
        best = columns;
        bestWidth = w;
        bestHeight = h;
    }
    *width = bestWidth;
    *height = bestHeight;
    return best;
}

} // namespace

SheetLayout layoutSheet(const Animation* animation, uint64_t pixelBudget)
{
    SheetLayout layout = {};
    uint32_t frames = animation->frameCount;
    if (frames == 0 || frames > maxExportFrames) return layout;
    Span x, y;
    boundingBox(animation, &x, &y);

    uint64_t width = (uint64_t)(x.high - x.low) + 2 * cellMargin;
    uint64_t height = (uint64_t)(y.high - y.low) + 2 * cellMargin;
    uint32_t columns = chooseColumns(frames, &width, &height);
    uint32_t rows = (frames + columns - 1) / columns;
    if (!fitCellArea(&width, &height, pixelBudget / ((uint64_t)columns * rows))) return layout;
    x = clipSpan(x, (int64_t)width - 2 * cellMargin);
    y = clipSpan(y, (int64_t)height - 2 * cellMargin);

    layout.frameCount = frames;
    layout.cellWidth = (uint32_t)(x.high - x.low) + 2 * cellMargin;
    layout.cellHeight = (uint32_t)(y.high - y.low) + 2 * cellMargin;
    layout.columns = columns;
    layout.rows = rows;
    layout.sheetWidth = columns * layout.cellWidth;
    layout.sheetHeight = rows * layout.cellHeight;
    layout.originX = (int32_t)(cellMargin - x.low);
    layout.originY = (int32_t)(cellMargin - y.low);
    return layout;
}

void cellCorner(const SheetLayout* layout, uint32_t frame, uint32_t* x, uint32_t* y)
{
    uint32_t columns = layout->columns ? layout->columns : 1;
    *x = frame % columns * layout->cellWidth;
    *y = frame / columns * layout->cellHeight;
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

uint64_t writeSpriteJson(const SheetLayout* layout, const char* path, char* out, uint64_t capacity)
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
    put(&text, "\t\"scale\": \"1\",\n\t\"frameTags\": [\n\t\t{\"name\":\"");
    putName(&text, name, length);
    put(&text, "\",\"from\":0,\"to\":");
    putUnsigned(&text, layout->frameCount ? layout->frameCount - 1 : 0);
    put(&text, ",\"direction\":\"forward\"}\n\t]\n}\n}\n");
    return text.failed ? 0 : text.used;
}

uint32_t writeSpriteFiles(const SheetLayout* layout, const uint8_t* sheet, const char* path, Arena* scratch)
{
    if (layout->frameCount == 0) return 0;
    uint32_t written = 0;
    if (writePng(layout, sheet, path, scratch)) written |= ExportedPng;
    if (writeJson(layout, path, scratch)) written |= ExportedJson;
    if (writeGif(layout, sheet, path, scratch)) written |= ExportedGif;
    scratch->used = 0;
    return written;
}

// The encoders take turns in one scratch; the PNG encoder needs the most,
// for the largest sheet (the GIF and the JSON need a fraction of it).
static uint64_t encodingScratchBytes()
{
    return pngScratchBound(largestSheetSide + 4 * sheetPixelBudget, 4 * largestSheetSide);
}

uint64_t spriteExporterSize()
{
    return 4 * sheetPixelBudget + encodingScratchBytes() + poseBatchSize.drawListBytes + poseBatchSize.vertexDataBytes + commandBytes +
           submissionScratchBytes;
}

void startSpriteExporter(SpriteExporter* exporter, Arena* block, uint32_t program)
{
    *exporter = SpriteExporter{};
    exporter->sheet = subArena(block, 4 * sheetPixelBudget);
    exporter->scratch = subArena(block, encodingScratchBytes());
    exporter->lines = createRenderBatch(block, poseBatchSize, program, exporter->cellProjection);
    exporter->commands.commands = subArena(block, commandBytes);
    exporter->commands.scratch = subArena(block, submissionScratchBytes);
}

uint32_t exportAnimation(SpriteExporter* exporter, const Animation* animation, const char* path,
                         int32_t windowWidth, int32_t windowHeight)
{
    SheetLayout layout = layoutSheet(animation, sheetPixelBudget);
    if (layout.frameCount == 0 || !exporter->sheet.base || !exporter->commands.scratch.base) return 0;
    bool rendered = renderSheet(exporter, animation, &layout);
    gl.glViewport(0, 0, windowWidth, windowHeight);
    if (!rendered)
    {
        logString("Export could not create its framebuffer\n");
        return 0;
    }
    return writeSpriteFiles(&layout, exporter->sheet.base, path, &exporter->scratch);
}
