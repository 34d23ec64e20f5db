#include <math.h>
#include <vector>
#include "character/live_preview.h"
#include <gtest/gtest.h>

namespace {

TEST(LivePreview, StepsOneFramePerPeriodAtMostOnePerCallAndFollowsTheFrameCount)
{
    // Frame count, time step and the frame after it. Three frames; a long
    // step, a negative, a NaN and an endless one; then the last frame deleted
    // while the preview stands on it.
    const float steps[][3] = {
        {3, 0.1f, 0},  {3, 0.1f, 1}, {3, 0.06f, 1},    {3, 0.06f, 2},  {3, 0.2f, 0},  {3, 5.0f, 1},
        {3, -1.0f, 1}, {3, NAN, 1},  {3, INFINITY, 2}, {2, 0.01f, 0}, {0, 0.2f, 0},
    };
    LivePreviewState preview = {};
    for (const auto& step : steps)
    {
        advancePreview(&preview, (uint32_t)step[0], step[1]);
        EXPECT_EQ(preview.frame, (uint32_t)step[2]) << "step " << &step - steps;
        EXPECT_TRUE(preview.timer >= 0.0f && preview.timer <= previewFramePeriod) << "step " << &step - steps;
    }
}

// The inset fills the bottom right corner, 10 in from the edges, when it
// clears the button column or the frame strip, whichever reaches further, and
// the bottom row, by 10; otherwise there is no room for it.
TEST(LivePreview, InsetShowsOnlyWhereItClearsTheStripAndTheBottomRow)
{
    const struct { float width, height, stripRight; bool shown; } cases[] = {
        {420, 250, 0, true}, {419, 250, 0, false}, {420, 249, 0, false}, {520, 250, 300, true}, {519, 250, 300, false},
    };
    for (const auto& c : cases)
    {
        float inset[4];
        EXPECT_EQ(previewInset(inset, c.width, c.height, c.stripRight), c.shown) << c.width << " " << c.stripRight;
        EXPECT_EQ(std::vector<float>(inset, inset + 4),
                  (std::vector<float>{c.width - 210, c.height - 210, c.width - 10, c.height - 10}));
    }
}

} // namespace
