#include <gtest/gtest.h>
#include "app/scenery.h"
#include "line_batch_fixture.h"

namespace {

struct Segment
{
    float x0, y0, x1, y1;
};

const Segment room[24] = {
    {100, 200, 105, 200}, {130, 200, 145, 200}, {165, 200, 195, 200}, {210, 200, 310, 200},
    {325, 200, 355, 200}, {375, 200, 390, 200}, {410, 200, 415, 200}, {710, 200, 715, 200},
    {740, 200, 755, 200}, {775, 200, 805, 200}, {820, 200, 920, 200}, {935, 200, 965, 200},
    {985, 200, 1000, 200}, {1020, 200, 1025, 200}, {850, 200, 850, 400}, {850, 400, 900, 400},
    {890, 400, 890, 200}, {900, 400, 900, 200}, {850, 200, 900, 200}, {875, 302.5f, 875, 297.5f},
    {885, 302.5f, 885, 297.5f}, {875, 302.5f, 885, 302.5f}, {875, 297.5f, 885, 297.5f}, {895, 302.5f, 895, 297.5f},
};

struct Scenery : testing::Test, LineBatchFixture
{
    uint8_t sceneryMemory[1024] = {};
    Arena scenery = {sizeof sceneryMemory, 0, sceneryMemory};
};

TEST_F(Scenery, BuildsAndDrawsTheTwentyFourSegmentsInStorageOrder)
{
    buildScenery(&scenery);
    ASSERT_EQ(scenery.used, 484u);
    drawScenery(&scenery, &lines);
    ASSERT_EQ(lines.drawCount, 24u);
    for (uint32_t i = 0; i < 24; ++i)
    {
        std::vector<Vec2> points = pointsOf(i);
        ASSERT_EQ(points.size(), 2u);
        EXPECT_TRUE(sameColor(draw(i).color, colorWhite));
        const float drawn[4] = {points[0].x, points[0].y, points[1].x, points[1].y};
        const float expected[4] = {room[i].x0, room[i].y0, room[i].x1, room[i].y1};
        EXPECT_EQ(memcmp(drawn, expected, sizeof drawn), 0) << "segment " << i + 1;
    }
}

TEST_F(Scenery, NeverReadsOrWritesPastItsArena)
{
    // A count promising more polylines, and points, than the layout holds:
    // a 3-point strip is drawn, the 40-point one is not.
    const uint32_t layout[] = {5, 3, 0, 0, 0x3f800000, 0x3f800000, 0x40000000, 0, 40, 0};
    memcpy(sceneryMemory, layout, sizeof layout);
    scenery.used = sizeof layout;
    drawScenery(&scenery, &lines);
    ASSERT_EQ(lines.drawCount, 1u);
    EXPECT_EQ(pointsOf(0)[2].x, 2.0f);

    Arena small = {483, 0, sceneryMemory};
    buildScenery(&small);
    EXPECT_EQ(small.used, 0u) << "no room for the whole room: nothing";
    drawScenery(&small, &lines);
    EXPECT_EQ(lines.drawCount, 1u);
}

} // namespace
