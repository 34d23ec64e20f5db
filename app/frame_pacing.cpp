#include "app/frame_pacing.h"

static const uint32_t fallbackHz = 60;
static const uint32_t slowestHz = 30;
static const uint32_t fastestHz = 240;
// A frame within this share of the interval already took it, give or take
// the jitter of a swap that waits.
static const double clearlyShorter = 0.9;
// A swap that blocks for this share of the interval waited for the display;
// a copy to a window that does not synchronise takes far less.
static const double waitingSwap = 0.5;

double secondsBetween(uint64_t earlier, uint64_t later, uint64_t frequency)
{
    if (frequency == 0) return 0.0;
    if (later >= earlier) return (double)(later - earlier) / (double)frequency;
    return -(double)(earlier - later) / (double)frequency;
}

float timeStepBetween(uint64_t previous, uint64_t now, uint64_t frequency)
{
    if (previous == 0 || frequency == 0) return nominalTimeStep;
    double seconds = secondsBetween(previous, now, frequency);
    if (seconds <= 0.0) return 0.0f;
    return seconds < (double)longestTimeStep ? (float)seconds : longestTimeStep;
}

double refreshInterval(uint32_t reportedHz)
{
    uint32_t hz = reportedHz <= 1 ? fallbackHz : reportedHz;
    if (hz < slowestHz) hz = slowestHz;
    if (hz > fastestHz) hz = fastestHz;
    return 1.0 / (double)hz;
}

bool swapWaitedForDisplay(double swapSeconds, double interval)
{
    return swapSeconds >= waitingSwap * interval;
}

double restAfterFrame(double frameSeconds, double interval, bool swapWaited)
{
    if (swapWaited) return 0.0;
    if (!(frameSeconds >= 0.0)) return interval;
    if (frameSeconds >= clearlyShorter * interval) return 0.0;
    return interval - frameSeconds;
}

bool frameToDraw(bool pictureChanged, bool windowAsks, double secondsSinceDrawn)
{
    if (pictureChanged || windowAsks) return true;
    return !(secondsSinceDrawn >= 0.0 && secondsSinceDrawn < longestUndrawnSeconds);
}
