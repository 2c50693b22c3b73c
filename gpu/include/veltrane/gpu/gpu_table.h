// A view table laid out for a GPU: made on any thread (no GL in it), then
// given to a GpuCompositor, which uploads it. Compiling takes the time
// (a few hundred milliseconds at 3840 x 2160); the player does it on a
// thread of its own while the frames of the old table go on showing.
//
// The layout, for output pixel (x, y), row 0 the image's top:
//   entries[4 (y W + x) + 0]      where the pixel's weights start in weights
//   entries[4 (y W + x) + 1 + c]  output byte c (blue, green, red) as
//                                 first view | views << 16: views views from
//                                 first on, cyclically
// and the weights of the pixel's three bytes follow one another. Every
// number is a whole number: the GPU adds source * weight / 255 (rounded as
// the table's weighting says) exactly as the engine does.
#pragma once

#include "veltrane/engine/view_table.h"
#include "veltrane/gpu/gpu_status.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace veltrane {

struct GpuTable {
    Calibration calibration; // the geometry it serves (a whole phase step turns the views only)
    cv::Size size;
    int viewCount = 0;
    Weighting weighting = Weighting::Lines;
    std::vector<std::uint32_t> entries;
    // Four to a texel, GpuWeightColumns texels a row, weightRows rows a layer,
    // weightLayers layers (padded): texel t at column t mod 2048, row
    // (t / 2048) mod 2048, layer t / 2048^2.
    std::vector<std::uint8_t> weights;
    int weightRows = 0;
    int weightLayers = 0;

    bool empty() const { return entries.empty(); }
    bool serves(const Calibration& c, cv::Size outputSize, int views, Weighting w) const;
};

// The weight texture's rows, and a layer's most rows (OpenGL ES 3.0's
// smallest texture size): more weights take more layers.
constexpr int GpuWeightColumns = 2048;
constexpr int GpuWeightRowsPerLayer = 2048;

// The view table for the geometry compiled and laid out; maxBytes bounds the
// engine's table and the layout alike.
GpuStatus compileGpuTable(const Calibration& calibration, cv::Size size, int viewCount, const EngineOptions& options,
                          GpuTable& table, std::size_t maxBytes = std::size_t{1} << 30);

// A compiled view table laid out, in table's memory from the last time: a
// thread that keeps its ViewTable and GpuTable and does this after every
// tuning key allocates nothing after the first (compileGpuTable makes both
// anew, and takes several times as long).
GpuStatus layOutTable(const ViewTable& compiled, const Calibration& calibration, GpuTable& table,
                      std::size_t maxBytes = std::size_t{1} << 30);

} // namespace veltrane
