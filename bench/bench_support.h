// What the benchmarks share: the calibrator's geometry for a frame size, and
// a mask allocator that records the peak number of bytes the engine holds.
#pragma once

#include "engine/lens_geometry.h"
#include "engine/mask_allocator.h"

#include <benchmark/benchmark.h>

#include <cstddef>

// Sets the state as the calibrator has it in pitch mode at this size: pitch
// 8.0, slantX 128, slantY three times the rows between the panel bars; and
// returns the lens geometry of its pitch frame.
LensGeometry pitchModeGeometry(int width, int height);

// Geometries the panel can reach that are hard on the engine, after
// pitchModeGeometry: lines as steep as they are wide (the slant offset half
// the drag area's height), the steepest slant (the test line corner to
// corner), the largest pitch, and combinations.
enum class HardGeometry { EqualExtents, SteepestSlant, LargestPitch, EqualExtentsLargestPitch, SteepestLargestPitch };
const char* hardGeometryName(HardGeometry geometry);
void applyHardGeometry(LensGeometry& lens, HardGeometry geometry);

// A smoke run (VELTRANE_BENCH_SMOKE set, as make test does): small sizes, one
// repetition, and every composition checked against the reference engine.
bool smokeRun();

// In a smoke run, marks the benchmark failed when the two images differ.
void checkAgainstReference(benchmark::State& bench, const unsigned char* output, const unsigned char* reference,
                           std::size_t bytes);

// Installs a peak-counting allocator as the calibrator's for its lifetime;
// allocator() hands it to engine calls.
class PeakCounter {
public:
    PeakCounter();
    ~PeakCounter();
    const MaskAllocator& allocator() const;
    std::size_t peak() const;
};
