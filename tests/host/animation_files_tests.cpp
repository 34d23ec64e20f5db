#include <gtest/gtest.h>
#include "tests/common/animation_files_cases.inc"
#include <signal.h>
#include <sys/resource.h>

namespace {

TEST_F(AnimationFiles, WriteFailingPartWayKeepsTheOldFile)
{
    // A file-size limit makes the write stop short, as a full disk would:
    // inside the count, then inside the poses.
    const Bytes old = animBytes(1, 1, 42.0f);
    std::string file = path("full.anim");
    writeAll(file, old);
    setFrames(3, 1.0f);

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
