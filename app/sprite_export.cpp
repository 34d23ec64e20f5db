#include "app/sprite_export.h"
#include <string.h>
#include "app/file_writing.h"
#include "character/pose.h"
#include "export/frame_list.h"
#include "export/gif_writer.h"
#include "export/png_writer.h"
#include "platform/gl_functions.h"
#include "platform/log.h"
#include "render/frame_submission.h"
#include "render/offscreen_target.h"

namespace {

const uint32_t longestPath = 127;
const uint32_t longestExtension = 5;

// The exporter's batch: one pose, four line strips of 29 points in all.
const BatchSize poseBatchSize = {LineStrips, 4 * drawStride, 32 * sizeof(Vec2), 32 * 24, 64 * 4};
const uint64_t commandBytes = 256;
const uint64_t submissionScratchBytes = 4096;

uint64_t smaller(uint64_t a, uint64_t b)
{
    return a < b ? a : b;
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
