// Where the engine takes its view-mask memory from. The default is the general
// heap; tests put in an allocator that fails on a chosen call or counts bytes.
#pragma once

#include <cstddef>

struct MaskAllocator {
    void* (*allocate)(std::size_t bytes);
    void (*release)(void* block, std::size_t bytes);
};

// The allocator in use now.
const MaskAllocator& maskAllocator();

// Installs another allocator and returns the one it replaces.
MaskAllocator setMaskAllocator(const MaskAllocator& allocator);

void* allocateMaskMemory(std::size_t bytes);
void releaseMaskMemory(void* block, std::size_t bytes);
