// The cameras that render views for a lens display: one a view, on a line
// parallel to the display at the viewing distance, each a view zone from the
// next, all looking straight at the display's plane through frustums shifted
// so that each one's window is the display's rectangle (a shifted lens, not
// a turned camera: the display's plane is in register in every view).
//
// Through a lens of focal length g (the sheet's gap) an eye D from the sheet
// that moves sideways by x sees the panel move by x g / D under the lens; a
// view spans P / N subpixel columns there (P the pitch on the panel for D, N
// the views), so the view an eye sees changes every
//
//     zone = (P / N) x column x D / g        (P = p (1 + g / D), p the sheet's)
//
// millimetres: the cameras stand that far apart. An eye further right sees
// what lies further left under the lens, and the views lie left to right
// under it: view 0 is rendered by the rightmost camera (as the viewer faces
// the display), whichever way the lenses lean. The rig is centred on the
// display's middle, where the numbers found put the middle views (the view
// phase autocal --view-count measures does).
//
// Through a lens's centre line the eye sees the panel along a straight ray,
// so each camera renders the panel's rectangle as its window, from D + g in
// front of the panel (D from the sheet): what it puts on the panel the eye
// at its place sees at the sheet, where a point of the scene would be.
#pragma once

#include "veltrane/engine/calibration.h"
#include "veltrane/engine/status.h"
#include "veltrane/engine/viewer_place.h"

#include <opencv2/core.hpp>

#include <vector>

namespace veltrane {

// One camera of the rig. Lengths in millimetres, in the display's frame:
// x to the viewer's right, y up, z from the panel toward the viewer (the
// panel's middle at 0: the display's plane, where a point is in register in
// every view).
struct RigCamera {
    int view = 0;           // the view it renders
    cv::Point3d place;      // (x, 0, distance + gap)
    // Its window on the panel, about its own axis (straight at the panel):
    // left and right, bottom and top edges, in millimetres at the panel, as
    // glFrustum takes them times near / (distance + gap).
    double left = 0.0, right = 0.0, bottom = 0.0, top = 0.0;
    // The same as a lens shifted off the axis, in shares of the window's
    // larger side (Blender's shift_x and shift_y).
    double shiftX = 0.0, shiftY = 0.0;
};

struct CameraRig {
    std::vector<RigCamera> cameras; // view 0 first
    double distance = 0.0;          // of the cameras' line from the sheet (the panel is gap farther)
    double gap = 0.0;
    double spacing = 0.0;           // between neighbouring cameras: a view zone at the distance
    double width = 0.0;             // the display's lit area, millimetres
    double height = 0.0;
    double fieldOfView = 0.0;       // of each window across the larger side, degrees (with the shift)
    double lensWidth = 0.0;         // a lens on the panel from the distance, millimetres
    // The depth that stays sharp, in millimetres from the panel:
    // nearer the viewer than sharpInFront, or behind it farther than
    // sharpBehind (infinite when everything behind is), a point moves
    // more than a lens's width between neighbouring views and is seen
    // doubled or smeared (blurAt says by how many lenses).
    double sharpInFront = 0.0;
    double sharpBehind = 0.0;
    // The numbers to interlace the rig's views with: the found ones turned
    // for an eye straight in front of the middle at the distance.
    Calibration numbers;
};

// The rig for viewCount views of a display of size pixels whose numbers were
// found (their view phase putting the middle views at the measures' place),
// at distance millimetres from the sheet (0: the measures' own distance).
// InvalidPlace for measures that are none or a sheet on the panel (a gap
// of 0: no view zones); the engine's status for numbers it does not draw.
Status cameraRig(const Calibration& found, const SheetMeasures& sheet, cv::Size size, int viewCount,
                 double distance, CameraRig& rig);

// How far a point depth millimetres in front of the panel (negative:
// behind it) moves on the panel between neighbouring views, in lens
// widths: up to 1 it looks sharp.
double blurAt(const CameraRig& rig, double depth);

} // namespace veltrane
