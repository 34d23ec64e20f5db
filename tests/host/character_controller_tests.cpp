#include <gtest/gtest.h>
#include <math.h>
#include "app/character_controller.h"
#include "line_batch_fixture.h"
#include "platform/window.h"

namespace {

// Each animation's poses carry its tag in point 0, so what is drawn shows which one plays.
struct Character : testing::Test, LineBatchFixture
{
    Pose poses[4][3] = {};
    Animation idle = {2, poses[0]};
    Animation walk = {3, poses[1]};
    Animation jump = {3, poses[2]};
    Animation edited = {1, poses[3]};
    Window window = {};
    CharacterState character;

    void SetUp() override
    {
        for (int a = 0; a < 4; ++a)
            for (int f = 0; f < 3; ++f) poses[a][f].points[0] = {(float)(10 * a + f), 0.0f};
        initCharacter(&character, &idle);
    }

    // One game-mode frame with these keys down (Pressed when they were up last frame).
    void frame(float deltaTime, std::initializer_list<uint32_t> down = {})
    {
        uint8_t previous[256];
        memcpy(previous, window.keys, sizeof previous);
        memset(window.keys, Up, sizeof window.keys);
        for (uint32_t key = 0; key < 256; ++key)
            if (previous[key] & 1) window.keys[key] = Released;
        for (uint32_t key : down) window.keys[key] = (previous[key] & 1) ? Held : Pressed;
        resetBatch(&lines);
        updateCharacter(&character, &window, &lines, &idle, &walk, &jump, &edited, deltaTime);
    }

