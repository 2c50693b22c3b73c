// A mask allocator for tests: counts calls, live blocks and bytes, keeps the
// peak, and can make the n-th allocation fail. allocator() hands it to engine
// calls and to a Calibrator; the counts start anew with each object.
#pragma once

#include "veltrane/engine/mask_allocator.h"

#include <cstddef>
#include <functional>

class CountingAllocator {
public:
    // failAt: the 1-based number of the allocation that returns null; 0 never.
    explicit CountingAllocator(int failAt = 0);
    ~CountingAllocator();
    CountingAllocator(const CountingAllocator&) = delete;
    CountingAllocator& operator=(const CountingAllocator&) = delete;

    // The allocator itself, for an engine call.
    static const veltrane::MaskAllocator& allocator();

    static int calls();
    static int liveBlocks();
    static std::size_t liveBytes();
    static std::size_t peakBytes();

    // Runs before every allocation: a test's way to act at that moment.
    static void beforeEachAllocation(std::function<void()> action);

};
