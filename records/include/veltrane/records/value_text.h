// Values as the calibrator prints and reads them, shared by its programs: the
// pitch's range and text fit for a one-line message.
#pragma once

#include "veltrane/engine/calibration.h"
#include "veltrane/engine/weighting.h"
#include "veltrane/records/limits.h"

#include <opencv2/core/types.hpp>

#include <string>

namespace veltrane {

// True when the pitch prints (as "%8.4f") from 1.0000 up to 999.9999: finite,
// at least MinPitch, and not so close to PitchLimit that it rounds to it.
bool pitchInRange(double pitch);

// The pitch as the parameter line prints it ("%.4f"), read back: what a
// record saves, so that it says what the person copied.
double printedPitch(double pitch);

// An image's size in a message: "1920 x 1080".
std::string sizeText(cv::Size size);

// A whole number or a finite number that is all of text; false for anything
// else (NaN, infinity, a whole number out of long's range).
bool readWholeNumber(const std::string& text, long& value);
bool readNumber(const std::string& text, double& value);

// "CxR" or "WxH": two positive whole numbers of at most six digits.
bool parseDimensions(const std::string& text, int& first, int& second);

// A panel's subpixel order as records and options write it: "rgb" or "bgr".
bool readSubpixelOrder(const std::string& text, ChannelOrder& order);

// A weighting as records and options write it: "lines" or "full".
bool readWeighting(const std::string& text, Weighting& weighting);
const char* weightingName(Weighting weighting);

// Text fit for a one-line message: control characters and bytes outside
// ASCII written as escapes (\n, \x1b).
std::string printable(const std::string& text);

} // namespace veltrane
