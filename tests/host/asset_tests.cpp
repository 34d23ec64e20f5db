#include <gtest/gtest.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>
#include "character/pose.h"

namespace {

std::vector<uint8_t> fileBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::string assetPath(const char* name) { return std::string(MARIONETTE_SOURCE_DIR) + "/assets/" + name; }

const char* const assetNames[] = {"character.bin", "idle.anim", "walk_cycle.anim", "jump.anim"};

// The generators are built next to this test program.
std::string toolPath(const char* name)
{
    char self[4096];
    ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) return name;
    std::string path(self, (size_t)length);
    return path.substr(0, path.rfind('/') + 1) + name;
}

TEST(Assets, CommittedFilesAreWhatTheGeneratorWrites)
{
    std::string generator = toolPath("make_assets");
    ASSERT_EQ(access(generator.c_str(), X_OK), 0) << "build make_assets first: " << generator;

    char folder[] = "/tmp/marionette_assets_XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    ASSERT_EQ(system((generator + " " + folder).c_str()), 0);
    for (const char* name : assetNames)
    {
        std::string generated = std::string(folder) + "/" + name;
        EXPECT_EQ(fileBytes(generated), fileBytes(assetPath(name))) << name << ": run make_assets assets";
        remove(generated.c_str());
    }
    rmdir(folder);
}

TEST(Assets, CommittedIconIsWhatTheGeneratorWritesAtEverySize)
{
    std::string generator = toolPath("make_icon");
    ASSERT_EQ(access(generator.c_str(), X_OK), 0) << "build make_icon first: " << generator;
    char path[] = "/tmp/marionette_icon_XXXXXX";
    int descriptor = mkstemp(path);
    ASSERT_GE(descriptor, 0);
    close(descriptor);
    ASSERT_EQ(system((generator + " " + path).c_str()), 0);
    std::vector<uint8_t> icon = fileBytes(path);
    remove(path);
    EXPECT_EQ(icon, fileBytes(assetPath("marionette.ico"))) << "run make_icon assets/marionette.ico";

    // The directory: 16, 32, 48 and 256 (stored as 0) pixels square, 32 bits each.
    const uint8_t sizes[] = {16, 32, 48, 0};
    ASSERT_GE(icon.size(), 6u + 16u * 4u);
    EXPECT_EQ(icon[4], 4);
    for (int i = 0; i < 4; ++i)
    {
        const uint8_t* entry = icon.data() + 6 + 16 * i;
        EXPECT_EQ(entry[0], sizes[i]);
        EXPECT_EQ(entry[1], sizes[i]);
        EXPECT_EQ(entry[6], 32);
    }
}

TEST(Assets, AreWellFormedFiguresThatFitTheRoom)
{
    std::vector<uint8_t> bytes = fileBytes(assetPath("character.bin"));
    ASSERT_EQ(bytes.size(), sizeof(Pose));
    std::vector<Pose> all(1);
    memcpy(&all[0], bytes.data(), sizeof(Pose));
    for (const char* name : {"idle.anim", "walk_cycle.anim", "jump.anim"})
    {
        bytes = fileBytes(assetPath(name));
        uint32_t frames = 0;
        if (bytes.size() >= 4) memcpy(&frames, bytes.data(), 4);
        ASSERT_TRUE(frames >= 1 && frames <= 32) << name;
        ASSERT_EQ(bytes.size(), 4 + sizeof(Pose) * frames) << name;
        all.resize(all.size() + frames);
        memcpy(&all[all.size() - frames], bytes.data() + 4, sizeof(Pose) * frames);
    }
    for (const Pose& pose : all)
        for (Vec2 p : pose.points)
        {
            ASSERT_TRUE(isfinite(p.x) && isfinite(p.y));
            EXPECT_GE(p.y, 0.0f) << "nothing below the floor";
            EXPECT_LT(p.y, 190.0f) << "fits the door frame";
            EXPECT_LT(fabsf(p.x), 100.0f);
        }
}

} // namespace
