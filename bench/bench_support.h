// What the benchmarks share: the calibrator's geometry for a frame size, and
// a mask allocator that records the peak number of bytes the engine holds.
#pragma once

#include <benchmark/benchmark.h>

#include <cstddef>

// Sets the state as the calibrator has it in pitch mode at this size: pitch
// 8.0, slantX 128, slantY three times the rows between the panel bars.
void pitchModeGeometry(int width, int height);

// Geometries the panel can reach that are hard on the engine, after
// pitchModeGeometry: lines as steep as they are wide (the slant offset half
// the drag area's height), the steepest slant (the test line corner to
// corner), the largest pitch, and combinations.
enum class HardGeometry { EqualExtents, SteepestSlant, LargestPitch, EqualExtentsLargestPitch, SteepestLargestPitch };
const char* hardGeometryName(HardGeometry geometry);
void applyHardGeometry(HardGeometry geometry);

// Installs a peak-counting allocator for its lifetime.
class PeakCounter {
public:
    PeakCounter();
    ~PeakCounter();
    std::size_t peak() const;
};
