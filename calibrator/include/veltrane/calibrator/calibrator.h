// One calibrator run: its state, the images start-up makes for the main
// loop, where compositions take their working memory, where its lines go,
// and what asks it to end. Made by the program (or a test), handed to
// start-up and the main loop.
#pragma once

#include "veltrane/calibrator/working_images.h"
#include "veltrane/core/calibration_state.h"
#include "veltrane/engine/mask_allocator.h"

#include <csignal>
#include <cstdio>

namespace veltrane {

struct Calibrator {
    CalibrationState state;
    WorkingImages images;
    veltrane::MaskAllocator allocator = veltrane::heapAllocator();
    std::FILE* messages = stderr; // the parameter line of every pass
    std::FILE* report = stdout;   // the banner, failed compositions, the views' problems
    // Set (by a signal handler) when the run is to end as on a quit; none when null.
    const volatile std::sig_atomic_t* endRequested = nullptr;
};

} // namespace veltrane
