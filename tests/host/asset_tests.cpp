#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> fileBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::string assetPath(const char* name) { return std::string(MARIONETTE_SOURCE_DIR) + "/assets/" + name; }

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
    char folder[] = "/tmp/marionette_assets_XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    generate("make_assets", folder);
    generate("make_icon", std::string(folder) + "/marionette.ico");
    for (const char* name : {"character.bin", "idle.anim", "walk_cycle.anim", "jump.anim", "marionette.ico"})
    {
        std::string generated = std::string(folder) + "/" + name;
        EXPECT_EQ(fileBytes(generated), fileBytes(assetPath(name))) << name << ": run the generator into assets/";
        remove(generated.c_str());
    }
    rmdir(folder);
}

} // namespace
