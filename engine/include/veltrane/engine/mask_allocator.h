// Where a composition takes its working memory from: the general heap, or an
// allocator of the caller's (tests make one that fails on a chosen call, the
// benchmarks one that counts bytes). Handed to each call; nothing global.
#pragma once

#include <cstddef>

namespace veltrane {

struct MaskAllocator {
    void* (*allocate)(std::size_t bytes);
    void (*release)(void* block, std::size_t bytes);
};

// malloc and free.
const MaskAllocator& heapAllocator();

} // namespace veltrane
