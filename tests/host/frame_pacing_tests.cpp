#include <math.h>
#include "app/frame_pacing.h"
#include <gtest/gtest.h>

namespace {

TEST(FramePacing, RestsUntilTheNextRefreshOnlyWhenAFrameFinishedEarlyAndItsSwapDidNotWait)
{
    // Reported rate, frame seconds, whether the swap waited, the rest chosen.
    struct Case
    {
        uint32_t hz;
        double frame;
        bool waited;
        double rest;
    };
    const Case cases[] = {
        {60, 0.001, false, 1 / 60.0 - 0.001},    // a swap that returned at once
        {60, 0.0149, false, 1 / 60.0 - 0.0149},  // still clearly shorter
        {60, 0.0151, false, 0},                  // near enough the interval: the swap's jitter
        {60, 0.050, false, 0},                   // a slow frame gets no rest
        {60, 0.001, true, 0},                    // the swap waited: nothing added
        {144, 0.001, false, 1 / 144.0 - 0.001},
        {0, 0.001, false, 1 / 60.0 - 0.001},     // no rate reported
        {1, 0.001, false, 1 / 60.0 - 0.001},     // the system's "default"
        {10, 0.001, false, 1 / 30.0 - 0.001},    // the slowest pace
        {1000, 0.001, false, 1 / 240.0 - 0.001}, // the fastest
        {1000, 0.0045, false, 0},
        {60, 0, false, 1 / 60.0},
        {60, -3.0, false, 1 / 60.0},             // the counter went back: one interval, no spin
        {60, NAN, false, 1 / 60.0},
        {60, 1e12, false, 0},                    // or jumped ahead
    };
    for (const Case& c : cases)
    {
        double interval = refreshInterval(c.hz);
        double rest = restAfterFrame(c.frame, interval, c.waited);
        EXPECT_NEAR(rest, c.rest, 1e-9) << c.hz << " Hz, frame " << c.frame << (c.waited ? ", waited" : "");
        EXPECT_TRUE(rest >= 0 && rest <= 1 / 30.0);
    }
}

TEST(FramePacing, ASwapWaitedWhenItTookHalfTheInterval)
{
    // Reported rate, swap seconds, whether it waited.
    struct Case
    {
        uint32_t hz;
        double swap;
        bool waited;
    };
    const Case cases[] = {
        {60, 0.016, true}, {60, 0.0084, true}, {60, 0.0082, false}, {60, 0.001, false},
        {60, -1.0, false}, {144, 0.004, true}, {144, 0.003, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(swapWaitedForDisplay(c.swap, refreshInterval(c.hz)), c.waited) << c.hz << " Hz, swap " << c.swap;
}

TEST(FramePacing, TheTimeStepIsTheCountersGapHeldToATenthOfASecond)
{
    // Previous reading, this one, ticks per second, the step.
    struct Case
    {
        uint64_t previous;
        uint64_t now;
        uint64_t frequency;
        float step;
    };
    const Case cases[] = {
        {0, 5000, 1000, 1 / 60.0f},                // the first frame
        {1000, 5000, 0, 1 / 60.0f},                // no frequency
        {1000, 1016, 1000, 0.016f},                // a frame at 60 Hz
        {1000, 1100, 1000, 0.1f},                  // the longest step
        {1000, 6000, 1000, 0.1f},                  // five seconds minimised
        {1000, UINT64_MAX, 1000, 0.1f},            // a counter that leapt
        {1000, 1000, 1000, 0.0f},                  // no time passed
        {5000, 1000, 1000, 0.0f},                  // the counter went back
        {UINT64_MAX - 10, 5, 1000, 0.0f},
    };
    for (const Case& c : cases)
        EXPECT_FLOAT_EQ(timeStepBetween(c.previous, c.now, c.frequency), c.step)
            << c.previous << " to " << c.now << " at " << c.frequency;
}

} // namespace
