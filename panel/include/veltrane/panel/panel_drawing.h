// Drawing the control panel over displayImage: the five buttons first, then
// (after the main loop's own step) the slant and pitch read-outs.
#pragma once

#include "veltrane/core/calibration_state.h"

#include <opencv2/core.hpp>

namespace veltrane {

void drawButton(CalibrationState& state, cv::Mat& image, const char* label, const PanelRect& rect, bool hover, bool active);

// The five buttons, the one of the current mode filled lighter.
void drawButtons(CalibrationState& state);

// "XT", "YT", the "pitch:" caption and the eight pitch characters.
void drawReadouts(CalibrationState& state);

} // namespace veltrane
