// One calibrator run: its state, the images start-up makes for the main
// loop, and where compositions take their working memory. Made by the
// program (or a test), handed to start-up and the main loop.
#pragma once

#include "veltrane/calibrator/working_images.h"
#include "veltrane/core/calibration_state.h"
#include "veltrane/engine/mask_allocator.h"

struct Calibrator {
    CalibrationState state;
    WorkingImages images;
    veltrane::MaskAllocator allocator = veltrane::heapAllocator();
};
