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
        for (uint32_t key = 0; key < 256; ++key) window.keys[key] = (previous[key] & 1) ? Released : Up;
        for (uint32_t key : down) window.keys[key] = (previous[key] & 1) ? Held : Pressed;
        resetBatch(&lines);
        updateCharacter(&character, &window, &lines, &idle, &walk, &jump, &edited, deltaTime);
    }

    float x() const { return character.characterPosition.x; }
    float y() const { return character.characterPosition.y; }
    // The tag of the drawn pose, read back from the head strip.
    float drawnTag() const { return (pointsOf(0)[0].x - x()) * character.facing; }
};

const float step = 1.0f / 60.0f;

TEST_F(Character, QAAndLeftGoLeftOnlyDAndRightGoRightAndBothCancel)
{
    struct Case
    {
        std::initializer_list<uint32_t> keys;
        float dx, facing;
    };
    const Case cases[] = {
        {{KeyLeft}, -12.5f, -1},   {{keyLetter('Q')}, -12.5f, -1}, {{keyLetter('A')}, -12.5f, -1},
        {{KeyRight}, 12.5f, 1},    {{keyLetter('D')}, 12.5f, 1},   {{KeyLeft, KeyRight}, 0, -1},
        {{KeyUp, KeyDown}, 0, -1}, {{keyLetter('E')}, 0, -1},      {{keyLetter('S')}, 0, -1},
    };
    for (const Case& c : cases)
    {
        // Facing left after a step left and its release, so a kept facing shows.
        frame(step, {KeyLeft});
        frame(step);
        const float before = x();
        frame(0.1f, c.keys);
        SCOPED_TRACE(testing::Message() << "key " << *c.keys.begin());
        EXPECT_FLOAT_EQ(x() - before, c.dx);
        EXPECT_EQ(character.facing, c.facing);
        EXPECT_EQ(character.currentAnimation, c.dx == 0 ? &idle : &walk);
        frame(step);
    }
}

TEST_F(Character, HoldingSpaceJumpsOnce)
{
    frame(step, {KeySpace});
    EXPECT_EQ(character.currentAnimation, &jump);
    int jumps = 1;
    for (int i = 0; i < 300; ++i)
    {
        bool wasOnFloor = y() == 200.0f;
        frame(step, {KeySpace});
        if (wasOnFloor && y() > 200.0f) ++jumps;
    }
    EXPECT_EQ(jumps, 1);
    EXPECT_EQ(y(), 200.0f);
    EXPECT_EQ(character.verticalVelocity, 0.0f);
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
    for (; y() > 200.0f && steps < 10000; ++steps)
    {
        frame(small, {KeySpace});
        peak = fmaxf(peak, y());
    }
    EXPECT_NEAR(peak - 200.0f, 81.55f, 0.5f);
    EXPECT_NEAR(steps * small, 0.8155f, 0.01f);
}

TEST_F(Character, AVeryLongStepAdvancesOneFrameAndCapsTheFall)
{
    character.characterPosition.y = 5000.0f;
    frame(2.0f, {KeyRight});
    EXPECT_EQ(character.frameIndex, 1u);
    EXPECT_LE(character.frameTimer, 0.15f);
    uint32_t bits;
    memcpy(&bits, &character.verticalVelocity, 4);
    EXPECT_EQ(bits, 0xC4754001u) << "the lowest velocity, gravity's own value";
    EXPECT_FLOAT_EQ(y(), 5000.0f - 2.0f * 981.00006f);
    EXPECT_FLOAT_EQ(x(), 250.0f + 250.0f);

    // Steps far too long to count down one period at a time still end.
    for (float deltaTime : {1e9f, 3e38f, INFINITY})
    {
        frame(deltaTime);
        EXPECT_GT(character.frameTimer, 0.0f) << deltaTime;
        EXPECT_LE(character.frameTimer, 0.15f) << deltaTime;
        EXPECT_EQ(y(), 200.0f);
    }
}

TEST_F(Character, PlayingTheEditedAnimationSurvivesWalkingAndJumping)
{
    edited.frameCount = 3;
    frame(0.1f, {keyLetter('W')});
    frame(0.1f, {KeyRight});
    ASSERT_EQ(character.frameIndex, 1u);
    frame(0.1f, {KeyRight, KeySpace});
    EXPECT_EQ(character.currentAnimation, &edited);
    EXPECT_GT(x(), 250.0f);
    EXPECT_GT(character.verticalVelocity, 0.0f);
    EXPECT_EQ(character.frameIndex, 0u);
    EXPECT_FLOAT_EQ(character.frameTimer, 0.1f);
}

TEST_F(Character, AnIndexPastAShrunkAnimationDrawsTheFrameItWrapsTo)
{
    // The editor shrank the edited animation to two frames while game mode was away.
    edited.frameCount = 2;
    character.playEdited = 1;
    character.frameIndex = 5;
    frame(0.01f);
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

    frame(0.1f, {KeyRight});
    EXPECT_EQ(lines.drawCount, 4u) << "the walk still has frames";
}

} // namespace
