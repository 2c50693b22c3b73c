// The calibration the calibrator prints, "param: -x 6 -y 1152 -pitch 8.0000
// -mirror", read back: the slant as the fraction x / y, the pitch and the
// mirror flag.
#pragma once

#include "veltrane/engine/calibration.h"

#include <string>

namespace veltrane {

// Reads a parameter line as the calibrator prints it, taken verbatim: the
// leading "param:" may be missing, spacing is free, and a trailing carriage
// return (or newline) is ignored. False with a one-line message when it is
// not such a line.
bool parseParameterLine(const std::string& text, Calibration& calibration, std::string& message);

// The line as the calibrator prints it: "param: -x     6 -y  1152 -pitch
// 8.0000 -mirror" (" -mirror" only when mirrored; nothing after it).
std::string parameterLine(const Calibration& calibration);

} // namespace veltrane
