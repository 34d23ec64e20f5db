#include <gtest/gtest.h>
#include "tests/common/animation_files_cases.inc"

namespace {

TEST_F(AnimationFiles, TargetHeldOpenWithoutSharingKeepsTheOldFileUntilReleased)
{
    // The replace fails after its retries and the old contents stay until the other program lets go.
    std::string file = path("held.anim");
    FileHandle holder = osCreateNewForWriting(file.c_str());
    ASSERT_NE(holder, invalidFile);
    const Bytes old = animBytes(1, 1, 42.0f);
    uint32_t done = 0;
    ASSERT_TRUE(osWrite(holder, old.data(), (uint32_t)old.size(), &done));
    EXPECT_FALSE(saveAnimationFile(&animation, file.c_str()));
    osClose(holder);
    EXPECT_EQ(readAll(file), old);
    EXPECT_EQ(folderNames(), std::vector<std::string>{"held.anim"});
    EXPECT_TRUE(saveAnimationFile(&animation, file.c_str())) << "once released the save goes through";
}

} // namespace
