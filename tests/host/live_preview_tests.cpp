#include <math.h>
#include "character/frame_strip.h"
#include "character/live_preview.h"
#include "line_batch_fixture.h"
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

struct PreviewDrawing : testing::Test, LineBatchFixture
{
    Pose poses[3] = {};
    Animation animation = {3, poses};
    LivePreviewState preview = {1, 0, 0};
    const float inset[4] = {1070, 510, 1270, 710};

    void redraw()
    {
        resetBatch(&lines);
        drawPreview(&preview, &animation, inset, &lines);
    }

    std::vector<Vec2> pointsOf(uint32_t d) const
    {
        const Draw& draw = drawAt(lines, d);
        return std::vector<Vec2>((const Vec2*)draw.points, (const Vec2*)draw.points + draw.count);
    }

    // Across the pose's strips (the inset's frame is draw 0).
    float drawnWidth() const
    {
        float lo = 1e9f, hi = -1e9f;
        for (uint32_t d = 1; d < lines.drawCount; ++d)
            for (Vec2 p : pointsOf(d))
            {
                lo = fminf(lo, p.x);
                hi = fmaxf(hi, p.x);
            }
        return hi - lo;
    }

    bool allInside() const
    {
        for (uint32_t d = 0; d < lines.drawCount; ++d)
            for (Vec2 p : pointsOf(d))
                if (!(p.x >= inset[0] && p.x <= inset[2] && p.y >= inset[1] && p.y <= inset[3])) return false;
        return true;
    }
};

TEST_F(PreviewDrawing, ShowsTheCurrentFrameAsItIsNowScaledSoThatEveryFrameFits)
{
    // Frame f spans 27 (f + 1) across; its leftmost and lowest points are not its first.
    for (uint32_t f = 0; f < 3; ++f)
        for (uint32_t i = 0; i < 28; ++i)
            poses[f].points[i] = {(float)((i + 14) % 28) * (f + 1.0f), (float)((i + 7) % 28)};
    redraw();
    ASSERT_EQ(lines.drawCount, 5u) << "the frame, then the pose's four strips";
    EXPECT_TRUE(sameColor(drawAt(lines, 0).color, colorGrey50));
    EXPECT_TRUE(allInside());
    float widthOfFrame0 = drawnWidth();

    poses[0].points[13].x += 27.0f; // an edit to the shown frame shows at once
    redraw();
    EXPECT_GT(drawnWidth(), widthOfFrame0);
    EXPECT_TRUE(allInside());

    preview.frame = 2;
    redraw();
    EXPECT_TRUE(allInside());
    EXPECT_NEAR(drawnWidth(), inset[2] - inset[0] - 20.0f, 0.5f) << "the widest frame fills the inset";

    // Degenerate frames (all at one point) still draw, finite and inside.
    for (Pose& pose : poses)
        for (Vec2& p : pose.points) p = {0, 0};
    redraw();
    EXPECT_EQ(lines.drawCount, 5u);
    EXPECT_TRUE(allInside());
}

} // namespace
