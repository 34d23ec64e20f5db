#pragma once
#include <stdint.h>
#include "app/arena.h"

struct Animation;
struct Pose;

// Reads the first 224 bytes of the file into pose; a missing or short file, or
// one with a non-finite coordinate, leaves it as it was.
void readBasePose(Pose* pose, const char* path);

// Writes count then poses to a new temporary file beside path, flushes it and
// only then replaces path. Returns false, leaving any old file untouched, on failure.
bool saveAnimationFile(const Animation* animation, const char* path);

// The same under a name nothing has yet; false, writing nothing, when path exists.
bool saveNewAnimationFile(const Animation* animation, const char* path);

// Replaces the animation from a well-formed file of 1 to maxFrames finite
// poses, read first into the arena's free room past the current poses (which
// must start at its base). The new poses start at its base and fill it.
// Otherwise returns false; the animation, the arena and its used bytes stay as they were.
bool loadAnimationFile(Animation* animation, Arena* poseArena, const char* path, uint32_t maxFrames);
