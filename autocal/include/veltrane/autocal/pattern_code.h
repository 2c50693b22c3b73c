// The numbers a pattern was drawn for, written into it as a QR code: a photo
// of the pattern then says which guess it shows, for which display and in
// which round.
#pragma once

#include "veltrane/engine/calibration.h"

#include <opencv2/core.hpp>

#include <string>

namespace veltrane {

struct PatternCode {
    Calibration guess;
    cv::Size display;
    int round = 1;
};

// The code's text, "VELTRANE1 R2 3840X2160 X8 Y1152 P8.5000 M1 RGB": the
// round, the display's size and the guess with its pitch as the calibrator
// prints it. Upper case, digits and spaces only: the QR code's compact
// alphanumeric mode.
std::string patternCodeText(const PatternCode& code);

// The text read back; false for a text that is not such a code.
bool readPatternCodeText(const std::string& text, PatternCode& code);

// The code's modules, 255 light and 0 dark, with the quiet zone around them.
cv::Mat patternCodeModules(const PatternCode& code);

// The square of the code's dark modules in patternCodeModules' image.
cv::Rect patternCodeSquare(const cv::Mat& modules);

// The first pattern code a photo shows, wherever it is and however the
// photo is turned; false when none can be read.
bool findPatternCode(const cv::Mat& photo, PatternCode& code);

} // namespace veltrane
