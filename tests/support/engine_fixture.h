// Engine tests: a clean calibration state, helpers to set the geometry, and a
// readable listing of a mask's non-zero bytes.
#pragma once

#include "app/calibration_state.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override { resetCalibrationState(); }
    void TearDown() override { resetCalibrationState(); }

    void geometry(int width, int height, double pitch, int views, int slantX, int slantY, int mirror);

    // Allocates and generates the masks for the geometry set; fails the test
    // when the allocation does.
    void buildMasks();

    std::vector<std::string> describeMask(int view) const;
};

// "7=156 8=70" for the non-zero bytes of one mask row ("" when none).
std::string describeRow(const unsigned char* mask, int row);
