// The numbered view image files of a rendered sequence:
// pic/blender_00000_<index><extension>, relative to the working directory.
#pragma once

#include <opencv2/core.hpp>

#include "veltrane/records/limits.h"

#include <cstdint>
#include <string>

namespace veltrane {

std::string viewFileName(int index, const std::string& extension);

// Decodes a view file as an 8-bit, three-channel, continuous image. Empty
// when it does not load; problem then says why in a few words ("it is
// empty"), or is empty itself when there is no such file. The size the file
// declares and the file's own size are checked before it is decoded.
cv::Mat loadViewImage(const std::string& name, std::string& problem);

// The pixel size a view file declares, read from its first bytes (decoded in
// full only when they do not say); false with problem as above.
bool viewImageSize(const std::string& name, cv::Size& size, std::string& problem);

// True when a regular file of that name exists.
bool viewFileExists(const std::string& name);

// While it lives, what the image libraries write on standard error (libpng's
// and libjpeg's complaints about damaged files) goes nowhere: the calibrator
// says itself which file could not be read, and its standard error carries
// the parameter line. Only for stretches in which the calibrator writes
// nothing on standard error itself.
class QuietStandardError {
public:
    QuietStandardError();
    ~QuietStandardError();
    QuietStandardError(const QuietStandardError&) = delete;
    QuietStandardError& operator=(const QuietStandardError&) = delete;

private:
    int saved_ = -1;
};

} // namespace veltrane
