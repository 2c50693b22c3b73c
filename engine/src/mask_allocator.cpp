#include "veltrane/engine/mask_allocator.h"

#include <cstdlib>

namespace veltrane {

namespace {

void* heapAllocate(std::size_t bytes)
{
    return std::malloc(bytes);
}

void heapRelease(void* block, std::size_t)
{
    std::free(block);
}

const MaskAllocator Heap{heapAllocate, heapRelease};

} // namespace

const MaskAllocator& heapAllocator()
{
    return Heap;
}

} // namespace veltrane
