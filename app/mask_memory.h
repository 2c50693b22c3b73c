// Where the calibrator's compositions take their working memory from: the
// heap, unless a test or benchmark puts in an allocator of its own.
#pragma once

#include "engine/mask_allocator.h"

const MaskAllocator& calibratorAllocator();

// Installs another allocator and returns the one it replaces.
MaskAllocator setCalibratorAllocator(const MaskAllocator& allocator);
