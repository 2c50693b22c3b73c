#include "bench_support.h"

#include "veltrane/calibrator/engine_messages.h"
#include "veltrane/panel/panel_layout.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cstdlib>

namespace veltrane {

namespace {

std::size_t live = 0;
std::size_t highest = 0;

void* countedAllocate(std::size_t bytes)
{
    void* block = std::malloc(bytes);
    if (block != nullptr) {
        live += bytes;
        highest = live > highest ? live : highest;
    }
    return block;
}

void countedRelease(void* block, std::size_t bytes)
{
    live -= bytes;
    std::free(block);
}

} // namespace

CalibrationState pitchModeState(int width, int height)
{
    CalibrationState state;
    state.width = width;
    state.height = height;
    computePanelLayout(state);
    state.pitch = 8.0;
    state.slantX = 128;
    state.slantY = 3 * (height - 2 * state.layout.barHeight);
    state.mirror = 0;
    state.viewCount = veltrane::twoViewCount(state.pitch);
    return state;
}

PitchFrame pitchModeFrame(int width, int height)
{
    const CalibrationState state = pitchModeState(width, height);
    return {calibrationInForce(state), state.viewCount};
}

const char* hardGeometryName(HardGeometry geometry)
{
    switch (geometry) {
    case HardGeometry::EqualExtents: return "equal_extents";
    case HardGeometry::SteepestSlant: return "steepest_slant";
    case HardGeometry::LargestPitch: return "pitch_999.9999";
    case HardGeometry::EqualExtentsLargestPitch: return "equal_extents_pitch_999.9999";
    case HardGeometry::SteepestLargestPitch: return "steepest_slant_pitch_999.9999";
    }
    return "";
}

void applyHardGeometry(PitchFrame& frame, int width, int height, HardGeometry geometry)
{
    const int dragHeight = height - 2 * panelBarHeight(width);
    const bool largestPitch = geometry == HardGeometry::LargestPitch ||
                              geometry == HardGeometry::EqualExtentsLargestPitch ||
                              geometry == HardGeometry::SteepestLargestPitch;
    if (largestPitch) {
        frame.calibration.pitch = 999.9999;
        frame.viewCount = veltrane::twoViewCount(frame.calibration.pitch);
    }
    if (geometry == HardGeometry::EqualExtents || geometry == HardGeometry::EqualExtentsLargestPitch)
        frame.calibration.x = dragHeight; // lineDx = lineDy = height
    if (geometry == HardGeometry::SteepestSlant || geometry == HardGeometry::SteepestLargestPitch)
        frame.calibration.x = 3 * width; // slant offset 3 x width / 2, the limit of drags and keys
}

bool smokeRun()
{
    static const bool smoke = std::getenv("VELTRANE_BENCH_SMOKE") != nullptr;
    return smoke;
}

void checkAgainstReference(benchmark::State& bench, const unsigned char* output, const unsigned char* reference,
                           std::size_t bytes)
{
    if (!std::equal(output, output + bytes, reference))
        bench.SkipWithError("the composition differs from the reference engine's");
}

PeakCounter::PeakCounter()
{
    live = 0;
    highest = 0;
}

const veltrane::MaskAllocator& PeakCounter::allocator() const
{
    static const veltrane::MaskAllocator counted{countedAllocate, countedRelease};
    return counted;
}

std::size_t PeakCounter::peak() const
{
    return highest;
}

std::vector<cv::Mat> enlargedNearest(const std::vector<cv::Mat>& tiles, cv::Size size)
{
    std::vector<cv::Mat> enlarged(tiles.size());
    for (std::size_t v = 0; v < tiles.size(); ++v)
        cv::resize(tiles[v], enlarged[v], size, 0, 0, cv::INTER_NEAREST);
    return enlarged;
}

} // namespace veltrane
