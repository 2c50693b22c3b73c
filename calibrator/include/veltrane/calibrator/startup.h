// Start-up: options into the state, the banner, the working and program-wide
// images, the panel layout, and the main window with its pointer handler.
#pragma once

#include "veltrane/calibrator/options.h"
#include "veltrane/core/window_backend.h"
#include "veltrane/calibrator/calibrator.h"

namespace veltrane {

extern const char* const WindowTitle;

void startUp(Calibrator& calibrator, const Options& options, WindowBackend& windows);

} // namespace veltrane
