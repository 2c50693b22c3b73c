// Engine tests: a lens geometry to set, masks built from it, and a readable
// listing of a mask's non-zero bytes.
#pragma once

#include "engine/lens_geometry.h"
#include "engine/view_masks.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

class EngineTest : public ::testing::Test {
protected:
    void geometry(int width, int height, double pitch, int views, int slantX, int slantY, int mirror);

    // Allocates and generates the masks for the geometry set; fails the test
    // when the allocation does.
    void buildMasks();

    std::vector<std::string> describeMask(int view) const;

    LensGeometry lens;
    std::unique_ptr<ViewMasks> masks;
};

// "7=156 8=70" for the non-zero bytes of one mask row of this stride ("" when none).
std::string describeRow(const unsigned char* mask, int row, int stride);
