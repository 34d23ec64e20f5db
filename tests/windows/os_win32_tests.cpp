#include <gtest/gtest.h>
#include <string.h>
#include <filesystem>
#include <fstream>
#include <string>
#include "app/animation_files.h"
#include "character/pose.h"
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
    EXPECT_TRUE(osWrite(file, text, (uint32_t)strlen(text), &done) && done == strlen(text));
    EXPECT_TRUE(osFlush(file));
    osClose(file);
}

TEST(OsWin32, FilesAreCreatedNewReadToTheirEndAndReplaced)
{
    EXPECT_EQ(osOpenForReading("no_such_file.anim"), invalidFile);
    writeNew("os_new.tmp", "new");
    writeNew("os_old.tmp", "hello");
    FileHandle in = osOpenForReading("os_old.tmp");
    ASSERT_NE(in, invalidFile);
    uint64_t size = 0;
    EXPECT_TRUE(osFileSize(in, &size) && size == 5u) << size;
    char buffer[8] = {};
    uint32_t done = 0;
    EXPECT_TRUE(osSetPosition(in, 1));
    EXPECT_TRUE(osRead(in, buffer, 8, &done) && done == 4u && strcmp(buffer, "ello") == 0) << buffer;
    EXPECT_TRUE(osRead(in, buffer, 8, &done) && done == 0u) << "the end of the file reads as zero bytes";
    osClose(in);
    EXPECT_TRUE(osReplaceFile("os_new.tmp", "os_old.tmp"));
    EXPECT_EQ(osOpenForReading("os_new.tmp"), invalidFile) << "replacing moves the new file over the old";
    EXPECT_TRUE(osDeleteFile("os_old.tmp"));
}

TEST(OsWin32, TypedAnsiTextBecomesUtf8)
{
    const uint8_t name[] = {'h', 0xE9, 'l', 'l', 'o'};
    uint8_t out[16] = {};
    EXPECT_TRUE(osAnsiToUtf8(name, 5, out, sizeof out) == 6 && memcmp(out, "h\xC3\xA9llo", 6) == 0);
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
    EXPECT_TRUE(!osMoveToNewName("os_a.tmp", "os_b.tmp") && osPathExists("os_a.tmp")) << "an existing file is kept";
    EXPECT_TRUE(osDeleteFile("os_b.tmp"));
    EXPECT_TRUE(osMoveToNewName("os_a.tmp", "os_b.tmp") && !osPathExists("os_a.tmp"));
    EXPECT_TRUE(osDeleteFile("os_b.tmp"));

    OsLocalTime now = osLocalTime();
    EXPECT_TRUE(now.year >= 2024 && now.month >= 1 && now.month <= 12 && now.day >= 1 && now.hour < 24) << now.year;

    char folder[512] = {};
    ASSERT_TRUE(osDocumentsSubfolder("Marionette Room", folder, sizeof folder));
    std::string path(folder);
    EXPECT_TRUE(path.substr(path.size() - 17) == "\\Marionette Room\\" && osPathExists(folder)) << path;
    EXPECT_FALSE(osDocumentsSubfolder("Marionette Room", folder, 8)) << "too little room";
}

std::string contents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Saves through the Windows file calls: over a longer file, into a folder,
// over a read-only file, and over one another program holds open without
// sharing, which keeps its old contents until released.
TEST(AnimationFiles, SavesReplaceWholeOrKeepTheOldFile)
{
    std::filesystem::path folder = std::filesystem::temp_directory_path() / "marionette_saves";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder / "folder.anim");
    Pose poses[2] = {};
    Animation animation = {2, poses};
    std::string file = (folder / "held.anim").string(), readOnly = (folder / "ro.anim").string();
    std::ofstream(file, std::ios::binary) << std::string(5000, 'x');
    EXPECT_TRUE(saveAnimationFile(&animation, file.c_str()));
    EXPECT_EQ(contents(file).size(), 4u + 2 * 224) << "an older, longer file is replaced whole";
    EXPECT_FALSE(saveAnimationFile(&animation, (folder / "folder.anim").string().c_str()));
    std::ofstream(readOnly) << "old";
    std::filesystem::permissions(readOnly, std::filesystem::perms::owner_write, std::filesystem::perm_options::remove);
    EXPECT_TRUE(!saveAnimationFile(&animation, readOnly.c_str()) && contents(readOnly) == "old");

    osDeleteFile(file.c_str());
    FileHandle holder = osCreateNewForWriting(file.c_str());
    ASSERT_NE(holder, invalidFile);
    uint32_t done = 0;
    ASSERT_TRUE(osWrite(holder, "old", 3, &done));
    EXPECT_FALSE(saveAnimationFile(&animation, file.c_str()));
    osClose(holder);
    EXPECT_EQ(contents(file), "old");
    EXPECT_TRUE(saveAnimationFile(&animation, file.c_str())) << "once released the save goes through";
    std::filesystem::permissions(readOnly, std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
    std::filesystem::remove_all(folder);
}

} // namespace
