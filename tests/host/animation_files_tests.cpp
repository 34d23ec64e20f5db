#include <gtest/gtest.h>
#include "tests/common/animation_files_cases.inc"
#include <signal.h>
#include <sys/resource.h>

namespace {

TEST(AnimationCodec, DecodesOnlyAWholeImageOfFinitePosesAndEncodesTheCountLittleEndian)
{
    uint8_t header[4];
    encodeAnimationHeader(0x04030201u, header);
    EXPECT_EQ(Bytes(header, header + 4), (Bytes{1, 2, 3, 4}));
    const Bytes two = animBytes(2, 2, 1.0f);
    // The image, the most frames allowed, and the count decoded (-1: refused).
    const struct { const char* name; Bytes image; uint32_t maxFrames; int64_t count; } cases[] = {
        {"two poses", two, 2, 2},
        {"no poses", animBytes(0, 0, 0), 2, 0},
        {"more than allowed", two, 1, -1},
        {"half a count", Bytes{2, 0, 0}, 2, -1},
        {"truncated", altered(two, -1, 0, -1), 2, -1},
        {"trailing byte", altered(two, -1, 0, 1), 2, -1},
        {"NaN first", altered(two, 0, NAN), 2, -1},
        {"infinity last", altered(two, 111, -INFINITY), 2, -1},
        {"third count byte", animBytes(0x10001, 1, 1.0f), UINT32_MAX, -1},
        {"fourth count byte", animBytes(0x1000001, 1, 1.0f), UINT32_MAX, -1},
        {"three count bytes", animBytes(0x10101, 0x10101, 0), UINT32_MAX, 0x10101},
    };
    for (const auto& c : cases) EXPECT_EQ(decodeAnimation(c.image.data(), c.image.size(), c.maxFrames), c.count) << c.name;
}

TEST_F(AnimationFiles, AWriteFailingInsideTheCountOrThePosesKeepsTheOldFile)
{
    // A file-size limit makes the write stop short, as a full disk would.
    const Bytes old = animBytes(1, 1, 42.0f);
    std::string file = writeAll("full.anim", old);
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
        EXPECT_EQ(readAll(file), old) << limit;
        EXPECT_EQ(folderNames(), std::vector<std::string>{"full.anim"}) << "the partial temporary file is removed";
    }
}

} // namespace
