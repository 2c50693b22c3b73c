// Which way up a photo of the pattern was taken: a phone may store it turned
// or, from its front camera, mirrored, and fringes read from a mirrored photo
// lean the other way. The display's frame tells a quarter turn (a wide
// display photographed tall), and where the code stands in the frame, read
// module by module, tells the rest.
#pragma once

#include "veltrane/autocal/pattern.h"

#include <opencv2/core.hpp>

#include <string>

namespace veltrane {

enum class PhotoTurn {
    Found,     // upright holds the photo as the display stands
    NoDisplay, // no frame is found: upright is the photo, for the reading to refuse
    Unknown,   // the frame is found, the code in it is not
};

// The photo turned and flipped so that the pattern of the code stands as
// drawn.
PhotoTurn turnPhotoUpright(const cv::Mat& photo, const PatternCode& code, cv::Mat& upright);

} // namespace veltrane
