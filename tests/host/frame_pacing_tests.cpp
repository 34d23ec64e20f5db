#include <math.h>
#include "app/frame_pacing.h"
#include "platform/x11/display_modes.h"
#include <gtest/gtest.h>

namespace {

TEST(FramePacing, RestsUntilTheNextRefreshOnlyWhenAFrameFinishedEarlyAndItsSwapDidNotWait)
{
    // Reported rate, frame seconds, swap seconds (waited from half the interval), the rest chosen.
    const double cases[][4] = {
        {60, 0.001, 0.0005, 1 / 60.0 - 0.001},  // a swap that returned at once
        {60, 0.0149, 0.0082, 1 / 60.0 - 0.0149}, {60, 0.0151, 0, 0}, {60, 0.050, 0, 0},
        {60, 0.009, 0.0084, 0},                 // the swap waited: nothing added
        {144, 0.001, 0.003, 1 / 144.0 - 0.001}, {144, 0.005, 0.004, 0},
        {0, 0.001, 0, 1 / 60.0 - 0.001},        // no rate reported, or the system's "default"
        {1, 0.001, 0, 1 / 60.0 - 0.001},       {10, 0.001, 0, 1 / 30.0 - 0.001},
        {1000, 0.001, 0, 1 / 240.0 - 0.001},   {1000, 0.0045, 0, 0},
        {60, 0, 0, 1 / 60.0},                   // a counter that went back or makes no sense: one interval
        {60, -3.0, -3.0, 1 / 60.0},            {60, NAN, NAN, 1 / 60.0}, {60, 1e12, 0, 0},
    };
    for (const auto& c : cases)
    {
        double interval = refreshInterval((uint32_t)c[0]);
        double rest = restAfterFrame(c[1], interval, swapWaitedForDisplay(c[2], interval));
        EXPECT_NEAR(rest, c[3], 1e-9) << c[0] << " Hz, frame " << c[1] << ", swap " << c[2];
        EXPECT_TRUE(rest >= 0 && rest <= 1 / 30.0);
    }
}

// The X layer's rate is the mode's: the common modes, the scan flags, and a
// mode with no totals, which leaves the pacing its 60 Hz.
TEST(FramePacing, XDisplayModesGiveTheirRefreshRate)
{
    const struct { uint64_t clock; uint32_t h, v; bool doubled, interlaced; uint32_t hz; } modes[] = {
        {148500000, 2200, 1125, false, false, 60}, {297000000, 2200, 1125, false, false, 120},
        {346500000, 2080, 1157, false, false, 144}, {25175000, 800, 525, false, false, 60},
        {25175000, 800, 525, true, false, 30},      {74250000, 2200, 1125, false, true, 60},
        {0, 0, 0, false, false, 0},                 {148500000, 2200, 0, false, false, 0},
    };
    for (const auto& m : modes)
        EXPECT_EQ(modeRefreshRate(m.clock, m.h, m.v, m.doubled, m.interlaced), m.hz) << m.clock << " " << m.h << "x" << m.v;
}

TEST(FramePacing, TheTimeStepIsTheCountersGapHeldToATenthOfASecond)
{
    // Previous reading, this one, ticks per second, the step: the first frame,
    // no frequency, 60 Hz, the longest, five seconds minimised, a counter
    // that leapt, no time, a counter that went back.
    const struct { uint64_t previous, now, frequency; float step; } cases[] = {
        {0, 5000, 1000, 1 / 60.0f}, {1000, 5000, 0, 1 / 60.0f},  {1000, 1016, 1000, 0.016f},
        {1000, 1100, 1000, 0.1f},   {1000, 6000, 1000, 0.1f},    {1000, UINT64_MAX, 1000, 0.1f},
        {1000, 1000, 1000, 0.0f},   {5000, 1000, 1000, 0.0f},    {UINT64_MAX - 10, 5, 1000, 0.0f},
    };
    for (const auto& c : cases)
        EXPECT_FLOAT_EQ(timeStepBetween(c.previous, c.now, c.frequency), c.step) << c.previous << " to " << c.now;
}

TEST(FramePacing, AFrameIsDrawnOnAChangeOnRequestOrASecondAfterTheLast)
{
    // Picture changed, window asks, seconds since the last drawn, drawn; the
    // session draws on a change, an expose and after a second.
    const struct { bool changed, asks; double seconds; bool drawn; } cases[] = {
        {false, false, 0.999, false}, {false, false, 1.0, true}, {false, false, -0.5, true}, {false, false, NAN, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(frameToDraw(c.changed, c.asks, c.seconds), c.drawn) << c.changed << c.asks << " " << c.seconds;
}

} // namespace
