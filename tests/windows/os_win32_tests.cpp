#include <gtest/gtest.h>
#include <string.h>
#include "platform/os.h"

namespace {

void writeNew(const char* path, const char* text)
{
    osDeleteFile(path);
    FileHandle file = osCreateNewForWriting(path);
    ASSERT_NE(file, invalidFile);
    EXPECT_EQ(osCreateNewForWriting(path), invalidFile) << "a second create must not clobber the file";
    uint32_t done = 0;
    EXPECT_TRUE(osWrite(file, text, (uint32_t)strlen(text), &done));
    EXPECT_EQ(done, strlen(text));
    EXPECT_TRUE(osFlush(file));
    osClose(file);
}

// The saves through these calls are checked with the animation files.
TEST(OsWin32, FilesAreCreatedNewReadToTheirEndAndReplaced)
{
    EXPECT_EQ(osOpenForReading("no_such_file.anim"), invalidFile);
    writeNew("os_new.tmp", "new");
    writeNew("os_old.tmp", "hello");
    FileHandle in = osOpenForReading("os_old.tmp");
    ASSERT_NE(in, invalidFile);
    uint64_t size = 0;
    EXPECT_TRUE(osFileSize(in, &size));
    EXPECT_EQ(size, 5u);
    char buffer[8] = {};
    uint32_t done = 0;
    EXPECT_TRUE(osSetPosition(in, 1));
    EXPECT_TRUE(osRead(in, buffer, 8, &done));
    EXPECT_EQ(done, 4u);
    EXPECT_STREQ(buffer, "ello");
    EXPECT_TRUE(osRead(in, buffer, 8, &done));
    EXPECT_EQ(done, 0u) << "the end of the file reads as zero bytes";
    osClose(in);
    EXPECT_TRUE(osReplaceFile("os_new.tmp", "os_old.tmp"));
    EXPECT_EQ(osOpenForReading("os_new.tmp"), invalidFile) << "replacing moves the new file over the old";
    EXPECT_TRUE(osDeleteFile("os_old.tmp"));
}

TEST(OsWin32, TypedAnsiTextBecomesUtf8)
{
    const uint8_t name[] = {'h', 0xE9, 'l', 'l', 'o'};
    uint8_t out[16] = {};
    ASSERT_EQ(osAnsiToUtf8(name, 5, out, sizeof out), 6u);
    EXPECT_EQ(memcmp(out, "h\xC3\xA9llo", 6), 0);
    EXPECT_EQ(osAnsiToUtf8(name, 5, out, 5), 0u) << "a result that does not fit is refused";
}

} // namespace
