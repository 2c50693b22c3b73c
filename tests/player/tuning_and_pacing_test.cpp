// The player's keys and pace: what each tuning key changes, and which frame
// is due when, on times given from outside.
#include "veltrane/player/pacing.h"
#include "veltrane/player/tuning.h"

#include <gtest/gtest.h>

using namespace veltrane;

namespace {

Tuning tuned(int x, bool mirror, double pitch, double phase)
{
    Tuning tuning;
    tuning.calibration = {x, 1152, pitch, mirror, phase, ChannelOrder::Rgb};
    return tuning;
}

TEST(Tuning, ThePhaseStepsByViewsAndTenthsAndWraps)
{
    Tuning up = tuned(6, true, 8.0, 0.0);
    EXPECT_TRUE(applyTuningKey(']', 5, up));
    EXPECT_EQ(up.calibration.viewPhase, 1.0);
    applyTuningKey(']', 5, up);
    EXPECT_EQ(up.calibration.viewPhase, 2.0);
    for (int i = 0; i < 3; ++i)
        applyTuningKey(']', 5, up);
    EXPECT_EQ(up.calibration.viewPhase, 0.0); // five views up is where it was
    for (int i = 0; i < 10; ++i)
        applyTuningKey('}', 5, up);
    EXPECT_EQ(up.calibration.viewPhase, 1.0); // ten tenths up are one view, exactly

    Tuning tuning = tuned(6, true, 8.0, 0.0);
    EXPECT_TRUE(applyTuningKey('[', 5, tuning));
    EXPECT_EQ(tuning.calibration.viewPhase, 4.0); // below 0: round to the last view
    for (int i = 0; i < 3; ++i)
        applyTuningKey('}', 5, tuning);
    EXPECT_DOUBLE_EQ(tuning.calibration.viewPhase, 4.3);
    for (int i = 0; i < 7; ++i)
        applyTuningKey('}', 5, tuning);
    EXPECT_EQ(tuning.calibration.viewPhase, 0.0); // ten tenths are one view, exactly
    applyTuningKey('{', 5, tuning);
    EXPECT_DOUBLE_EQ(tuning.calibration.viewPhase, 4.9);
    EXPECT_EQ(wrappedPhase(-0.25, 4), 3.75); // the same phase, never rounded
    EXPECT_EQ(wrappedPhase(0.25, 4), 0.25);
    EXPECT_EQ(wrappedPhase(12.0, 4), 0.0);
    EXPECT_EQ(wrappedPhase(-1e-18, 4), 0.0);
}

// A phase between tenths keeps its fraction through every step: a
// calibration played and saved is the calibration given.
TEST(Tuning, APhaseBetweenTenthsKeepsItsFraction)
{
    Tuning tuning = tuned(6, true, 8.0, 0.25);
    applyTuningKey('}', 8, tuning);
    EXPECT_DOUBLE_EQ(tuning.calibration.viewPhase, 0.35);
    applyTuningKey('{', 8, tuning);
    applyTuningKey('{', 8, tuning);
    applyTuningKey('{', 8, tuning);
    EXPECT_DOUBLE_EQ(tuning.calibration.viewPhase, 0.05);
    applyTuningKey(']', 8, tuning);
    EXPECT_DOUBLE_EQ(tuning.calibration.viewPhase, 1.05);
    applyTuningKey('[', 8, tuning);
    applyTuningKey('[', 8, tuning);
    EXPECT_DOUBLE_EQ(tuning.calibration.viewPhase, 7.05); // below 0: wrapped
}

TEST(Tuning, PitchSlantOrderAndPanel)
{
    Tuning tuning = tuned(1, false, 8.0, 0.0);
    applyTuningKey('=', 8, tuning);
    EXPECT_EQ(tuning.calibration.pitch, 8.0001);
    applyTuningKey('+', 8, tuning);
    EXPECT_EQ(tuning.calibration.pitch, 8.0011);
    applyTuningKey('_', 8, tuning);
    applyTuningKey('-', 8, tuning);
    EXPECT_EQ(tuning.calibration.pitch, 8.0);
    applyTuningKey(',', 8, tuning);
    EXPECT_EQ(tuning.calibration.x, 0);
    applyTuningKey(',', 8, tuning); // through upright, the lenses lean the other way
    EXPECT_EQ(tuning.calibration.x, 1);
    EXPECT_TRUE(tuning.calibration.mirror);
    applyTuningKey('.', 8, tuning);
    applyTuningKey('.', 8, tuning);
    EXPECT_EQ(tuning.calibration.x, 1);
    EXPECT_FALSE(tuning.calibration.mirror);
    applyTuningKey('r', 8, tuning);
    applyTuningKey('b', 8, tuning);
    EXPECT_TRUE(tuning.reverse);
    EXPECT_EQ(tuning.calibration.subpixelOrder, ChannelOrder::Bgr);
    Tuning floor = tuned(0, false, 1.0, 0.0);
    EXPECT_FALSE(applyTuningKey('-', 8, floor)); // below the printable range: kept
    EXPECT_EQ(floor.calibration.pitch, 1.0);
    EXPECT_FALSE(applyTuningKey(']', 0, floor)); // an interlaced image: nothing to tune
    EXPECT_FALSE(applyTuningKey('x', 8, floor));
}

TEST(Pacing, FramesFallDueAtTheirTimes)
{
    Pacing pacing(10.0);
    pacing.restart(100.0, 0);
    EXPECT_EQ(pacing.due(100.0), 0);
    EXPECT_EQ(pacing.due(100.0999), 0);
    EXPECT_EQ(pacing.due(100.1), 1); // a whole number of frames, whatever the rounding
    EXPECT_EQ(pacing.due(100.35), 3);
    EXPECT_NEAR(pacing.untilNext(100.05, 0), 0.05, 1e-9);
    EXPECT_EQ(pacing.untilNext(100.5, 0), 0.0); // late: no wait
    pacing.restart(200.0, 7); // resumed at frame 7
    EXPECT_EQ(pacing.due(200.25), 9);
    EXPECT_EQ(Pacing(0.0).due(1.0 / 24), 1); // no rate: 24 a second
}

} // namespace
