#include "app/character_controller.h"
#include "platform/window.h"
#include "render/render_batch.h"
#include <math.h>

static const float walkingSpeed = 125.0f;
static const float jumpVelocity = 400.0f;
static const float frameDuration = 0.15f;
// One step below -981: the value the figure's jump height and timing were tuned with.
static constexpr float gravity = -981.00006f;
static_assert(gravity == -981.0f - 1.0f / 16384.0f, "gravity is the float just below -981 (bits 0xC4754001)");
static const float lowestVerticalVelocity = gravity;

void initCharacter(CharacterState* character, Animation* idleAnimation)
{
    *character = CharacterState{};
    character->characterPosition = Vec2{250.0f, groundHeight};
    character->verticalVelocity = 0.0f;
    character->facing = 1.0f;
    character->currentAnimation = idleAnimation;
}

static int32_t walkDirection(const Window* window)
{
    int32_t direction = 0;
    if (isDown(window, KeyLeft) || isDown(window, keyLetter('Q')) || isDown(window, keyLetter('A'))) direction = -1;
    if (isDown(window, KeyRight) || isDown(window, keyLetter('D'))) direction += 1;
    return direction;
}

static void switchAnimation(CharacterState* character, Animation* animation)
{
    character->currentAnimation = animation;
    character->frameIndex = 0;
    character->frameTimer = 0.0f;
}

static void chooseAnimation(CharacterState* character, int32_t direction, bool onGround, Animation* idleAnimation,
                            Animation* walkAnimation)
{
    if (direction != 0) character->facing = (float)direction;
    if (character->playEdited || !onGround) return;
    Animation* wanted = direction != 0 ? walkAnimation : idleAnimation;
    if (character->currentAnimation != wanted) switchAnimation(character, wanted);
}

// Leaves the timer in (0, frameDuration]: whole periods beyond the first are
// dropped in one step, however long the step that filled it.
static float dropWholePeriods(float timer)
{
    timer = fmodf(timer, frameDuration);
    return timer > 0.0f ? timer : frameDuration;
}

static void advanceFrame(CharacterState* character)
{
    if (!(character->frameTimer > frameDuration)) return;
    uint32_t frameCount = character->currentAnimation ? character->currentAnimation->frameCount : 0;
    if (frameCount != 0) character->frameIndex = (character->frameIndex + 1) % frameCount;
    character->frameTimer = dropWholePeriods(character->frameTimer);
}

static void moveVertically(CharacterState* character, float deltaTime)
{
    character->verticalVelocity += deltaTime * gravity;
    if (character->verticalVelocity < lowestVerticalVelocity) character->verticalVelocity = lowestVerticalVelocity;
    character->characterPosition.y += deltaTime * character->verticalVelocity;
    if (character->characterPosition.y < groundHeight)
    {
        character->characterPosition.y = groundHeight;
        character->verticalVelocity = 0.0f;
    }
}

static void drawCharacter(const CharacterState* character, RenderBatch* lines)
{
    const Animation* animation = character->currentAnimation;
    // An empty animation has no pose to show; an index left past a shrunk
    // animation shows the pose it wraps to.
    if (!animation || animation->frameCount == 0) return;
    const Pose* pose = &animation->poses[character->frameIndex % animation->frameCount];
    drawPose(lines, pose, character->characterPosition, character->facing);
}

void updateCharacter(CharacterState* character, const Window* window, RenderBatch* lines, Animation* idleAnimation,
                     Animation* walkAnimation, Animation* jumpAnimation, Animation* editedAnimation, float deltaTime)
{
    int32_t direction = walkDirection(window);
    bool jumpRequested = wasPressed(window, KeySpace);
    if (wasPressed(window, keyLetter('W'))) character->playEdited = !character->playEdited;

    bool onGround = character->characterPosition.y == groundHeight;
    chooseAnimation(character, direction, onGround, idleAnimation, walkAnimation);
    if (jumpRequested && onGround)
    {
        character->verticalVelocity = jumpVelocity;
        switchAnimation(character, jumpAnimation);
    }

    character->frameTimer += deltaTime;
    if (character->playEdited) character->currentAnimation = editedAnimation;
    advanceFrame(character);

    character->characterPosition.x += ((float)direction * walkingSpeed) * deltaTime;
    moveVertically(character, deltaTime);
    drawCharacter(character, lines);
}
