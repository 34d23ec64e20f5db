#include <benchmark/benchmark.h>
#include <stb_truetype.h>
#include <string.h>
#include <vector>
#include "app/file_reading.h"
#include "platform/os.h"
#include "text/font_atlas.h"
#include "text/text_layout.h"

namespace {

const char* const fontPath = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
const uint64_t fontArenaSize = 5242880;
const uint32_t pixelHeight = 24;

struct FontArena
{
    Arena arena;
    FontArena() : arena{fontArenaSize, 0, (uint8_t*)osReserveMemory(fontArenaSize)} {}
    ~FontArena() { osReleaseMemory(arena.base, fontArenaSize); }
};

void BM_BuildFontAtlas(benchmark::State& state)
{
    FontArena font;
    for (auto _ : state)
    {
        font.arena.used = 0;
        if (!buildFontAtlas(&font.arena, fontPath, pixelHeight)) state.SkipWithError("the font did not load");
        benchmark::DoNotOptimize(font.arena.base);
    }
}
BENCHMARK(BM_BuildFontAtlas)->Unit(benchmark::kMicrosecond);

// The atlas's character set as runs of consecutive code points, since
// stbtt_BakeFontBitmap takes one run per call.
struct Run
{
    int first;
    int count;
};

std::vector<Run> characterSetRuns()
{
    FontArena font;
    FontAtlas atlas = fontAtlasFromArena(font.arena, buildFontAtlas(&font.arena, fontPath, pixelHeight));
    std::vector<Run> runs;
    for (uint32_t i = 0; atlas.header && i < atlas.header->glyphCount; ++i)
    {
        int codepoint = (int)atlas.codepoints[i];
        if (!runs.empty() && runs.back().first + runs.back().count == codepoint) runs.back().count++;
        else runs.push_back({codepoint, 1});
    }
    return runs;
}

// stb_truetype's simplest baker on the same 192 code points and height. Each
// run gets the rows the previous one left free; reading the file is timed too,
// as buildFontAtlas reads it.
void BM_StbBakeFontBitmap(benchmark::State& state)
{
    const int width = 512, height = 512;
    std::vector<Run> runs = characterSetRuns();
    std::vector<uint8_t> pixels(width * height);
    stbtt_bakedchar baked[192];
    for (auto _ : state)
    {
        Arena file = readWholeFile(fontPath, false);
        int top = 0;
        stbtt_bakedchar* out = baked;
        for (const Run& run : runs)
        {
            // Rows for this run: one 26-pixel shelf per ~16 glyphs, so the
            // baker clears little more than it fills.
            int rows = 30 * (1 + run.count / 16);
            int bottom = stbtt_BakeFontBitmap(file.base, 0, (float)pixelHeight, pixels.data() + top * width, width,
                                              rows, run.first, run.count, out);
            if (bottom <= 0) state.SkipWithError("a run did not fit");
            top += bottom;
            out += run.count;
        }
        osReleaseMemory(file.base, file.capacity);
        benchmark::DoNotOptimize(pixels.data());
    }
    state.counters["runs"] = (double)runs.size();
}
BENCHMARK(BM_StbBakeFontBitmap)->Unit(benchmark::kMicrosecond);

void BM_LayoutTextPerGlyph(benchmark::State& state)
{
    FontArena font;
    FontAtlas atlas = fontAtlasFromArena(font.arena, buildFontAtlas(&font.arena, fontPath, pixelHeight));
    const char* line = "The quick brown fox jumps over the lazy dog: AVAWATYa, \xC3\xA9t\xC3\xA9 \xE2\x82\xAC" "42\n";
    std::vector<uint8_t> text;
    for (int i = 0; i < 8; ++i) text.insert(text.end(), line, line + strlen(line));
    uint32_t length = (uint32_t)text.size();
    std::vector<float> vertices(length * 4 * 8);
    std::vector<uint32_t> indices(length * 5);
    uint32_t quads = 0;
    for (auto _ : state)
    {
        quads = layoutText(text.data(), length, 10, 700, 18, &atlas, vertices.data(), indices.data(), 0, colorWhite);
        benchmark::DoNotOptimize(vertices.data());
    }
    state.counters["glyphs"] = quads;
    state.counters["time_per_glyph"] = benchmark::Counter((double)quads, benchmark::Counter::kIsIterationInvariantRate |
                                                                             benchmark::Counter::kInvert);
}
BENCHMARK(BM_LayoutTextPerGlyph);

} // namespace
