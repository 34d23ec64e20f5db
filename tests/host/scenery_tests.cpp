#include <gtest/gtest.h>
#include "app/scenery.h"
#include "line_batch_fixture.h"

namespace {

struct Scenery : testing::Test, LineBatchFixture
{
    uint8_t sceneryMemory[1024] = {};
    Arena scenery = {484, 0, sceneryMemory}; // room for the room, and no more
};

TEST_F(Scenery, IsTheFloorDashesAndTheDoorAsTwentyFourWhiteSegmentsInOrder)
{
    const std::vector<float> room = {
        100, 200, 105, 200,  130, 200, 145, 200,  165, 200, 195, 200,  210, 200, 310, 200,  325, 200, 355, 200,
        375, 200, 390, 200,  410, 200, 415, 200,  710, 200, 715, 200,  740, 200, 755, 200,  775, 200, 805, 200,
        820, 200, 920, 200,  935, 200, 965, 200,  985, 200, 1000, 200, 1020, 200, 1025, 200, 850, 200, 850, 400,
        850, 400, 900, 400,  890, 400, 890, 200,  900, 400, 900, 200,  850, 200, 900, 200,  875, 302.5f, 875, 297.5f,
        885, 302.5f, 885, 297.5f, 875, 302.5f, 885, 302.5f, 875, 297.5f, 885, 297.5f, 895, 302.5f, 895, 297.5f};
    buildScenery(&scenery);
    EXPECT_EQ(scenery.used, 484u);
    drawScenery(&scenery, &lines);
    EXPECT_EQ(vertices(lines), room);
    std::string segments = "2w";
    for (int i = 1; i < 24; ++i) segments += " 2w";
    EXPECT_EQ(drawList(lines), segments);
}

TEST_F(Scenery, BuildsNothingWithoutRoomAndDrawsOnlyWhatTheBytesWrittenHold)
{
    scenery.used = 1;
    buildScenery(&scenery);
    EXPECT_EQ(scenery.used, 1u) << "no room for the whole room: nothing";

    // Three polylines promised, of one point, two points and none; a fourth follows them.
    const uint32_t layout[] = {3, 1, 0, 0, 2, 0x3f800000, 0, 0x40000000, 0, 0, 0};
    memcpy(sceneryMemory, layout, sizeof layout);
    // Bytes written, then the draws made from them.
    const struct { uint64_t used; const char* drawn; } cases[] = {
        {3, ""}, {15, ""}, {16, "1w"}, {35, "1w"}, {36, "1w 2w"}, {40, "1w 2w 0w"}, {44, "1w 2w 0w"}};
    for (const auto& c : cases)
    {
        scenery.used = c.used;
        resetBatch(&lines);
        drawScenery(&scenery, &lines);
        EXPECT_EQ(drawList(lines), c.drawn) << c.used;
    }
    EXPECT_EQ(vertices(lines, 4, 2), (std::vector<float>{2, 0}));
}

} // namespace
