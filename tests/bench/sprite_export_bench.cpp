// Encoding an export from memory: a sheet of 32 cells of 256 x 256 (8 x 4,
// 2048 x 1024) as a PNG, and the 32 cells as GIF images. Each cell holds a
// frame of the default walk cycle, drawn as one-pixel white lines.
#include <benchmark/benchmark.h>
#include <math.h>
#include <fstream>
#include <vector>
#include "character/pose.h"
#include "export/gif_writer.h"
#include "export/png_writer.h"

namespace {

const uint32_t cell = 256;
const uint32_t columns = 8;
const uint32_t frames = 32;
const uint32_t sheetWidth = columns * cell;
const uint32_t sheetHeight = frames / columns * cell;

void plot(std::vector<uint8_t>& sheet, int x, int y)
{
    if (x < 0 || y < 0 || x >= (int)sheetWidth || y >= (int)sheetHeight) return;
    for (int c = 0; c < 4; ++c) sheet[4 * ((size_t)y * sheetWidth + x) + c] = 255;
}

void drawLine(std::vector<uint8_t>& sheet, Vec2 a, Vec2 b)
{
    int steps = (int)fmaxf(fabsf(b.x - a.x), fabsf(b.y - a.y)) + 1;
    for (int i = 0; i <= steps; ++i)
        plot(sheet, (int)(a.x + (b.x - a.x) * i / steps), (int)(a.y + (b.y - a.y) * i / steps));
}

struct WalkSheet
{
    std::vector<uint8_t> sheet = std::vector<uint8_t>(4ull * sheetWidth * sheetHeight, 0);
    std::vector<Pose> poses;

    WalkSheet()
    {
        std::ifstream file(std::string(MARIONETTE_SOURCE_DIR) + "/assets/walk_cycle.anim", std::ios::binary);
        uint32_t count = 0;
        file.read((char*)&count, 4);
        poses.resize(count ? count : 1);
        file.read((char*)poses.data(), (std::streamsize)(poses.size() * sizeof(Pose)));
        for (uint32_t k = 0; k < frames; ++k) drawFrame(poses[k % poses.size()], k);
    }

    // The reference point near the cell's bottom middle; image rows run down.
    void drawFrame(const Pose& pose, uint32_t k)
    {
        float left = (float)(k % columns * cell) + cell / 2.0f;
        float bottom = (float)(k / columns * cell) + cell - 8.0f;
        for (uint32_t line = 0; line < polylineCount; ++line)
        {
            uint32_t first = polylineFirst[line], count = polylineCounts[line];
            for (uint32_t i = 0; i + 1 < count + (line == 0); ++i)
            {
                Vec2 a = pose.points[first + i], b = pose.points[first + (i + 1) % count];
                drawLine(sheet, {left + a.x, bottom - a.y}, {left + b.x, bottom - b.y});
            }
        }
    }
};

void EncodeSheetPngAndGif(benchmark::State& state)
{
    WalkSheet walk;
    uint64_t stride = 4ull * sheetWidth;
    std::vector<uint8_t> memory(pngScratchBound(sheetHeight * (stride + 1), stride));
    Arena scratch = {memory.size(), 0, memory.data()};
    uint64_t pngBytes = 0, gifBytes = 0;
    for (auto _ : state)
    {
        const uint8_t* png = encodePng(&scratch, walk.sheet.data(), sheetWidth, sheetHeight, stride, &pngBytes);
        benchmark::DoNotOptimize(png);
        GifWriter gif = beginGif(&scratch, cell, cell);
        for (uint32_t k = 0; k < frames; ++k)
            addGifImage(&gif, walk.sheet.data() + k / columns * cell * stride + k % columns * cell * 4ull, stride, 15);
        if (!png || !endGif(&gif)) state.SkipWithError("an encoder ran out of room");
        gifBytes = gif.used;
    }
    state.counters["png_bytes"] = (double)pngBytes;
    state.counters["gif_bytes"] = (double)gifBytes;
}
BENCHMARK(EncodeSheetPngAndGif)->Unit(benchmark::kMillisecond);

} // namespace

