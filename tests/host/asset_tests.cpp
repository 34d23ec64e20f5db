#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>
#include <string>
#include "fake_platform.h"

namespace {

// Runs a generator built next to this test program with the output path as argument.
void generate(const char* tool, const std::string& output)
{
    char self[4096] = {};
    ASSERT_GT(readlink("/proc/self/exe", self, sizeof self - 1), 0);
    std::string path = std::string(self).substr(0, std::string(self).rfind('/') + 1) + tool;
    ASSERT_EQ(access(path.c_str(), X_OK), 0) << "build " << tool << " first";
    ASSERT_EQ(system((path + " " + output).c_str()), 0);
}

TEST(Assets, CommittedFilesAreWhatTheGeneratorsWrite)
{
    TempFolder folder;
    const std::string generated = std::string(folder.path) + "/";
    generate("make_assets", generated);
    generate("make_icon", generated + "marionette.ico");
    for (const char* name : {"character.bin", "idle.anim", "walk_cycle.anim", "jump.anim", "marionette.ico"})
        EXPECT_EQ(fileContents(generated + name), fileContents(MARIONETTE_SOURCE_DIR "/assets/" + std::string(name)))
            << name << ": run the generator into assets/";
}

} // namespace
