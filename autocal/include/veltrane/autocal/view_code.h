// The pattern that codes the views, for the view phase at the camera's
// place. With the numbers found (right for the camera's distance), every
// lens shows the camera the same place under it, a share u of the way from
// one line of view 0 to the next. The pattern lights each subpixel by where
// it lies between the lines, a wave of one turn a lens, in tiles whose waves
// are shifted by eighths of a turn; the camera sees each tile as bright as
// its wave is at u, and the eight tiles' brightnesses give u as the phase of
// their first harmonic, whatever the camera's gain, offset and gamma (eight
// shifts leave out the harmonics a gamma makes, up to the seventh). Each row
// and each column of tiles holds all eight shifts, so each gives u on its
// own (numbers not right for the camera show as rows or columns that
// disagree), and the shifts' tiles lie alike about the middle, so light
// falling off across the photo leaves u alone.
#pragma once

#include "veltrane/autocal/pattern.h"
#include "veltrane/engine/calibration.h"
#include "veltrane/engine/status.h"

#include <opencv2/core.hpp>

#include <string>

namespace veltrane {

constexpr int ViewCodeShifts = 8; // tiles across, tiles down, and the shifts of the wave

// The code for the numbers found, in the pattern's white frame (its layout
// for found's pitch), filling the fields' rectangle; Done or the engine's
// status for the numbers.
Status drawViewCode(const Calibration& found, cv::Size display, cv::Mat& pattern);

struct LensPlace {
    double share = 0.0;      // u, from 0 to 1: the place under the lenses seen, from view 0's line of found
    double contrast = 0.0;   // the wave's amplitude seen against the tiles' mean brightness
    double spread = 0.0;     // the largest difference of a tile row's or column's u from the whole's
    // The panel's subpixel order, as the camera's colours see the code: the
    // numbers' own, or the other when the code was drawn in the wrong one.
    ChannelOrder panel = ChannelOrder::Rgb;
};

// u from a photo of the code drawn for found, and the panel's order; false
// with the problem (no display found, the code too faint to read, its rows
// or columns disagree: the numbers were not right for the camera's place,
// or its colours disagree on where the subpixels are).
bool readLensPlace(const cv::Mat& photo, const Calibration& found, cv::Size display, LensPlace& place,
                   std::string& problem);

// The view phase for viewCount views that puts the middle of the views
// ((viewCount - 1) / 2: between the two middle views of an even count) at
// the place seen, in [0, viewCount).
double phaseForPlace(const Calibration& found, cv::Size display, int viewCount, double share);

} // namespace veltrane
