// The numbers for an eye anywhere in front of the sheet. Through a lens the
// eye sees the panel a gap g behind it along the ray through the lens's
// centre line, so from a distance D the sheet's lines lie on the panel
// magnified by 1 + g/D about the eye's foot: their spacing, the pitch, is
// the sheet's own times 1 + g/D, their slant is the sheet's, and where they
// fall (which view is under the eye: the view phase) moves with the eye's
// place. Numbers found at one place are turned into the numbers that show
// the eye, at another, what the found ones showed there.
#pragma once

#include "veltrane/engine/calibration.h"
#include "veltrane/engine/status.h"

#include <opencv2/core.hpp>

namespace veltrane {

// What the numbers alone do not tell: lengths in millimetres.
struct SheetMeasures {
    double gap = 0.0;        // from the lenses to the panel (their focal length), >= 0
    double panelWidth = 0.0; // of the panel's lit area: a subpixel column is panelWidth / (3 x its width)
    double distance = 0.0;   // the numbers were found from here, straight in front of the panel's middle
};

// An eye's place in millimetres: right of and above the panel's middle, and
// from the sheet (> 0).
struct ViewerPlace {
    double offset = 0.0;
    double height = 0.0;
    double distance = 0.0;
};

// The numbers found (for a panel of size pixels and viewCount views) turned
// for place: the pitch for its distance, the slant kept, and the view phase
// that puts under it the view the found numbers put under their own place,
// plus viewShift views (the phase taken to [0, viewCount)). Pixels are
// square. InvalidPlace for measures, a place or a shift that are none;
// UnsupportedGeometry for numbers the engine has no lines for, found or
// turned.
Status numbersForViewer(const Calibration& found, const SheetMeasures& sheet, cv::Size size, int viewCount,
                        const ViewerPlace& place, double viewShift, Calibration& numbers);

// The sheet's own pitch (the pitch seen from infinitely far), from numbers
// found at the measures' distance: found.pitch / (1 + gap / distance).
double sheetPitch(const Calibration& found, const SheetMeasures& sheet);

} // namespace veltrane
