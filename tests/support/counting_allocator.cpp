#include "support/counting_allocator.h"

#include <cstdlib>

namespace {

int failAtCall = 0;
int callCount = 0;
int blocks = 0;
std::size_t bytesNow = 0;
std::size_t bytesPeak = 0;
std::function<void()> beforeAllocation;

void* countingAllocate(std::size_t bytes)
{
    if (beforeAllocation)
        beforeAllocation();
    ++callCount;
    if (callCount == failAtCall)
        return nullptr;
    void* block = std::malloc(bytes);
    ++blocks;
    bytesNow += bytes;
    if (bytesNow > bytesPeak)
        bytesPeak = bytesNow;
    return block;
}

void countingRelease(void* block, std::size_t bytes)
{
    --blocks;
    bytesNow -= bytes;
    std::free(block);
}

} // namespace

CountingAllocator::CountingAllocator(int failAt)
{
    failAtCall = failAt;
    callCount = 0;
    blocks = 0;
    bytesNow = 0;
    bytesPeak = 0;
}

CountingAllocator::~CountingAllocator()
{
    beforeAllocation = nullptr;
}

const veltrane::MaskAllocator& CountingAllocator::allocator()
{
    static const veltrane::MaskAllocator counting{countingAllocate, countingRelease};
    return counting;
}

int CountingAllocator::calls() { return callCount; }
int CountingAllocator::liveBlocks() { return blocks; }
std::size_t CountingAllocator::liveBytes() { return bytesNow; }
std::size_t CountingAllocator::peakBytes() { return bytesPeak; }

void CountingAllocator::beforeEachAllocation(std::function<void()> action)
{
    beforeAllocation = std::move(action);
}
