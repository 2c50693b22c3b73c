// The images that start-up creates for the main loop and that live until the
// calibrator ends.
#pragma once

#include <opencv2/core.hpp>

namespace veltrane {

struct WorkingImages {
    cv::Mat subpixelCanvas;  // height x 3*width bytes, one per subpixel, all 50
    cv::Mat lineCanvas;      // per-pass copy of subpixelCanvas carrying the slant line
    cv::Mat backgroundImage; // grey 100, copied into displayImage at every pass
};

} // namespace veltrane
