#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include "app/arena.h"
#include "platform/log.h"

namespace {

Arena arenaOver(uint8_t* memory, uint64_t capacity)
{
    Arena arena = {capacity, 0, memory};
    return arena;
}

TEST(Arena, PushCarveAndGiveBack)
{
    uint8_t memory[64];
    Arena arena = arenaOver(memory, sizeof memory);

    EXPECT_EQ(pushBytes(&arena, 0), memory);
    EXPECT_EQ(arena.used, 0u);

    pushBytes(&arena, 10);
    Arena child = subArena(&arena, 20);
    EXPECT_EQ(child.base, memory + 10);
    EXPECT_EQ(child.capacity, 20u);
    EXPECT_EQ(child.used, 0u);
    EXPECT_EQ(arena.used, 30u);

    void* last = pushBytes(&arena, 8);
    popBytes(&arena, 8);
    EXPECT_EQ(pushBytes(&arena, 8), last);
}

TEST(Arena, RefusesWhatWouldPassCapacity)
{
    uint8_t memory[16];
    Arena arena = arenaOver(memory, sizeof memory);
    pushBytes(&arena, 10);

    EXPECT_EQ(pushBytes(&arena, 7), nullptr);
    EXPECT_EQ(arena.used, 10u);
    EXPECT_EQ(pushBytes(&arena, UINT64_MAX), nullptr);
    EXPECT_EQ(arena.used, 10u);

    Arena child = subArena(&arena, 7);
    EXPECT_EQ(child.base, nullptr);
    EXPECT_EQ(child.capacity, 0u);
    EXPECT_EQ(arena.used, 10u);

    EXPECT_EQ(pushBytes(&arena, 6), memory + 10);
    EXPECT_EQ(arena.used, 16u);
}

std::string liveLog(uint64_t from = 0)
{
    return std::string((const char*)globalLog.data + from, globalLog.used - from);
}

std::string afterLive()
{
    return std::string((const char*)globalLog.data + globalLog.used, 14);
}

TEST(Log, AppendsAndKeepsOneEndMarker)
{
    uint64_t start = globalLog.used;
    logString("alpha ");
    logString("beta");
    EXPECT_EQ(liveLog(start), "alpha beta");
    EXPECT_EQ(afterLive(), "## Log end ##\n");

    uint64_t before = globalLog.used;
    logString("");
    EXPECT_EQ(globalLog.used, before);
    EXPECT_EQ(afterLive(), "## Log end ##\n");
}

TEST(Log, NumbersInDecimal)
{
    const struct { int32_t value; const char* text; } cases[] = {
        {0, "0"}, {-45, "-45"}, {2147483647, "2147483647"}, {INT32_MIN, "-2147483648"}};
    for (const auto& c : cases)
    {
        uint64_t start = globalLog.used;
        logNumber(c.value);
        EXPECT_EQ(liveLog(start), c.text);
        EXPECT_EQ(afterLive(), "## Log end ##\n");
    }
}

TEST(Log, StartsOverWhenATextWouldNotFit)
{
    std::string text65(65, 'a'), text66(66, 'b');

    globalLog.used = 5242800;
    logString(text65.c_str());
    EXPECT_EQ(globalLog.used, 5242865u);

    globalLog.used = 5242800;
    logString(text66.c_str());
    EXPECT_EQ(logOverflowed, 1);
    EXPECT_EQ(globalLog.used, 87u);
    EXPECT_EQ(liveLog(), "## Log overflowed ##\n" + text66);
    EXPECT_EQ(afterLive(), "## Log end ##\n");
}

TEST(Log, NumbersStartOverAt46BytesWhateverTheirLength)
{
    globalLog.used = globalLog.capacity - 46;
    logNumber(7);
    EXPECT_EQ(liveLog(), "## Log overflowed ##\n7");

    globalLog.used = globalLog.capacity - 47;
    logNumber(7);
    EXPECT_EQ(globalLog.used, globalLog.capacity - 46);
}

TEST(Log, ATextLongerThanTheLogIsCutToFit)
{
    std::string huge(globalLog.capacity + 100, 'x');
    logString(huge.c_str());
    EXPECT_EQ(globalLog.used, globalLog.capacity - 14 - 1);
    EXPECT_EQ(afterLive(), "## Log end ##\n");
    globalLog.used = 0;
}

} // namespace
