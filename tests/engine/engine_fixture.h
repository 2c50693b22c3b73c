// Engine tests: a lens geometry to set, masks built from it, and a readable
// listing of a mask's non-zero bytes.
#pragma once

#include "lens_geometry.h"
#include "veltrane/engine/interlace.h"
#include "view_masks.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace veltrane {

// A lens geometry's calibration and options, for the engine's public calls.
Calibration calibrationOf(const LensGeometry& lens);
EngineOptions optionsOf(const LensGeometry& lens, const MaskAllocator& allocator = heapAllocator());

// One view's shares added into output.
Status addOneView(const LensGeometry& lens, int view, const unsigned char* source, unsigned char* output);

} // namespace veltrane

using veltrane::LensGeometry;
using veltrane::ViewMasks;

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
