#include "veltrane/rig/camera_rig.h"

#include <cmath>
#include <limits>

namespace veltrane {

namespace {

bool positive(double value)
{
    return std::isfinite(value) && value > 0.0;
}

RigCamera cameraAt(int view, double x, const CameraRig& rig)
{
    RigCamera camera;
    camera.view = view;
    camera.place = cv::Point3d(x, 0.0, rig.distance + rig.gap);
    camera.left = -rig.width / 2 - x;
    camera.right = rig.width / 2 - x;
    camera.bottom = -rig.height / 2;
    camera.top = rig.height / 2;
    const double larger = std::max(rig.width, rig.height);
    camera.shiftX = (camera.left + camera.right) / 2 / larger;
    camera.shiftY = (camera.bottom + camera.top) / 2 / larger;
    return camera;
}

} // namespace

Status cameraRig(const Calibration& found, const SheetMeasures& sheet, cv::Size size, int viewCount,
                 double distance, CameraRig& rig)
{
    const double at = distance == 0.0 ? sheet.distance : distance;
    if (!positive(sheet.gap) || !positive(sheet.panelWidth) || !positive(sheet.distance) || !positive(at) ||
        !positive(found.pitch) || size.width <= 0 || size.height <= 0 || viewCount <= 0)
        return Status::InvalidPlace;
    CameraRig made;
    if (const Status status =
            numbersForViewer(found, sheet, size, viewCount, ViewerPlace{0.0, 0.0, at}, 0.0, made.numbers);
        status != Status::Done)
        return status;
    const double column = sheet.panelWidth / (3.0 * size.width);
    made.distance = at;
    made.gap = sheet.gap;
    const double away = at + sheet.gap; // from the panel
    made.width = sheet.panelWidth;
    made.height = sheet.panelWidth * size.height / size.width;
    made.lensWidth = made.numbers.pitch * column;
    made.spacing = made.lensWidth / viewCount * at / sheet.gap;
    made.fieldOfView = 2.0 * std::atan(std::max(made.width, made.height) / 2.0 / away) * 180.0 / CV_PI;
    // Between neighbouring cameras s apart, L from the panel, a point z in
    // front of it moves s z / (L - z) on it, one behind s z / (L + z): at
    // most a lens width w up to z = w L / (s + w) in front and w L / (s - w)
    // behind.
    const double s = made.spacing;
    const double w = made.lensWidth;
    made.sharpInFront = w * away / (s + w);
    made.sharpBehind = s > w ? w * away / (s - w) : std::numeric_limits<double>::infinity();
    for (int view = 0; view < viewCount; ++view)
        made.cameras.push_back(cameraAt(view, ((viewCount - 1) / 2.0 - view) * s, made));
    rig = made;
    return Status::Done;
}

double blurAt(const CameraRig& rig, double depth)
{
    const double away = rig.distance + rig.gap;
    if (!(depth < away))
        return std::numeric_limits<double>::infinity(); // at or behind the cameras
    return rig.spacing * std::fabs(depth) / (away - depth) / rig.lensWidth;
}

} // namespace veltrane
