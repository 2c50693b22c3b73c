// An image written as a PNG file, whole: encoded, written under a temporary
// name and moved into place, never over an existing file unless allowed.
#pragma once

#include "veltrane/records/atomic_file.h"

#include <opencv2/core.hpp>

#include <string>

namespace veltrane {

// True when name ends in ".png" (in any case): a name that says what it holds.
bool pngName(const std::string& name);

// False with one line naming the file and why (a name that does not end in
// ".png" among the reasons).
bool writePngFile(const std::string& name, const cv::Mat& image, Replace replace, std::string& message);

} // namespace veltrane
