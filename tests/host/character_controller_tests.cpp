#include <gtest/gtest.h>
#include <math.h>
#include "app/character_controller.h"
#include "line_batch_fixture.h"
#include "platform/window.h"

namespace {

// Frame f of animation a carries the tag 10 a + f + 1 in every x; y counts the points.
struct Character : testing::Test, LineBatchFixture
{
    Pose poses[4][3];
    Animation idle = {2, poses[0]}, walk = {3, poses[1]}, jump = {3, poses[2]}, edited = {1, poses[3]};
    Window window = {};
    CharacterState character;

    Character()
    {
        for (int a = 0; a < 4; ++a)
            for (int f = 0; f < 3; ++f)
                for (int i = 0; i < 28; ++i) poses[a][f].points[i] = {(float)(10 * a + f + 1), (float)(100 + i)};
        initCharacter(&character, &idle);
    }

    // One game-mode frame with these keys down (Pressed when they were up last frame).
    void frame(float deltaTime, std::initializer_list<uint32_t> down = {})
    {
        for (uint8_t& key : window.keys) key = (key & 1) ? Released : Up;
        for (uint32_t key : down) window.keys[key] = window.keys[key] == Released ? Held : Pressed;
        resetBatch(&lines);
        updateCharacter(&character, &window, &lines, &idle, &walk, &jump, &edited, deltaTime);
    }

    float x() const { return character.characterPosition.x; }
    float y() const { return character.characterPosition.y; }
    float drawnTag() const { return (vertices(lines)[0] - x()) * character.facing; }
};

TEST_F(Character, StartsIdleAtRestAndDrawsThePoseAtItsPositionMirroredByFacingWithOnlyTheHeadClosed)
{
    EXPECT_EQ((std::vector<float>{x(), y(), character.verticalVelocity, character.facing}), (std::vector<float>{250, 200, 0, 1}));
    EXPECT_EQ(character.currentAnimation, &idle);
    for (uint32_t walkKey : {KeyNone, KeyLeft})
    {
        frame(0.01f, {walkKey});
        // Point i at (x + facing tag, 200 + 100 + i); the head's seventh vertex is its first.
        const float shownX = x() + character.facing * (walkKey ? 11.0f : 1.0f);
        std::vector<float> expected;
        for (float i = 0; i < 28; ++i) expected.insert(expected.end(), {shownX, 300 + i});
        expected.insert(expected.begin() + 12, {shownX, 300});
        EXPECT_EQ(vertices(lines), expected);
        EXPECT_EQ(drawList(lines), "7w 4w 9w 9w");
    }
    EXPECT_EQ(character.facing, -1.0f);
}

TEST_F(Character, QAAndLeftGoLeftOnlyDAndRightGoRightAndBothCancel)
{
    const struct { std::initializer_list<uint32_t> keys; float dx, facing; } cases[] = {
        {{KeyLeft}, -12.5f, -1},   {{keyLetter('Q')}, -12.5f, -1}, {{keyLetter('A')}, -12.5f, -1},
        {{KeyRight}, 12.5f, 1},    {{keyLetter('D')}, 12.5f, 1},   {{KeyLeft, KeyRight}, 0, -1},
        {{KeyUp, KeyDown}, 0, -1}, {{keyLetter('E')}, 0, -1},      {{keyLetter('S')}, 0, -1},
    };
    for (const auto& c : cases)
    {
        // Facing left after a step left and its release, so a kept facing shows.
        frame(0.01f, {KeyLeft});
        frame(0.01f);
        const float before = x();
        frame(0.1f, c.keys);
        SCOPED_TRACE(testing::Message() << "key " << *c.keys.begin());
        EXPECT_FLOAT_EQ(x() - before, c.dx);
        EXPECT_EQ(character.facing, c.facing);
        EXPECT_EQ(character.currentAnimation, c.dx == 0 ? &idle : &walk);
    }
}

TEST_F(Character, SpaceJumpsOnceFromTheFloorNear81UnitsHighForNear082Seconds)
{
    frame(0.0f, {KeySpace}); // a frame that takes no time still leaves the floor on the next
    EXPECT_EQ(character.currentAnimation, &jump);
    float peak = 0, landed = 0;
    int jumps = 0;
    for (int i = 1; i <= 2000; ++i)
    {
        bool onFloor = y() == 200.0f;
        frame(0.001f, {KeySpace});
        jumps += onFloor && y() > 200.0f;
        peak = fmaxf(peak, y() - 200.0f);
        if (!onFloor && y() == 200.0f) landed = 0.001f * (float)i;
    }
    EXPECT_EQ(jumps, 1) << "holding Space jumps once";
    EXPECT_NEAR(peak, 81.55f, 0.5f);
    EXPECT_NEAR(landed, 0.8155f, 0.01f);
    EXPECT_EQ(character.verticalVelocity, 0.0f);
}

TEST_F(Character, AJumpInterruptsTheWalkWhichResumesOnlyBackOnTheFloorAndWPlaysTheEditedAnimationThroughBoth)
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
    while (y() > 200.0f) frame(0.1f, {KeyRight});
    EXPECT_EQ(character.currentAnimation, &jump);
    frame(0.1f, {KeyRight});
    EXPECT_EQ(character.currentAnimation, &walk);

    edited.frameCount = 3;
    frame(0.1f, {keyLetter('W')});
    frame(0.1f, {KeyRight, KeySpace});
    EXPECT_EQ(character.currentAnimation, &edited);
    EXPECT_GT(character.verticalVelocity, 0.0f);
    EXPECT_EQ(character.frameIndex, 0u);
    while (y() > 200.0f) frame(0.1f);
    frame(0.1f, {keyLetter('W')});
    frame(0.1f, {KeyRight});
    EXPECT_EQ(character.currentAnimation, &walk);
}

TEST_F(Character, FramesAdvanceOncePerPeriodPassedWrapAndShowNothingWhenThereIsNone)
{
    // Time of the frame, then the frame index and the timer left.
    const float cases[][3] = {{0.15f, 0, 0.15f}, {0.01f, 1, 0.01f}, {0.15f, 0, 0.01f}, {0.14f, 0, 0.15f}, {2.0f, 1, 0.05f}};
    for (const auto& c : cases)
    {
        frame(c[0]);
        EXPECT_EQ(character.frameIndex, (uint32_t)c[1]) << c[0];
        EXPECT_NEAR(character.frameTimer, c[2], 1e-5) << c[0];
    }
    // Steps far too long to count down one period at a time keep the remainder, or a whole period.
    for (float deltaTime : {200.0f, 2048 * 0.15f, 1e9f, 3e38f, INFINITY})
    {
        character.frameTimer = 0;
        frame(deltaTime);
        float left = fmodf(deltaTime, 0.15f);
        EXPECT_EQ(character.frameTimer, isfinite(left) && left > 0 ? left : 0.15f) << deltaTime;
    }
    // A long fall is capped at gravity's own speed.
    character.characterPosition = {250, 5000};
    frame(2.0f);
    EXPECT_EQ(y(), 5000.0f + 2.0f * -981.00006f);

    // An index left past an animation that shrank shows the frame it wraps to, and wraps at the next advance.
    edited.frameCount = 2;
    character.playEdited = 1;
    character.frameIndex = 5;
    frame(0.01f);
    EXPECT_EQ(drawnTag(), 32.0f);
    frame(0.15f);
    EXPECT_EQ(character.frameIndex, 0u);
    edited.frameCount = 0;
    for (int i = 0; i < 5; ++i) frame(0.1f);
    EXPECT_EQ(lines.drawCount + character.frameIndex, 0u);
}

} // namespace
