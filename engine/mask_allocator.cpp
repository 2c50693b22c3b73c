#include "engine/mask_allocator.h"

#include <cstdlib>

namespace {

void* heapAllocate(std::size_t bytes)
{
    return std::malloc(bytes);
}

void heapRelease(void* block, std::size_t)
{
    std::free(block);
}

MaskAllocator current{heapAllocate, heapRelease};

} // namespace

const MaskAllocator& maskAllocator()
{
    return current;
}

MaskAllocator setMaskAllocator(const MaskAllocator& allocator)
{
    const MaskAllocator previous = current;
    current = allocator;
    return previous;
}

void* allocateMaskMemory(std::size_t bytes)
{
    return current.allocate(bytes);
}

void releaseMaskMemory(void* block, std::size_t bytes)
{
    if (block != nullptr)
        current.release(block, bytes);
}
