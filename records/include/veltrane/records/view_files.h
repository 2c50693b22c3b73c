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

// True when something of that name is there: where a numbered sequence of
// views ends is where the next name is free. (A pipe, a folder or a link that
// leads nowhere in its place is a view that cannot be read, not the end.)
bool viewFileExists(const std::string& name);

} // namespace veltrane
