#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "app/arena.h"
#include "platform/log.h"

namespace {

TEST(Arena, PushCarveGiveBackAndRefuse)
{
    uint8_t memory[64];
    Arena arena = {sizeof memory, 0, memory};
    EXPECT_EQ(pushBytes(&arena, 0), memory);
    EXPECT_EQ(arena.used, 0u);

    pushBytes(&arena, 10);
    Arena child = subArena(&arena, 20);
    EXPECT_EQ(child.base, memory + 10);
    EXPECT_EQ((std::vector<uint64_t>{child.capacity, child.used, arena.used}), (std::vector<uint64_t>{20, 0, 30}));

    void* last = pushBytes(&arena, 8);
    popBytes(&arena, 8);
    EXPECT_EQ(pushBytes(&arena, 8), last);
    Arena copy = arena;
    popBytes(&copy, 39);
    EXPECT_EQ(copy.used, 0u) << "never below 0";

    // 38 of 64 bytes used: whatever would pass the end is refused and changes nothing.
    EXPECT_EQ(pushBytes(&arena, 27), nullptr);
    EXPECT_EQ(pushBytes(&arena, UINT64_MAX), nullptr);
    EXPECT_EQ(subArena(&arena, 27).base, nullptr);
    EXPECT_EQ(arena.used, 38u);
    EXPECT_EQ(pushBytes(&arena, 26), memory + 38) << "filling it exactly is allowed";
}

std::string liveLog(uint64_t from = 0)
{
    return std::string((const char*)globalLog.data + from, globalLog.used - from);
}

std::string afterLive()
{
    return std::string((const char*)globalLog.data + globalLog.used, 14);
}

// Texts are in every session transcript; numbers of every sign and size are here.
TEST(Log, AppendsNumbersBeforeOneEndMarker)
{
    const struct { int32_t value; const char* text; } numbers[] = {
        {0, "0"}, {-45, "-45"}, {2147483647, "2147483647"}, {INT32_MIN, "-2147483648"}};
    for (const auto& n : numbers)
    {
        uint64_t start = globalLog.used;
        logNumber(n.value);
        EXPECT_EQ(liveLog(start), n.text);
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

    // Numbers start over whenever fewer than 46 bytes are free, whatever their length.
    globalLog.used = globalLog.capacity - 47;
    logNumber(7);
    EXPECT_EQ(globalLog.used, globalLog.capacity - 46);
    logNumber(7);
    EXPECT_EQ(liveLog(), "## Log overflowed ##\n7");

    // A text longer than the whole log is cut to what fits.
    std::string huge(globalLog.capacity + 100, 'x');
    logString(huge.c_str());
    EXPECT_EQ(globalLog.used, globalLog.capacity - 14 - 1);
    EXPECT_EQ(afterLive(), "## Log end ##\n");
    globalLog.used = 0;
}

} // namespace
