#include "app/mask_memory.h"

namespace {

MaskAllocator current = heapAllocator();

} // namespace

const MaskAllocator& calibratorAllocator()
{
    return current;
}

MaskAllocator setCalibratorAllocator(const MaskAllocator& allocator)
{
    const MaskAllocator previous = current;
    current = allocator;
    return previous;
}
