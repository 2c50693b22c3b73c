// What an eye sees through a slanted lens sheet laid over a panel, at the
// panel's resolution. The model: thin cylindrical lenses, focused on the
// panel, along the lines where the engine centres view 0 (so that content
// interlaced with the sheet's own numbers is in register with it); through
// each lens the eye sees, over the lens's whole width, the panel under the
// point where the ray from the eye through the lens's centre line meets
// the panel; each subpixel lights only its own colour. The ray goes on to
// the panel in both directions, so a lens's line is seen on the panel
// magnified about the eye's foot: wider apart and lower or higher, at the
// slant it has. Lengths are in subpixel columns (a pixel is three wide, and
// one row high is taken as three too).
#pragma once

#include "veltrane/engine/calibration.h"
#include "veltrane/engine/status.h"

#include <opencv2/core.hpp>

namespace veltrane {

struct LensSheet {
    // Pitch, slant, leaning and the panel's subpixel order; the view phase
    // (in spacings of viewCount views) moves the lenses left.
    Calibration calibration;
    int viewCount = 1;
    double gap = 0.0; // from the lenses to the panel (the lenses' focal length)
};

struct Eye {
    double distance = 0.0; // from the lens sheet, > 0
    double offset = 0.0;   // sideways from the panel's middle (positive: to the right)
    double height = 0.0;   // up from the panel's middle
};

struct SeeingOptions {
    // The width of panel seen through a lens, centred where the ray meets
    // the panel: 1 for one subpixel's width (a sharp focus); wider is a
    // defocus that mixes neighbouring subpixels.
    double spot = 1.0;
};

// What the eye sees of panel (8UC3, blue first), into seen (the panel's
// size). A lens showing one subpixel looks, over its width, as bright in
// that colour as the subpixel is: three times the panel's value, held at
// 255. UnsupportedGeometry for a sheet the engine has no lines for,
// InvalidImage for an unusable image, eye or sheet.
Status seeThroughSheet(const LensSheet& sheet, const Eye& eye, const cv::Mat& panel, cv::Mat& seen,
                       const SeeingOptions& options = {});

} // namespace veltrane
