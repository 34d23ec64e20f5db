#include <gtest/gtest.h>
#include <string.h>
#include "platform/os.h"

namespace {

TEST(OsWin32, FileRoundTripAndEndOfFile)
{
    const char* path = "os_round_trip.tmp";
    osDeleteFile(path);
    FileHandle out = osCreateNewForWriting(path);
    ASSERT_NE(out, invalidFile);
    EXPECT_EQ(osCreateNewForWriting(path), invalidFile) << "a second create must not clobber the file";
    uint32_t done = 0;
    EXPECT_TRUE(osWrite(out, "hello", 5, &done));
    EXPECT_EQ(done, 5u);
    EXPECT_TRUE(osFlush(out));
    osClose(out);

    FileHandle in = osOpenForReading(path);
    ASSERT_NE(in, invalidFile);
    uint64_t size = 0;
    EXPECT_TRUE(osFileSize(in, &size));
    EXPECT_EQ(size, 5u);
    char buffer[8] = {};
    EXPECT_TRUE(osSetPosition(in, 1));
    EXPECT_TRUE(osRead(in, buffer, 8, &done));
    EXPECT_EQ(done, 4u);
    EXPECT_STREQ(buffer, "ello");
    EXPECT_TRUE(osRead(in, buffer, 8, &done));
    EXPECT_EQ(done, 0u) << "the end of the file reads as zero bytes";
    osClose(in);
    EXPECT_TRUE(osDeleteFile(path));
}

TEST(OsWin32, MissingFileAndReplace)
{
    EXPECT_EQ(osOpenForReading("no_such_file.anim"), invalidFile);

    const char* a = "os_replace_a.tmp";
    const char* b = "os_replace_b.tmp";
    osDeleteFile(a);
    osDeleteFile(b);
    uint32_t done;
    FileHandle file = osCreateNewForWriting(a);
    osWrite(file, "new", 3, &done);
    osClose(file);
    file = osCreateNewForWriting(b);
    osWrite(file, "old!", 4, &done);
    osClose(file);

    EXPECT_TRUE(osReplaceFile(a, b));
    EXPECT_EQ(osOpenForReading(a), invalidFile);
    FileHandle in = osOpenForReading(b);
    uint64_t size = 0;
    osFileSize(in, &size);
    EXPECT_EQ(size, 3u);
    osClose(in);
    osDeleteFile(b);
}

TEST(OsWin32, CounterAdvances)
{
    EXPECT_GT(osCounterFrequency(), 0u);
    uint64_t first = osCounter();
    EXPECT_GE(osCounter(), first);
}

} // namespace

namespace {

TEST(OsWin32, TypedAnsiTextBecomesUtf8)
{
    const uint8_t name[] = {'h', 0xE9, 'l', 'l', 'o'};
    uint8_t out[16] = {};
    ASSERT_EQ(osAnsiToUtf8(name, 5, out, sizeof out), 6u);
    EXPECT_EQ(memcmp(out, "h\xC3\xA9llo", 6), 0);
    EXPECT_EQ(osAnsiToUtf8(name, 5, out, 5), 0u) << "a result that does not fit is refused";
}

} // namespace
