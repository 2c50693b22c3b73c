// Reading a photo of the calibration pattern: the display found by its
// white frame and warped onto its own pixels, and the fringes of each field
// measured from the peak of their spectrum.
#pragma once

#include "veltrane/autocal/pattern.h"

#include <opencv2/core.hpp>

#include <string>

namespace veltrane {

// The photo's display, as the mean of its channels (0 to 1) at the
// display's pixels times scale.
// False with what is wrong, in a few words ("no display found", "too dark").
bool rectifyPhoto(const cv::Mat& photo, const PatternLayout& layout, double scale, cv::Mat& rectified,
                  std::string& problem);

struct Fringes {
    cv::Point2d frequency; // cycles per display pixel across, and per row down (across >= 0)
    double strength = 0.0; // the peak against the spectrum's usual level
};

// Where a field's fringes can be, in cycles per display pixel: within
// reach of expected or of its opposite (a spectrum does not tell the sign).
// Elsewhere lie the lenses' own pattern and its moiré with the pixels.
struct FringeWindow {
    cv::Point2d expected;
    cv::Point2d reach;
};

// The strongest fringes of a field of the rectified display (its rectangle
// in display pixels, times scale) within the window. False with the problem.
bool measureFringes(const cv::Mat& rectified, const cv::Rect& field, double scale, const FringeWindow& window,
                    Fringes& fringes, std::string& problem);

} // namespace veltrane
