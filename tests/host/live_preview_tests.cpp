#include <math.h>
#include "character/frame_strip.h"
#include "character/live_preview.h"
#include <gtest/gtest.h>

namespace {

TEST(LivePreview, StepsOneFramePerPeriodAtMostOnePerCallAndFollowsTheFrameCount)
{
    struct Step
    {
        uint32_t frameCount;
        float deltaTime;
        uint32_t frameAfter;
    };
    // Three frames; a long step, a negative, a NaN and an endless one; then the
    // last frame deleted while the preview stands on it.
    const Step steps[] = {
        {3, 0.1f, 0},  {3, 0.1f, 1}, {3, 0.06f, 1}, {3, 0.06f, 2},       {3, 0.2f, 0},  {3, 5.0f, 1},
        {3, -1.0f, 1}, {3, NAN, 1},  {3, INFINITY, 2}, {2, 0.01f, 0}, {0, 0.2f, 0},
    };
    LivePreviewState preview = {};
    int i = 0;
    for (const Step& step : steps)
    {
        advancePreview(&preview, step.frameCount, step.deltaTime);
        EXPECT_EQ(preview.frame, step.frameAfter) << "step " << i;
        EXPECT_TRUE(preview.timer >= 0.0f && preview.timer <= previewFramePeriod) << "step " << i;
        ++i;
    }
}

TEST(LivePreview, InsetSitsAtTheTopRightClearOfTheStripAndButtonsOrNotAtAll)
{
    struct Case
    {
        float width, height;
        uint32_t frames;
        bool fits;
    };
    const Case cases[] = {
        {1280, 720, 32, true}, {1000, 600, 32, true}, {1280, 720, 1, true},
        {900, 720, 32, false}, {400, 300, 1, false},  {1280, 200, 1, false}, {0, 0, 1, false},
    };
    for (const Case& c : cases)
    {
        float inset[4];
        bool fits = previewInset(inset, c.width, c.height, frameStripRight(c.frames));
        EXPECT_EQ(fits, c.fits) << c.width << "x" << c.height;
        if (!fits) continue;
        EXPECT_GT(inset[0], frameStripRight(c.frames)) << "right of the strip";
        EXPECT_GT(inset[0], 105.0f) << "right of the polyline buttons";
        EXPECT_LE(inset[2], c.width);
        EXPECT_LE(inset[3], c.height);
        EXPECT_LT(inset[1], inset[3]);
    }
}

} // namespace
