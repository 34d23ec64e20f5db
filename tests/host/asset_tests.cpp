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

std::string assetPath(const char* name)
{
    return std::string(MARIONETTE_SOURCE_DIR) + "/assets/" + name;
}

// The generator is built next to this test program.
std::string generatorPath()
{
    char self[4096];
    ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) return "";
    std::string path(self, (size_t)length);
    return path.substr(0, path.rfind('/')) + "/make_assets";
}

const char* const assetNames[] = {"character.bin", "idle.anim", "walk_cycle.anim", "jump.anim"};

std::vector<Pose> posesOf(const std::vector<uint8_t>& bytes, size_t headerBytes)
{
    std::vector<Pose> poses((bytes.size() - headerBytes) / sizeof(Pose));
    if (!poses.empty()) memcpy(poses.data(), bytes.data() + headerBytes, poses.size() * sizeof(Pose));
    return poses;
}

std::vector<Pose> animation(const char* name)
{
    std::vector<uint8_t> bytes = fileBytes(assetPath(name));
    return bytes.size() < 4 ? std::vector<Pose>() : posesOf(bytes, 4);
}

TEST(Assets, CommittedFilesAreWhatTheGeneratorWrites)
{
    std::string generator = generatorPath();
    ASSERT_EQ(access(generator.c_str(), X_OK), 0) << "build make_assets first: " << generator;
    char folder[] = "/tmp/marionette_assets_XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    std::string command = generator + " " + folder;
    ASSERT_EQ(system(command.c_str()), 0);
    for (const char* name : assetNames)
    {
        std::string generated = std::string(folder) + "/" + name;
        EXPECT_EQ(fileBytes(generated), fileBytes(assetPath(name))) << name << ": run make_assets assets";
        remove(generated.c_str());
    }
    rmdir(folder);
}

TEST(Assets, AreWellFormedFiguresThatFitTheRoom)
{
    std::vector<uint8_t> base = fileBytes(assetPath("character.bin"));
    ASSERT_EQ(base.size(), sizeof(Pose));
    std::vector<Pose> all = posesOf(base, 0);

    for (const char* name : {"idle.anim", "walk_cycle.anim", "jump.anim"})
    {
        std::vector<uint8_t> bytes = fileBytes(assetPath(name));
        ASSERT_GE(bytes.size(), 4u) << name;
        uint32_t frames;
        memcpy(&frames, bytes.data(), 4);
        EXPECT_GE(frames, 1u) << name;
        EXPECT_LE(frames, 32u) << name;
        EXPECT_EQ(bytes.size(), 4 + sizeof(Pose) * frames) << name;
        std::vector<Pose> poses = posesOf(bytes, 4);
        all.insert(all.end(), poses.begin(), poses.end());
    }
    for (const Pose& pose : all)
        for (Vec2 p : pose.points)
        {
            ASSERT_TRUE(isfinite(p.x) && isfinite(p.y));
            EXPECT_GE(p.y, 0.0f) << "nothing below the floor";
            EXPECT_LT(p.y, 190.0f) << "fits the door frame";
            EXPECT_LT(fabsf(p.x), 100.0f);
        }

    // Standing: 130 to 150 units tall, (0, 0) on the floor between the feet.
    float top = 0;
    for (Vec2 p : all[0].points) top = fmaxf(top, p.y);
    EXPECT_GE(top, 130.0f);
    EXPECT_LE(top, 150.0f);
    EXPECT_LT(all[0].points[20].x, 0.0f);
    EXPECT_GT(all[0].points[26].x, 0.0f);
}

// At 125 px/s and 0.15 s a frame the figure moves 18.75 px per frame, so a
// planted foot (toe, or heel while the toe comes down) must move back exactly
// that far in pose units to stay put on screen.
TEST(Assets, TheWalkingFeetDoNotSlide)
{
    std::vector<Pose> walk = animation("walk_cycle.anim");
    ASSERT_FALSE(walk.empty());
    const uint32_t footPoints[4] = {19, 20, 26, 27};
    const float plantedHeight = 4.0f;
    size_t frames = walk.size();
    for (size_t k = 0; k < frames; ++k)
    {
        const Pose& now = walk[k];
        const Pose& next = walk[(k + 1) % frames];
        int planted = 0;
        for (uint32_t point : footPoints)
        {
            Vec2 a = now.points[point], b = next.points[point];
            if (a.y != b.y || a.y > plantedHeight) continue;
            ++planted;
            EXPECT_EQ(b.x - a.x, -18.75f) << "frame " << k << " point " << point;
        }
        EXPECT_GE(planted, 1) << "frame " << k << " to the next keeps a foot on the floor";
    }
}

} // namespace
