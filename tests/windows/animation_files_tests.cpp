#include <gtest/gtest.h>
#include <filesystem>
#include <fstream>
#include <string>
#include "app/animation_files.h"
#include "character/pose.h"
#include "platform/os.h"

namespace {

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
    EXPECT_FALSE(saveAnimationFile(&animation, readOnly.c_str()));
    EXPECT_EQ(contents(readOnly), "old");

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
