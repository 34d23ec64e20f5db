// An export of the default walk cycle at the default look (scale 2, lines 4
// wide, white), 32 frames: the sheet laid out as the program lays it out,
// each cell holding its frame's smooth thick lines as the GPU draws them,
// then encoded in memory: the PNG sheet, the frame list and the GIF. Drawing
// and reading back the cells is the GPU's part, and writing the files the
// disk's; neither is measured.
#include <benchmark/benchmark.h>
#include <math.h>
#include <fstream>
#include <string>
#include <vector>
#include "export/frame_list.h"
#include "export/gif_writer.h"
#include "character/pose.h"
#include "export/export_look.h"
#include "export/png_writer.h"

namespace {

const uint32_t frames = 32;

float segmentDistance(float px, float py, Vec2 a, Vec2 b)
{
    float dx = b.x - a.x, dy = b.y - a.y;
    float t = fmaxf(0, fminf(1, ((px - a.x) * dx + (py - a.y) * dy) / fmaxf(dx * dx + dy * dy, 1e-12f)));
    return hypotf(px - a.x - dx * t, py - a.y - dy * t);
}

struct WalkSheet
{
    std::vector<Pose> poses;
    Animation animation = {};
    SheetLayout layout = {};
    std::vector<uint8_t> sheet;

    WalkSheet()
    {
        std::ifstream file(std::string(MARIONETTE_SOURCE_DIR) + "/assets/walk_cycle.anim", std::ios::binary);
        uint32_t count = 0;
        file.read((char*)&count, 4);
        std::vector<Pose> loaded(count ? count : 1);
        file.read((char*)loaded.data(), (std::streamsize)(loaded.size() * sizeof(Pose)));
        for (uint32_t k = 0; k < frames; ++k) poses.push_back(loaded[k % loaded.size()]);
        animation = {frames, poses.data()};
        layout = layoutSheet(&animation, defaultExportLook.scale, defaultExportLook.width, sheetPixelBudget);
        sheet.assign(4ull * layout.sheetWidth * layout.sheetHeight, 0);
        for (uint32_t k = 0; k < frames; ++k) drawFrame(k);
    }

    void drawFrame(uint32_t k)
    {
        uint32_t left = 0, top = 0;
        cellCorner(&layout, k, &left, &top);
        float s = (float)layout.scale, r = layout.lineWidth / 2.0f;
        for (uint32_t y = 0; y < layout.cellHeight; ++y)
            for (uint32_t x = 0; x < layout.cellWidth; ++x)
            {
                float px = (x + 0.5f - layout.originX) / s, py = (layout.cellHeight - y - 0.5f - layout.originY) / s;
                float nearest = INFINITY;
                for (uint32_t line = 0; line < polylineCount; ++line)
                {
                    uint32_t first = polylineFirst[line], count = polylineCounts[line];
                    for (uint32_t i = 0; i + 1 < count + (line == 0); ++i)
                        nearest = fminf(nearest, segmentDistance(px, py, poses[k].points[first + i],
                                                                 poses[k].points[first + (i + 1) % count]));
                }
                float cover = fmaxf(0, fminf(1, r + 0.5f - nearest * s));
                uint8_t* pixel = &sheet[4 * ((uint64_t)(top + y) * layout.sheetWidth + left + x)];
                pixel[0] = pixel[1] = pixel[2] = 255;
                pixel[3] = (uint8_t)lroundf(255 * cover);
            }
    }
};

void EncodeWalkCycleAtTheDefaults(benchmark::State& state)
{
    static WalkSheet walk;
    const SheetLayout& l = walk.layout;
    uint64_t stride = 4ull * l.sheetWidth;
    std::vector<uint8_t> memory(pngScratchBound(l.sheetHeight * (stride + 1), stride));
    Arena scratch = {memory.size(), 0, memory.data()};
    uint64_t pngBytes = 0, gifBytes = 0;
    for (auto _ : state)
    {
        bool encoded = encodePng(&scratch, walk.sheet.data(), l.sheetWidth, l.sheetHeight, stride, &pngBytes);
        scratch.used = 0;
        encoded = encoded && writeSpriteJson(&l, &defaultExportLook, "walk", (char*)scratch.base, scratch.capacity);
        GifWriter gif = beginGif(&scratch, l.cellWidth, l.cellHeight, false);
        for (uint32_t k = 0; k < frames; ++k)
        {
            uint32_t x = 0, y = 0;
            cellCorner(&l, k, &x, &y);
            addGifImage(&gif, walk.sheet.data() + y * stride + x * 4ull, stride, 15);
        }
        if (!encoded || !endGif(&gif)) state.SkipWithError("an encoder ran out of room");
        gifBytes = gif.used;
    }
    state.counters["sheet_width"] = l.sheetWidth;
    state.counters["sheet_height"] = l.sheetHeight;
    state.counters["png_bytes"] = (double)pngBytes;
    state.counters["gif_bytes"] = (double)gifBytes;
}
BENCHMARK(EncodeWalkCycleAtTheDefaults)->Unit(benchmark::kMillisecond);

} // namespace
