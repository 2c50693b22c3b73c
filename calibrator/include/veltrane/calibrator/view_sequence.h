// Interlacing of a numbered sequence of rendered view images from disk.
#pragma once

#include "veltrane/core/calibration_state.h"
#include "veltrane/engine/mask_allocator.h"

#include <opencv2/core.hpp>

#include <cstdio>

namespace veltrane {

// One composition in the current view mode; always sets mode back to
// savedMode. True when composed holds a new frame to show. The views'
// problems and a failed composition are said on report.
bool interlaceViewSequence(CalibrationState& state, const veltrane::MaskAllocator& allocator, cv::Mat& composed,
                           std::FILE* report);

} // namespace veltrane
