#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include <vector>
#include "app/editor_text.h"
#include "render/render_batch.h"
#include "text/font_atlas.h"
#include "text/text_layout.h"

namespace {

TEST(StatusText, NamesFramePolylineSelectionZoomAndTheFileAsThePromptShowsIt)
{
    struct Case
    {
        StatusFacts facts;
        const char* name;
        int32_t modified;
        std::string expected;
    };
    const Case cases[] = {
        {{0, 1, 0, 0, 1.0f, nullptr, 0}, "", 0,
         "frame 1 of 1 \xC2\xB7 head \xC2\xB7 0 selected \xC2\xB7 zoom 1.00 \xC2\xB7 untitled"},
        {{4, 12, 2, 3, 2.5f, nullptr, 0}, "walk.anim", 1,
         "frame 5 of 12 \xC2\xB7 arms \xC2\xB7 3 selected \xC2\xB7 zoom 2.50 \xC2\xB7 walk.anim*"},
        // Typed bytes are the code page's (Latin-1 on the host); a control character shows as U+FFFD.
        {{31, 32, 3, 9, 0.05f, nullptr, 0}, "h\xE9llo\n\tx", 0,
         "frame 32 of 32 \xC2\xB7 legs \xC2\xB7 9 selected \xC2\xB7 zoom 0.05 \xC2\xB7 "
         "h\xC3\xA9llo\xEF\xBF\xBD\xEF\xBF\xBDx"},
        {{0, 2, 1, 0, 1.0e30f, nullptr, 0}, "", 1,
         "frame 1 of 2 \xC2\xB7 spine \xC2\xB7 0 selected \xC2\xB7 zoom 10000000.00 \xC2\xB7 untitled*"},
    };
    for (const Case& c : cases)
    {
        StatusFacts facts = c.facts;
        facts.name = (const uint8_t*)c.name;
        facts.nameLength = (uint32_t)strlen(c.name);
        uint8_t out[statusCapacity];
        uint32_t length = formatStatus(out, &facts, c.modified, nullptr, nullptr);
        EXPECT_EQ(std::string((const char*)out, length), c.expected);
    }
}

// The status line drawn with DejaVu Sans into a text batch of the program's size.
struct StatusLine : testing::Test
{
    std::vector<uint8_t> memory = std::vector<uint8_t>(5 * 1024 * 1024 + 64 * 1024);
    Arena all = {memory.size(), 0, memory.data()};
    Arena fontArena = subArena(&all, 5 * 1024 * 1024);
    Arena batchArena = subArena(&all, 64 * 1024);
    float projection[16] = {};
    RenderBatch text = createRenderBatch(&batchArena, textBatchSize, 0, projection);
    FontAtlas font = {};
    StatusLineState state = {};

    void SetUp() override
    {
        const char* dejaVu = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
        font = fontAtlasFromArena(fontArena, buildFontAtlas(&fontArena, dejaVu, 24));
        ASSERT_NE(font.header, nullptr);
    }

    const TextDraw* drawn() const { return (const TextDraw*)text.draws.base; }
    std::string drawnText() const { return std::string((const char*)drawn()->text.base, drawn()->length); }
    float widthOf(const std::string& s) const
    {
        float width, height;
        measureText(&font, (const uint8_t*)s.data(), (uint32_t)s.size(), 16, &width, &height, nullptr);
        return width;
    }
};

TEST_F(StatusLine, FitsTheRightHalfOfTheWindowCuttingTheNameFromItsFrontThenTheStatusFromItsEnd)
{
    const std::string ellipsis = "\xE2\x80\xA6";
    const std::string longName = std::string(100, 'm') + "_end.anim";
    struct Case
    {
        float width;
        std::string name;
        float zoom;
        const char* starts;
        std::string contains;
        std::string ends;
        int32_t modified;
    };
    // One state through all cases: a change must never show what was fitted before.
    const Case cases[] = {
        {1280, "walk.anim", 1.0f, "frame 1 of 3", "zoom 1.00", "walk.anim", 0},
        {1280, longName, 1.0f, "frame 1 of 3", "zoom 1.00 \xC2\xB7 " + ellipsis, "mmm_end.anim", 0},
        {1280, longName, 2.0f, "frame 1 of 3", "zoom 2.00 \xC2\xB7 " + ellipsis, "mmm_end.anim*", 1},
        {1280, std::string(126, '\xE9'), 2.0f, "frame 1 of 3", ellipsis, "\xC3\xA9\xC3\xA9", 0},
        {1280, "a\nb", 2.0f, "frame 1 of 3", "zoom 2.00", "a\xEF\xBF\xBD" "b", 0},
        {400, "walk.anim", 2.0f, "frame 1", "frame", ellipsis, 0},
        {30, "walk.anim", 2.0f, nullptr, "", "", 0},
        {0, "walk.anim", 2.0f, nullptr, "", "", 0},
    };
    for (const Case& c : cases)
    {
        StatusFacts facts = {0, 3, 1, 2, c.zoom, (const uint8_t*)c.name.data(), (uint32_t)c.name.size()};
        resetBatch(&text);
        drawStatusLine(&state, &text, &font, c.width, &facts, c.modified);
        if (!c.starts)
        {
            EXPECT_EQ(text.drawCount, 0u) << "nothing fits in " << c.width;
            continue;
        }
        ASSERT_EQ(text.drawCount, 1u) << c.width;
        std::string shown = drawnText();
        EXPECT_EQ(shown.rfind(c.starts, 0), 0u) << shown;
        EXPECT_NE(shown.find(c.contains), std::string::npos) << shown;
        EXPECT_EQ(shown.substr(shown.size() - c.ends.size()), c.ends) << shown;
        EXPECT_EQ(shown.find('\n'), std::string::npos);
        float width = widthOf(shown);
        EXPECT_LE(width, c.width * 0.5f - 10.0f) << shown;
        EXPECT_GE(drawn()->x, c.width * 0.5f) << shown;
        EXPECT_FLOAT_EQ(drawn()->x + width, c.width - 10.0f) << "right-aligned";
        EXPECT_GT(drawn()->y, 0.0f);
    }
}

} // namespace
