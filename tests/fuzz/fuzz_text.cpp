// Measures and lays out arbitrary bytes as UTF-8 text with a real font, and
// checks that layout stays inside its areas and produces finite geometry.
#include <math.h>
#include <stdlib.h>
#include <string.h>
#include <vector>
#include "app/arena.h"
#include "platform/os.h"
#include "text/font_atlas.h"
#include "text/text_layout.h"

static const FontAtlas* sharedAtlas()
{
    static FontAtlas atlas;
    static bool built;
    if (!built)
    {
        uint64_t size = 5u << 20;
        Arena arena = {size, 0, (uint8_t*)osReserveMemory(size)};
        uint32_t ok = buildFontAtlas(&arena, "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", 24);
        atlas = fontAtlasFromArena(arena, ok);
        built = true;
    }
    return &atlas;
}

static void check(const FontAtlas* atlas, const uint8_t* text, uint32_t length, float size)
{
    float width = 0, height = 0, depth = 0;
    measureText(atlas, text, length, size, &width, &height, &depth);
    if (!isfinite(width) || !isfinite(height) || !isfinite(depth) || width < 0) abort();

    // Exactly the room the layout contract asks for, so ASan sees any overrun.
    std::vector<float> vertices((size_t)length * 4 * 8);
    std::vector<uint32_t> indices((size_t)length * 5);
    Color white = {1, 1, 1, 1};
    uint32_t quads = layoutText(text, length, 10, 10, size, atlas, vertices.data(), indices.data(), 0, white);
    if (quads > length) abort();
    for (size_t i = 0; i < (size_t)quads * 4 * 8; ++i)
    {
        if (!isfinite(vertices[i])) abort();
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 4096) return 0;
    // The text is copied so that reading one byte past it is caught.
    std::vector<uint8_t> text(data, data + size);
    check(sharedAtlas(), text.data(), (uint32_t)size, 24);
    check(sharedAtlas(), text.data(), (uint32_t)size, 7.5f);
    FontAtlas failed = fontAtlasFromArena(Arena{}, 0);
    check(&failed, text.data(), (uint32_t)size, 24);
    return 0;
}
