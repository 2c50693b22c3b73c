// The sheet's numbers from the fringes of the two fields. A pattern drawn
// for lenses of frequency k (cycles per pixel across, per row down: 3 / P
// and -t / P for pitch P and a slant of t columns a row), seen through the
// true sheet of frequency k*, shows fringes of frequency k - k* (up to its
// sign, which a spectrum does not tell). The two fields give two such
// differences from two known frequencies; the signs for which both point
// at the same k* are the true ones.
#pragma once

#include "veltrane/autocal/photo_reading.h"
#include "veltrane/engine/calibration.h"

#include <opencv2/core.hpp>

#include <string>
#include <vector>

namespace veltrane {

// The frequency of lenses of this calibration on a display of this size;
// false for a geometry the engine does not draw.
bool lensFrequency(const Calibration& calibration, cv::Size display, cv::Point2d& frequency);

// The calibration of lenses of frequency k at the display's -y (its x the
// whole step whose lines, as the engine draws them on the display, lean
// nearest), keeping the guess's phase and panel order.
Calibration calibrationOf(cv::Point2d frequency, const Calibration& guess, cv::Size display);

// The true lenses' frequency from the fields' fringes; false with the
// problem when the two fields do not agree on it at all. misfit is how far
// apart their answers are, in fringes across a field of this size: a few
// hundredths when the fields were drawn as the solving takes them, more
// when the pattern photographed was drawn for other numbers.
bool solveFrequency(const cv::Point2d fieldFrequency[2], const Fringes fringes[2], cv::Size field,
                    cv::Point2d& solved, double& misfit, std::string& problem);

// The same from each field's fringes and their rivals: the pair whose
// answers agree best (the strongest pair when they agree alike).
bool solveBestPair(const cv::Point2d fieldFrequency[2], const std::vector<Fringes> candidates[2], cv::Size field,
                   cv::Point2d& solved, double& misfit, std::string& problem);

} // namespace veltrane
