// What the benchmarks share: the calibrator's geometry for a frame size, and
// a mask allocator that records the peak number of bytes the engine holds.
#pragma once

#include "veltrane/core/calibration_state.h"
#include "veltrane/engine/interlace.h"

#include <benchmark/benchmark.h>

#include <cstddef>
#include <vector>

namespace veltrane {

// What the calibrator's pitch frame is composed with.
struct PitchFrame {
    veltrane::Calibration calibration;
    int viewCount = 0;
};

// The state as the calibrator has it in pitch mode at this size: pitch 8.0,
// slantX 128, slantY three times the rows between the panel bars.
CalibrationState pitchModeState(int width, int height);
// And its pitch frame.
PitchFrame pitchModeFrame(int width, int height);

// Geometries the panel can reach that are hard on the engine, after
// pitchModeGeometry: lines as steep as they are wide (the slant offset half
// the drag area's height), the steepest slant (the test line corner to
// corner), the largest pitch, and combinations.
enum class HardGeometry { EqualExtents, SteepestSlant, LargestPitch, EqualExtentsLargestPitch, SteepestLargestPitch };
const char* hardGeometryName(HardGeometry geometry);
void applyHardGeometry(PitchFrame& frame, int width, int height, HardGeometry geometry);

// A smoke run (VELTRANE_BENCH_SMOKE set, as make test does): small sizes, one
// repetition, and every composition checked against the reference engine.
bool smokeRun();

// In a smoke run, marks the benchmark failed when the two images differ.
void checkAgainstReference(benchmark::State& bench, const unsigned char* output, const unsigned char* reference,
                           std::size_t bytes);

// Tiles enlarged to size as a view table reads them: cv::resize's nearest pixels.
std::vector<cv::Mat> enlargedNearest(const std::vector<cv::Mat>& tiles, cv::Size size);

// A peak-counting allocator, counting from its making; allocator() hands it
// to engine calls and to the calibrator's compositions.
class PeakCounter {
public:
    PeakCounter();
    const veltrane::MaskAllocator& allocator() const;
    std::size_t peak() const;
};

} // namespace veltrane
