// A calibrator started as the program starts it, on a scripted back end, with
// standard output and error captured while the loop runs.
#pragma once

#include "app/calibration_state.h"
#include "app/main_loop.h"
#include "app/options.h"
#include "app/working_images.h"
#include "app/scripted_backend.h"

#include <gtest/gtest.h>

#include <string>

class CalibratorTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

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

    ScriptedBackend windows;
    WorkingImages images;
    std::string out;
    std::string err;
    PassResult loopResult = PassResult::Continue;
    bool scriptMayBeCutShort = false;
};
