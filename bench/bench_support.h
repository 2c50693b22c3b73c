// What the benchmarks share: the calibrator's geometry for a frame size, and
// a mask allocator that records the peak number of bytes the engine holds.
#pragma once

#include <benchmark/benchmark.h>

#include <cstddef>

// Sets the state as the calibrator has it in pitch mode at this size: pitch
// 8.0, slantX 128, slantY three times the rows between the panel bars.
void pitchModeGeometry(int width, int height);

// Installs a peak-counting allocator for its lifetime.
class PeakCounter {
public:
    PeakCounter();
    ~PeakCounter();
    std::size_t peak() const;
};
