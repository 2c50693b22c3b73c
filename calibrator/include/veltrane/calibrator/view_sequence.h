// Interlacing of a numbered sequence of rendered view images from disk.
#pragma once

#include "veltrane/core/calibration_state.h"
#include "veltrane/engine/mask_allocator.h"

#include <opencv2/core.hpp>

namespace veltrane {

// One composition in the current view mode; always sets mode back to
// savedMode. True when composed holds a new frame to show.
bool interlaceViewSequence(CalibrationState& state, const veltrane::MaskAllocator& allocator, cv::Mat& composed);

} // namespace veltrane
