#include <gtest/gtest.h>
#include <math.h>
#include <signal.h>
#include <string.h>
#include <sys/resource.h>
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <vector>
#include "fake_platform.h"
#include "app/animation_codec.h"
#include "app/animation_files.h"
#include "app/file_reading.h"
#include "character/pose.h"
#include "platform/os.h"

namespace {

using Bytes = std::vector<uint8_t>;

// count, then poses x 224 bytes of floats counting up from 1, float i replaced by value.
Bytes animBytes(uint32_t count, uint32_t poses, int64_t i = -1, float value = 0)
{
    Bytes bytes(encodedAnimationSize(poses));
    encodeAnimationHeader(count, bytes.data());
    for (uint32_t k = 0; k < poses * 56; ++k)
    {
        float f = k == i ? value : 1.0f + (float)k;
        memcpy(&bytes[4 + 4 * k], &f, 4);
    }
    return bytes;
}

TEST(AnimationCodec, DecodesOnlyAWholeImageOfFinitePosesAndEncodesTheCountLittleEndian)
{
    uint8_t header[4];
    encodeAnimationHeader(0x04030201u, header);
    EXPECT_EQ(Bytes(header, header + 4), (Bytes{1, 2, 3, 4}));
    const Bytes two = animBytes(2, 2);
    // The image, the most frames allowed, and the count decoded (-1: refused).
    const struct { const char* name; Bytes image; uint32_t maxFrames; int64_t count; } cases[] = {
        {"two poses", two, 2, 2},
        {"no poses", animBytes(0, 0), 2, 0},
        {"half a count", Bytes{2, 0, 0}, 2, -1},
        {"a pose more than its count", animBytes(2, 3), 3, -1},
        {"NaN first", animBytes(2, 2, 0, NAN), 2, -1},
        {"infinity last", animBytes(2, 2, 111, -INFINITY), 2, -1},
        {"third count byte", animBytes(0x10001, 1), UINT32_MAX, -1},
        {"fourth count byte", animBytes(0x1000001, 1), UINT32_MAX, -1},
        {"three count bytes", animBytes(0x10101, 0x10101), UINT32_MAX, 0x10101},
    };
    for (const auto& c : cases) EXPECT_EQ(decodeAnimation(c.image.data(), c.image.size(), c.maxFrames), c.count) << c.name;
}

// A file-size limit makes the write stop short, as a full disk would: in the
// count (2 bytes) or in the poses (300).
TEST(AnimationFiles, AWriteFailingInsideTheCountOrThePosesKeepsTheOldFileAndNoTemporary)
{
    TempFolder temp;
    std::filesystem::path folder = temp.path;
    std::string file = (folder / "full.anim").string();
    std::ofstream(file, std::ios::binary) << "old";
    Bytes poses = animBytes(2, 2);
    Animation animation = {2, (Pose*)(poses.data() + 4)};
    for (rlim_t limit : {2, 300})
    {
        struct rlimit before, limited;
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
        limited = before;
        limited.rlim_cur = limit;
        void (*oldHandler)(int) = signal(SIGXFSZ, SIG_IGN);
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
        bool saved = saveAnimationFile(&animation, file.c_str());
        setrlimit(RLIMIT_FSIZE, &before);
        signal(SIGXFSZ, oldHandler);
        EXPECT_FALSE(saved) << limit;
        EXPECT_EQ(fileContents(file), "old") << limit;
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1) << "the partial temporary goes";
    }
}

TEST(AnimationFiles, SavesAndLoadsRefuseWhatTheyCannotDoWhole)
{
    TempFolder folder;
    const std::string two = std::string(folder.path) + "/two.anim";
    const Bytes image = animBytes(2, 2);
    Animation saved = {2, (Pose*)(image.data() + 4)}, other = {1, saved.poses};
    EXPECT_FALSE(saveNewAnimationFile(&saved, nullptr));
    EXPECT_TRUE(saveNewAnimationFile(&saved, two.c_str()));
    EXPECT_FALSE(saveNewAnimationFile(&other, two.c_str())) << "a new save never replaces";
    EXPECT_EQ(fileContents(two), std::string(image.begin(), image.end()));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path), {}), 1) << "no temporary is left";

    // The arena holds one old pose; the file must fit the room past it (the
    // session loads missing files and more frames than allowed).
    const struct { const char* path; uint64_t room; uint32_t maxFrames; bool loaded; } cases[] = {
        {two.c_str(), image.size(), 2, true},
        {two.c_str(), image.size() - 1, 2, false},
    };
    for (const auto& c : cases)
    {
        Bytes memory(224 + c.room);
        const float old = -5;
        memcpy(memory.data(), &old, 4);
        Arena arena = {memory.size(), 224, memory.data()};
        Animation animation = {1, (Pose*)memory.data()};
        EXPECT_EQ(loadAnimationFile(&animation, &arena, c.path, c.maxFrames), c.loaded) << c.path << c.room;
        EXPECT_EQ((std::vector<float>{(float)animation.frameCount, (float)arena.used, animation.poses[0].points[0].x}),
                  (c.loaded ? std::vector<float>{2, 448, 1} : std::vector<float>{1, 224, old})) << c.path << c.room;
    }
}

TEST(FileReading, ReadsEndAtTheEndOfTheFile)
{
    TempFolder folder;
    std::string path = std::string(folder.path) + "/six";
    std::ofstream(path, std::ios::binary) << "\x01\x02\x03\x04\x05\x06";
    uint8_t buffer[4] = {0xEE, 0xEE, 0xEE, 0xEE};
    EXPECT_FALSE(readAt(invalidFile, 0, 4, buffer));
    FileHandle file = osOpenForReading(path.c_str());
    EXPECT_FALSE(readAt(file, UINT64_MAX, 4, buffer)) << "no seek to an impossible offset";
    EXPECT_TRUE(readAt(file, 2, 3, buffer));
    EXPECT_EQ(Bytes(buffer, buffer + 4), (Bytes{3, 4, 5, 0xEE}));
    EXPECT_FALSE(readAt(file, 4, 4, buffer)) << "the end of the file ends the read instead of retrying it";
    osClose(file);
    Arena whole = readWholeFile(path.c_str(), true);
    EXPECT_EQ(Bytes(whole.base, whole.base + whole.used), (Bytes{1, 2, 3, 4, 5, 6, 0}));
    osReleaseMemory(whole.base, whole.capacity);

    // A data file of one frame, in an arena of exactly the record and the file.
    const Bytes one = animBytes(1, 1);
    std::ofstream(path, std::ios::binary).write((const char*)one.data(), (std::streamsize)one.size());
    Bytes memory(sizeof(Animation) + one.size());
    Arena arena = {memory.size(), 0, memory.data()};
    const Animation* loaded = loadAnimation(&arena, path.c_str());
    ASSERT_EQ(loaded->frameCount, 1u);
    EXPECT_EQ(loaded->poses[0].points[27].y, 56.0f);
    EXPECT_EQ(arena.used, sizeof(Animation) + sizeof(Pose));
}

} // namespace
