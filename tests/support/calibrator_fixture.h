// A calibrator started as the program starts it, on a scripted back end, with
// standard output and error captured while the loop runs.
#pragma once

#include "veltrane/calibrator/calibrator.h"
#include "veltrane/calibrator/main_loop.h"
#include "veltrane/calibrator/options.h"
#include "veltrane/scripted/scripted_backend.h"

#include <gtest/gtest.h>

#include <string>

namespace veltrane {

class CalibratorTest : public ::testing::Test {
protected:
    // Start-up with these options (banner output is discarded).
    void start(int width = 640, int height = 512, double pitch = 8.0);
    // Runs the main loop over the script until it ends; keeps what it printed
    // and how the loop ended. A loop that ends before its script does fails
    // the test, unless scriptMayBeCutShort is set.
    void run();

    // The parameter lines written on standard error, split at each '\r';
    // SoFar reads them while the loop runs (from a scripted wait).
    std::vector<std::string> parameterLines() const;
    std::vector<std::string> parameterLinesSoFar();

    // Puts the state back as it was before start-up.
    void resetState() { calibrator.state = CalibrationState{}; }

    ScriptedBackend windows;
    Calibrator calibrator;
    CalibrationState& state = calibrator.state;
    WorkingImages& images = calibrator.images;
    std::string out;
    std::string err;
    PassResult loopResult = PassResult::Continue;
    bool scriptMayBeCutShort = false;
};

} // namespace veltrane
