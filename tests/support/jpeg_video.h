// Videos no well-behaved encoder writes: each frame coded as a JPEG of its
// own size and muxed into Matroska as it is (Motion JPEG), so that frames
// may change size part way, or one of them may be damaged.
#pragma once

#include <opencv2/core.hpp>

#include <string>
#include <vector>

namespace veltrane {

// Writes frames (8-bit BGR, any sizes) at 24 frames a second; the frame at
// index damaged, if any, is written as bytes that are no JPEG. False when
// the file cannot be written.
bool writeJpegVideo(const std::string& file, const std::vector<cv::Mat>& frames, int damaged = -1);

} // namespace veltrane
