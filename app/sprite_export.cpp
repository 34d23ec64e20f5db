#include "app/sprite_export.h"
#include <stdio.h>
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
#include "render/thick_lines.h"

namespace {

const uint32_t longestPath = 127;
const uint32_t longestExtension = 5;

// The exporter's batch: one pose, four thick polylines of 29 points and 25
// segments in all.
const BatchSize poseBatchSize = {ThickLines, 4 * drawStride, 32 * sizeof(Vec2), 32 * 4 * thickLineVertexBytes,
                                 32 * 5 * 4};
const uint64_t commandBytes = 256;
const uint64_t submissionScratchBytes = 8192;

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

bool writeJson(const SheetLayout* layout, const ExportLook* look, const char* path, Arena* scratch)
{
    scratch->used = 0;
    uint64_t length = writeSpriteJson(layout, look, path, (char*)scratch->base, scratch->capacity);
    return length && saveWithExtension(path, ".json", scratch->base, length);
}

bool writeGif(const SheetLayout* layout, const ExportLook* look, const uint8_t* sheet, const char* path,
              Arena* scratch)
{
    GifWriter gif = beginGif(scratch, layout->cellWidth, layout->cellHeight, look->black != 0);
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

Color lineColour(const ExportLook* look)
{
    return look->black ? colorBlack : colorWhite;
}

void drawFrame(SpriteExporter* exporter, const SheetLayout* layout, const ExportLook* look, const Pose* pose)
{
    resetBatch(&exporter->lines);
    resetCommandList(&exporter->commands);
    pushClear(&exporter->commands, look->black ? colorWhite : colorBlack);
    pushViewport(&exporter->commands, 0, 0, (float)layout->cellWidth, (float)layout->cellHeight);
    drawPoseThick(&exporter->lines, pose, Vec2{(float)layout->originX, (float)layout->originY}, (float)layout->scale,
                  (float)layout->lineWidth, lineColour(look));
    pushDrawBatch(&exporter->commands, &exporter->lines);
    submitFrame(&exporter->commands);
}

// The lines come back drawn over the background; how far each pixel is from
// it is the line's coverage, which becomes the line colour's opacity.
void coverageToAlpha(uint8_t* corner, uint64_t stride, const SheetLayout* layout, const ExportLook* look)
{
    uint8_t colour = look->black ? 0 : 255;
    for (uint32_t y = 0; y < layout->cellHeight; ++y)
    {
        uint8_t* pixel = corner + y * stride;
        for (uint32_t x = 0; x < layout->cellWidth; ++x, pixel += 4)
        {
            uint8_t coverage = look->black ? (uint8_t)(255 - pixel[0]) : pixel[0];
            pixel[0] = pixel[1] = pixel[2] = colour;
            pixel[3] = coverage;
        }
    }
}

bool renderSheet(SpriteExporter* exporter, const Animation* animation, const SheetLayout* layout,
                 const ExportLook* look)
{
    OffscreenTarget target = createOffscreenTarget(layout->cellWidth, layout->cellHeight);
    if (!target.framebuffer) return false;
    uint64_t stride = (uint64_t)layout->sheetWidth * 4;
    memset(exporter->sheet.base, 0, stride * layout->sheetHeight);
    computeScreenToNormalized(exporter->cellProjection, (int32_t)layout->cellWidth, (int32_t)layout->cellHeight);
    for (uint32_t frame = 0; frame < layout->frameCount; ++frame)
    {
        drawFrame(exporter, layout, look, &animation->poses[frame]);
        uint8_t* corner = (uint8_t*)cellPixels(layout, exporter->sheet.base, frame);
        readOffscreenPixels(&target, corner, layout->sheetWidth);
        flipRows(corner, stride, (uint64_t)layout->cellWidth * 4, layout->cellHeight);
        coverageToAlpha(corner, stride, layout, look);
    }
    destroyOffscreenTarget(&target);
    return true;
}

void logScaleGivenUp(const ExportLook* look, const SheetLayout* layout)
{
    char line[128];
    snprintf(line, sizeof line, "Export at %u\xC3\x97 would pass %u pixels a side; exported at %u\xC3\x97\n",
             look->scale, largestSheetSide, layout->scale);
    logString(line);
}

} // namespace

uint32_t writeSpriteFiles(const SheetLayout* layout, const ExportLook* look, const uint8_t* sheet, const char* path,
                          Arena* scratch)
{
    if (layout->frameCount == 0) return 0;
    uint32_t written = 0;
    if (writePng(layout, sheet, path, scratch)) written |= ExportedPng;
    if (writeJson(layout, look, path, scratch)) written |= ExportedJson;
    if (writeGif(layout, look, sheet, path, scratch)) written |= ExportedGif;
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

uint32_t exportAnimation(SpriteExporter* exporter, const Animation* animation, const ExportLook* look,
                         const char* path, int32_t windowWidth, int32_t windowHeight)
{
    SheetLayout layout = layoutSheet(animation, look->scale, look->width, sheetPixelBudget);
    if (layout.frameCount == 0 || !exporter->sheet.base || !exporter->commands.scratch.base) return 0;
    if (layout.scale != look->scale) logScaleGivenUp(look, &layout);
    bool rendered = renderSheet(exporter, animation, &layout, look);
    gl.glViewport(0, 0, windowWidth, windowHeight);
    if (!rendered)
    {
        logString("Export could not create its framebuffer\n");
        return 0;
    }
    return writeSpriteFiles(&layout, look, exporter->sheet.base, path, &exporter->scratch);
}
