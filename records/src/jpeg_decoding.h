// JPEG decoding that tells damage: libjpeg decodes a file whose data is cut
// or corrupt with grey where the data is missing and only warns; here a
// warning is a refusal.
#pragma once

#include <opencv2/core.hpp>

#include <string>
#include <vector>

namespace veltrane {

// The image blue first, as cv::imdecode gives it (the same library, the same
// settings), and true; false with problem set for data that is not whole, or
// with problem empty for a file the decoder cannot read at all.
bool decodeJpeg(const std::vector<unsigned char>& bytes, cv::Mat& image, std::string& problem);

} // namespace veltrane
