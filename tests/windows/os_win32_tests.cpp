#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include "platform/os.h"
#include "platform/win32/window_win32.h"

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

// A name's characters are stepped whole: in Shift-JIS the second byte of
// 表 and ソ is a backslash.
TEST(OsWin32, DoubleByteCharactersAreSteppedWhole)
{
    const uint8_t name[] = {'a', 0x95, 0x5C, 0x83, 0x5C, '\\', 'b', 0x95};
    std::string starts;
    for (uint32_t at = 0; at < sizeof name; at = nextCharacterInCodePage(932, name, sizeof name, at))
        starts += std::to_string(at) + " ";
    EXPECT_EQ(starts, "0 1 3 5 6 7 ") << "a lead byte at the very end stands alone";
    EXPECT_EQ(osNextCharacter(name, sizeof name, 1), 2u) << "the Western code page has single bytes";
}

// What the autosave relies on: no name is taken twice, the local time, and
// a Documents subfolder made on demand.
TEST(OsWin32, AutosaveServices)
{
    writeNew("os_a.tmp", "a");
    writeNew("os_b.tmp", "b");
    EXPECT_FALSE(osMoveToNewName("os_a.tmp", "os_b.tmp")) << "an existing file is never replaced";
    EXPECT_TRUE(osPathExists("os_a.tmp"));
    EXPECT_TRUE(osDeleteFile("os_b.tmp"));
    EXPECT_TRUE(osMoveToNewName("os_a.tmp", "os_b.tmp"));
    EXPECT_FALSE(osPathExists("os_a.tmp"));
    EXPECT_TRUE(osDeleteFile("os_b.tmp"));

    OsLocalTime now = osLocalTime();
    EXPECT_TRUE(now.year >= 2024 && now.month >= 1 && now.month <= 12 && now.day >= 1 && now.hour < 24) << now.year;

    char folder[512] = {};
    ASSERT_TRUE(osDocumentsSubfolder("Marionette Room", folder, sizeof folder));
    std::string path(folder);
    EXPECT_EQ(path.substr(path.size() - 17), "\\Marionette Room\\");
    EXPECT_TRUE(osPathExists(folder));
    EXPECT_FALSE(osDocumentsSubfolder("Marionette Room", folder, 8)) << "too little room";
}

} // namespace
