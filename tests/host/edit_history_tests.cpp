#include <gtest/gtest.h>
#include <vector>
#include "app/edit_history.h"
#include "character/pose_editor.h"

namespace {

using Bytes = std::vector<uint8_t>;

// The history on its own: 150 steps of a one-frame animation, each naming a
// selected frame it lacks, undone and redone to both ends, then ten undone and
// a step of 32 frames that fill the poses' arena. Every write stays inside the history's
// region, between two marked margins as large as itself.
TEST(EditHistory, KeepsThe127NewestStepsAndAddsNoneForNoChangeAnUnfinishedEditOrAnUnfitAnimation)
{
    Pose poses[maxEditedFrames] = {};
    Arena poseArena = {sizeof poses, sizeof(Pose), (uint8_t*)poses};
    Animation animation = {1, poses};
    FrameStripState strip = {};
    PoseEditorState editor = initialPoseEditorState();
    EditTarget target = {&animation, &poseArena, &strip, &editor};
    uint64_t size = editHistoryBytes(editHistorySlots);
    Bytes memory(3 * size, 0xAB);
    Arena historyArena = {size, 0, memory.data() + size};
    EditHistory history;
    startEditHistory(&history, &historyArena, editHistorySlots, &animation, 0);

    // Frame count, first x, selected frame and whether the edit is under way; twice each.
    std::vector<std::vector<float>> steps = {{1, -1, 0, 1}, {0, 7, 0, 0}, {maxEditedFrames + 1, 7, 0, 0}};
    for (int k = 150; k >= 1; --k) steps.insert(steps.begin(), {1, (float)k, (float)k, 0});
    for (const auto& s : steps)
    {
        animation.frameCount = (uint32_t)s[0];
        poses[0].points[0].x = s[1];
        for (int twice = 0; twice < 2; ++twice) recordEditHistory(&history, &animation, (uint64_t)s[2], s[3] != 0);
        EXPECT_TRUE(editHistoryModified(&history));
    }
    animation.frameCount = 1;
    poses[0].points[0].x = 150;
    recordEditHistory(&history, &animation, 0, false);
    markEditHistorySaved(&history, &animation);
    EXPECT_FALSE(editHistoryModified(&history));

    int undone = 0;
    while (undoEdit(&history, target)) EXPECT_EQ(poses[0].points[0].x + strip.selectedFrame, (float)(150 - ++undone));
    EXPECT_EQ(undone, (int)editHistorySlots - 1);
    EXPECT_TRUE(editHistoryModified(&history));
    while (redoEdit(&history, target)) EXPECT_EQ(poses[0].points[0].x, (float)(150 - --undone));
    EXPECT_EQ(undone, 0);
    EXPECT_FALSE(editHistoryModified(&history));
    for (int k = 0; k < 10; ++k) undoEdit(&history, target);
    animation.frameCount = maxEditedFrames; // a new step drops the ten undone, and keeps the 117 before
    recordEditHistory(&history, &animation, 0, false);
    for (undone = 0; undoEdit(&history, target);) ++undone;
    EXPECT_EQ(undone, 118);
    while (redoEdit(&history, target)) --undone;
    EXPECT_EQ(animation.frameCount, maxEditedFrames);

    // An animation no snapshot holds leaves a new history inert.
    animation.frameCount = maxEditedFrames + 1;
    historyArena.used = 0;
    startEditHistory(&history, &historyArena, editHistorySlots, &animation, 0);
    recordEditHistory(&history, &animation, 0, false);
    EXPECT_FALSE(editHistoryModified(&history) || undoEdit(&history, target));
    memory.erase(memory.begin() + (long)size, memory.begin() + 2 * (long)size);
    EXPECT_EQ(std::count(memory.begin(), memory.end(), 0xAB), (long)memory.size()) << "written outside its region";
}

} // namespace