    float x() const { return character.characterPosition.x; }
    float y() const { return character.characterPosition.y; }
    // The tag of the drawn pose, read back from the head strip.
    float drawnTag() const
    {
        return (pointsOf(0)[0].x - x()) * character.facing;
    }
};

const float step = 1.0f / 60.0f;

TEST_F(Character, StandsStillExactlyOnTheFloor)
{
    EXPECT_EQ(x(), 250.0f);
    EXPECT_EQ(character.facing, 1.0f);
    EXPECT_EQ(character.currentAnimation, &idle);
    for (int i = 0; i < 10; ++i) frame(step);
    EXPECT_EQ(y(), 200.0f);
    EXPECT_EQ(character.verticalVelocity, 0.0f);
    EXPECT_EQ(lines.drawCount, 4u);
}

TEST_F(Character, LeftKeysAndRightKeys)
{
    const uint32_t leftKeys[] = {KeyLeft, keyLetter('Q'), keyLetter('A')};
    for (uint32_t key : leftKeys)
    {
        float before = x();
        frame(0.1f, {key});
        EXPECT_FLOAT_EQ(x(), before - 12.5f) << "key " << key;
        EXPECT_EQ(character.facing, -1.0f);
        EXPECT_EQ(character.currentAnimation, &walk);
        frame(0.1f);
    }
    const uint32_t rightKeys[] = {KeyRight, keyLetter('D')};
    for (uint32_t key : rightKeys)
    {
        float before = x();
        frame(0.1f, {key});
        EXPECT_FLOAT_EQ(x(), before + 12.5f) << "key " << key;
        EXPECT_EQ(character.facing, 1.0f);
        frame(0.1f);
    }
    const uint32_t otherKeys[] = {KeyUp, KeyDown, keyLetter('E'), keyLetter('S')};
    for (uint32_t key : otherKeys)
    {
        float before = x();
        frame(0.1f, {key});
        EXPECT_EQ(x(), before) << "key " << key;
    }
}

TEST_F(Character, BothDirectionsCancelAndKeepTheFacing)
{
    frame(step, {KeyLeft});
    float before = x();
    frame(step, {KeyLeft, KeyRight});
    EXPECT_EQ(x(), before);
    EXPECT_EQ(character.facing, -1.0f);
    EXPECT_EQ(character.currentAnimation, &idle);

    frame(step);
    EXPECT_EQ(character.facing, -1.0f) << "releasing keeps the last direction";
}

TEST_F(Character, HoldingSpaceJumpsOnce)
{
    frame(step, {KeySpace});
    EXPECT_EQ(character.currentAnimation, &jump);
    EXPECT_GT(y(), 200.0f);
    int jumps = 1;
    for (int i = 0; i < 300; ++i)
    {
        bool wasOnFloor = y() == 200.0f;
        frame(step, {KeySpace});
        if (wasOnFloor && y() > 200.0f) ++jumps;
    }
    EXPECT_EQ(jumps, 1);
    EXPECT_EQ(y(), 200.0f);

    frame(step);
    frame(step, {KeySpace});
    EXPECT_EQ(character.verticalVelocity, 400.0f + step * -981.00006f) << "a new press jumps again";
}

TEST_F(Character, WalkingIntoAJumpPicksTheJumpAndStillMoves)
{
    frame(0.1f, {KeyRight});
    frame(0.1f, {KeyRight});
    ASSERT_EQ(character.frameIndex, 1u);
    float before = x();
    frame(0.1f, {KeyRight, KeySpace});
    EXPECT_EQ(character.currentAnimation, &jump);
    EXPECT_EQ(character.frameIndex, 0u);
    EXPECT_FLOAT_EQ(character.frameTimer, 0.1f);
    EXPECT_FLOAT_EQ(x(), before + 12.5f);

    // No switch to walking until the first frame back on the floor.
    while (y() > 200.0f) frame(0.1f, {KeyRight});
    EXPECT_EQ(character.currentAnimation, &jump);
    frame(0.1f, {KeyRight});
    EXPECT_EQ(character.currentAnimation, &walk);
}

TEST_F(Character, AJumpFromRestPeaksNear81AndLastsNear082Seconds)
{
    const float small = 1.0f / 1000.0f;
    frame(small, {KeySpace});
    float peak = y();
    int steps = 1;
    while (y() > 200.0f && steps < 10000)
    {
        frame(small, {KeySpace});
        if (y() > peak) peak = y();
        ++steps;
    }
    EXPECT_NEAR(peak - 200.0f, 400.0f * 400.0f / (2 * 981.00006f), 0.5f);
    EXPECT_NEAR(steps * small, 2 * 400.0f / 981.00006f, 0.01f);
}

TEST_F(Character, PlaysOneFramePerPeriodAndLoops)
{
    frame(0.1f);
    EXPECT_EQ(character.frameIndex, 0u);
    frame(0.1f);
    EXPECT_EQ(character.frameIndex, 1u);
    EXPECT_NEAR(character.frameTimer, 0.05f, 1e-6f);
    EXPECT_EQ(drawnTag(), 1.0f);
    frame(0.1f);
    frame(0.1f);
    EXPECT_EQ(character.frameIndex, 0u) << "two-frame idle loops";
}

TEST_F(Character, AVeryLongStepAdvancesOneFrameAndCapsTheFall)
{
    character.characterPosition.y = 5000.0f;
    frame(2.0f, {KeyRight});
    EXPECT_EQ(character.frameIndex, 1u);
    EXPECT_GT(character.frameTimer, 0.0f);
    EXPECT_LE(character.frameTimer, 0.15f);
    uint32_t bits;
    memcpy(&bits, &character.verticalVelocity, 4);
    EXPECT_EQ(bits, 0xC4754001u) << "the lowest velocity, gravity's own value";
    EXPECT_FLOAT_EQ(y(), 5000.0f - 2.0f * 981.00006f);
    EXPECT_FLOAT_EQ(x(), 250.0f + 250.0f);

    // Steps far too long to count down one period at a time still end.
    const float huge[] = {1e9f, 3e38f, INFINITY};
    for (float deltaTime : huge)
    {
        frame(deltaTime);
        EXPECT_GT(character.frameTimer, 0.0f) << deltaTime;
        EXPECT_LE(character.frameTimer, 0.15f) << deltaTime;
        EXPECT_EQ(y(), 200.0f);
    }
}

TEST_F(Character, PlayingTheEditedAnimationSurvivesWalkingAndJumping)
{
    frame(0.1f, {keyLetter('W')});
    EXPECT_EQ(character.playEdited, 1);
    EXPECT_EQ(character.currentAnimation, &edited);

    frame(0.1f, {KeyRight});
    EXPECT_EQ(character.currentAnimation, &edited);
    EXPECT_GT(x(), 250.0f);

    frame(0.1f, {KeyRight, KeySpace});
    EXPECT_EQ(character.currentAnimation, &edited);
    EXPECT_EQ(character.frameIndex, 0u);
    EXPECT_FLOAT_EQ(character.frameTimer, 0.1f);
    EXPECT_GT(character.verticalVelocity, 0.0f);

    // Switched off in the air, the edited animation stays until back on the floor.
    frame(0.1f, {keyLetter('W')});
    EXPECT_EQ(character.playEdited, 0);
    EXPECT_EQ(character.currentAnimation, &edited);
    while (y() > 200.0f) frame(0.1f);
    frame(0.1f);
    EXPECT_EQ(character.currentAnimation, &idle);
}

TEST_F(Character, AnIndexPastAShrunkAnimationDrawsTheFrameItWrapsTo)
{
    // The editor shrank the edited animation to two frames while game mode was away.
    edited.frameCount = 2;
    character.playEdited = 1;
    character.frameIndex = 5;
    frame(0.01f);
    EXPECT_EQ(lines.drawCount, 4u);
    EXPECT_EQ(drawnTag(), 31.0f);

    frame(0.15f);
    EXPECT_EQ(character.frameIndex, 0u) << "the next advance wraps the index";
}

TEST_F(Character, AnEmptyAnimationDrawsNothingAndNeverAdvances)
{
    idle.frameCount = 0;
    for (int i = 0; i < 20; ++i) frame(0.1f);
    EXPECT_EQ(lines.drawCount, 0u);
    EXPECT_EQ(character.frameIndex, 0u);
    EXPECT_LE(character.frameTimer, 0.15f);

    frame(0.1f, {KeyRight});
    EXPECT_EQ(lines.drawCount, 4u) << "the walk still has frames";
}

} // namespace
