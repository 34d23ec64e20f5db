#include <math.h>
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

} // namespace
