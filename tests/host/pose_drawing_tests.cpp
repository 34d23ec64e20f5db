#include <gtest/gtest.h>
#include "character/pose.h"
#include "line_batch_fixture.h"

namespace {

struct PoseDrawing : testing::Test, LineBatchFixture
{
};

TEST_F(PoseDrawing, FourWhiteStripsInPoseOrderWithOnlyTheHeadClosed)
{
    // Every point distinct, so a missing or extra closing point shows.
    Pose pose;
    for (int i = 0; i < 28; ++i) pose.points[i] = {(float)i, (float)(100 + i)};
    drawPose(&lines, &pose, Vec2{300, 200}, 1.0f);

    ASSERT_EQ(lines.drawCount, 4u);
    EXPECT_EQ(lines.vertexData.used, 29 * sizeof(Vec2));
    const uint32_t firstPoint[4] = {0, 6, 10, 19};
    for (uint32_t d = 0; d < 4; ++d)
    {
        std::vector<Vec2> strip = pointsOf(d);
        ASSERT_EQ(strip.size(), d == 0 ? 7u : polylineCounts[d]);
        EXPECT_TRUE(sameColor(draw(d).color, colorWhite));
        // Point i lands at (i + 300, 100 + i + 200); the head's seventh vertex is its first.
        for (uint32_t i = 0; i < strip.size(); ++i)
        {
            const float expected = 300.0f + (float)(firstPoint[d] + (d == 0 ? i % 6 : i));
            EXPECT_EQ(strip[i].x, expected) << "polyline " << d << " vertex " << i;
            EXPECT_EQ(strip[i].y, expected) << "polyline " << d << " vertex " << i;
        }
    }
}

TEST_F(PoseDrawing, FacingMirrorsAboutThePosition)
{
    Pose pose = {};
    pose.points[0] = {10, 20};
    for (float facing : {-1.0f, 1.0f})
    {
        resetBatch(&lines);
        drawPose(&lines, &pose, Vec2{100, 50}, facing);
        EXPECT_EQ(pointsOf(0)[0].x, 100.0f + 10.0f * facing);
        EXPECT_EQ(pointsOf(0)[0].y, 70.0f);
    }
}

} // namespace
