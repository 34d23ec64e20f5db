#pragma once
#include <stdint.h>
#include "character/pose.h"

struct Window;
struct RenderBatch;

struct CharacterState
{
    Vec2 characterPosition;
    float verticalVelocity;
    float facing;
    Animation* currentAnimation;
    uint32_t frameIndex;
    float frameTimer;
    int32_t playEdited;
};

static const float groundHeight = 200.0f;

// Idle at (250, 200), facing right.
void initCharacter(CharacterState* character, Animation* idleAnimation);

// Reads the keys, moves the figure, picks its frame and draws it into lines.
void updateCharacter(CharacterState* character, const Window* window, RenderBatch* lines, Animation* idleAnimation,
                     Animation* walkAnimation, Animation* jumpAnimation, Animation* editedAnimation, float deltaTime);
