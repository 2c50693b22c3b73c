// Reading a photo of the calibration pattern: the display found by its
// white frame and warped onto its own pixels, and the fringes of each field
// measured from the peak of their spectrum.
#pragma once

#include "veltrane/autocal/pattern.h"

#include <opencv2/core.hpp>

#include <string>
#include <vector>

namespace veltrane {

// The photo's display, as the mean of its channels (0 to 1) at the
// display's pixels times scale.
// False with what is wrong, in a few words ("no display found", "too dark").
// With colours, the photo's own channels (blue first, 0 to 1) too, warped alike.
// The lenses are those the pattern was drawn for: the display's left and
// right sides are found through them (sidesThroughLenses).
bool rectifyPhoto(const cv::Mat& photo, const PatternLayout& layout, const Calibration& lenses, double scale,
                  cv::Mat& rectified, std::string& problem, cv::Mat* colours = nullptr);

// A photo's grey, the mean of its channels, not a luminance: through a lens,
// white shows as one lit subpixel of any of the three colours, alike in
// this mean.
cv::Mat channelMean(const cv::Mat& photo);

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

// A peak this many times the spectrum's usual level is fringes; one of at
// least RivalShare of the strongest's size may be the fringes instead of
// it (a reflection's band across the field can outshine them), up to
// MostCandidates of them.
constexpr double FringeStrength = 20.0;
constexpr double RivalShare = 0.1;
constexpr std::size_t MostCandidates = 4;

// The fringes of a field of the rectified display (its rectangle in display
// pixels, times scale) within the window, the part of it that is skipped
// (the code's square; display pixels) left out: the strongest first, and
// their rivals. False with the problem.
bool measureFringes(const cv::Mat& rectified, const cv::Rect& field, const cv::Rect& skipped, double scale,
                    const FringeWindow& window, std::vector<Fringes>& candidates, std::string& problem);

} // namespace veltrane
