#pragma once
#include <stdint.h>

// How the frame loop keeps time: the step each frame moves by, and the rest
// after a frame that finished before the display could show it.

// The longest step a frame moves by. A longer gap (the window minimised or
// dragged, the program stopped in a debugger) moves by this much, so the
// figure never jumps across the room.
static const float longestTimeStep = 0.1f;
// The step of a frame with nothing to measure from (the first one, or no counter).
static const float nominalTimeStep = 1.0f / 60.0f;

// The step between two counter readings: nominalTimeStep without a previous
// reading or a frequency, 0 when the counter went back, at most longestTimeStep.
float timeStepBetween(uint64_t previous, uint64_t now, uint64_t frequency);

// Seconds from one counter reading to a later one; negative when the counter
// went back, 0 without a frequency.
double secondsBetween(uint64_t earlier, uint64_t later, uint64_t frequency);

// The refresh interval in seconds for the rate the display reports: 60 Hz for
// none (0) or the system's "default" (1), otherwise the rate held to 30..240 Hz.
double refreshInterval(uint32_t reportedHz);

// Whether a swap that took swapSeconds waited for the display: one that
// waits takes a good part of the interval, one that does not only copies.
bool swapWaitedForDisplay(double swapSeconds, double interval);

// The rest after a frame that took frameSeconds, its swap included: until the
// next refresh is due when the frame took clearly less than the interval and
// the swap did not wait, 0 otherwise. A reading that makes no sense (negative,
// not a number) rests a whole interval. Always within 0..interval.
double restAfterFrame(double frameSeconds, double interval, bool swapWaited);

// The longest the window goes without a frame drawn, so that a picture lost
// without an expose to say so comes back.
static const double longestUndrawnSeconds = 1.0;

// Whether a frame is drawn: its picture differs from the one shown, the
// window asks for one (exposed, resized, restored, focus changed), or the
// last was drawn longestUndrawnSeconds ago or more, or at a time that makes
// no sense (the counter went back).
bool frameToDraw(bool pictureChanged, bool windowAsks, double secondsSinceDrawn);

// A picture unchanged for this many frames in a row is still: longer than any
// pose is held (0.15 s), so only input or a timed message can change it next.
static const uint32_t stillFrames = 30;
// A still picture waits this long for input before the loop looks again,
// rather than waking at every refresh; a timed change (a status message
// ending) shows at most this much late.
static const uint32_t stillWaitMilliseconds = 50;
