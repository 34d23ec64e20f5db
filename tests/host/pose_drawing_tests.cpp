#include <gtest/gtest.h>
#include "character/pose.h"
#include "line_batch_fixture.h"

namespace {

struct PoseDrawing : testing::Test, LineBatchFixture
{
};

// Every point distinct, so a missing or extra closing point shows.
Pose distinctPose()
{
    Pose pose;
    for (int i = 0; i < 28; ++i) pose.points[i] = {(float)i, (float)(100 + i)};
    return pose;
}

TEST(TransformPoints, ScalesThenMirrorsThenOffsetsAndWorksInPlace)
{
    Vec2 points[3] = {{10, 20}, {-3, 0.5f}, {7, 7}};
    transformPoints(points, points, 2, Vec2{1, 2}, 4.0f, -1.0f);
    EXPECT_EQ(points[0].x, -39.0f);
    EXPECT_EQ(points[0].y, 82.0f);
    EXPECT_EQ(points[1].x, 13.0f);
    EXPECT_EQ(points[1].y, 4.0f);
    EXPECT_EQ(points[2].x, 7.0f) << "wrote past count";

    transformPoints(points, points, 0, Vec2{5, 5}, 2.0f, 1.0f);
    EXPECT_EQ(points[0].x, -39.0f) << "count 0 must write nothing";

    Vec2 odd[2] = {{1.5f, -2.25f}, {1e-30f, 3e30f}};
    Vec2 before[2];
    memcpy(before, odd, sizeof odd);
    transformPoints(odd, odd, 2, Vec2{0, 0}, 1.0f, 1.0f);
    EXPECT_EQ(memcmp(odd, before, sizeof odd), 0);
}

TEST_F(PoseDrawing, FourWhiteStripsWithOnlyTheHeadClosed)
{
    Pose pose = distinctPose();
    drawPose(&lines, &pose, Vec2{300, 200}, 1.0f);

    ASSERT_EQ(lines.drawCount, 4u);
    const uint32_t counts[4] = {7, 4, 9, 9};
    uint32_t vertices = 0;
    for (uint32_t d = 0; d < 4; ++d)
    {
        EXPECT_EQ(draw(d).count, counts[d]);
        EXPECT_TRUE(sameColor(draw(d).color, colorWhite));
        vertices += draw(d).count;
    }
    EXPECT_EQ(vertices, 29u);

    std::vector<Vec2> head = pointsOf(0);
    EXPECT_EQ(head[6].x, head[0].x);
    EXPECT_EQ(head[6].y, head[0].y);
    for (uint32_t d = 1; d < 4; ++d)
    {
        std::vector<Vec2> strip = pointsOf(d);
        EXPECT_NE(strip.front().x, strip.back().x) << "polyline " << d << " must stay open";
    }

    // Each strip continues the pose in order: point i lands at (i + 300, 100 + i + 200).
    const uint32_t firstPoint[4] = {0, 6, 10, 19};
    for (uint32_t d = 0; d < 4; ++d)
        for (uint32_t i = 0; i < polylineCounts[d]; ++i)
        {
            Vec2 p = pointsOf(d)[i];
            EXPECT_EQ(p.x, 300.0f + (float)(firstPoint[d] + i));
            EXPECT_EQ(p.y, 300.0f + (float)(firstPoint[d] + i));
        }
}

TEST_F(PoseDrawing, FacingLeftMirrorsAboutThePosition)
{
    Pose pose = {};
    pose.points[0] = {10, 20};
    drawPose(&lines, &pose, Vec2{100, 50}, -1.0f);
    EXPECT_EQ(pointsOf(0)[0].x, 90.0f);
    EXPECT_EQ(pointsOf(0)[0].y, 70.0f);
}

TEST_F(PoseDrawing, AnAllZeroPoseStillDrawsTwentyNineVerticesAtThePosition)
{
    Pose pose = {};
    drawPose(&lines, &pose, Vec2{42, 7}, 1.0f);
    ASSERT_EQ(lines.drawCount, 4u);
    EXPECT_EQ(lines.vertexData.used, 29 * sizeof(Vec2));
    for (uint32_t d = 0; d < 4; ++d)
        for (Vec2 p : pointsOf(d))
        {
            EXPECT_EQ(p.x, 42.0f);
            EXPECT_EQ(p.y, 7.0f);
        }
}

} // namespace
