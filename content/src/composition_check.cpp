#include "veltrane/content/composition_check.h"

#include "veltrane/engine/interlace.h"
#include "veltrane/records/value_text.h"

#include <cmath>
#include <cstdio>

namespace veltrane {

std::string compositionProblem(const Calibration& calibration, cv::Size size, int views, Weighting weighting)
{
    if (size.height < 3)
        return "an output of " + sizeText(size) +
               " shows nothing: its first and last rows are never lit, so it needs 3 rows or more";
    if (checkGeometry(calibration, size, views) != Status::Done)
        return "the slant -x " + std::to_string(calibration.x) + " -y " + std::to_string(calibration.y) +
               " is too flat to draw at " + sizeText(size) + ": its lens lines would be far more than the panel's columns";
    if (brightnessKept(calibration.pitch, views, weighting) == 0.0)
        return std::to_string(views) + " views at pitch " + std::to_string(calibration.pitch) +
               " leave every view a share too small to show: the output would be black";
    return "";
}

int viewsToFill(double pitch)
{
    return pitch > 0.0 && pitch < 1e9 ? static_cast<int>(std::ceil(pitch / 2.0)) : 1;
}

std::string lensFillWarning(const Calibration& calibration, int views)
{
    if (views >= viewsToFill(calibration.pitch))
        return "";
    char text[256];
    std::snprintf(text, sizeof text,
                  "%d views cannot fill a lens of pitch %.4f: render %d views or more (about %.0f, one a subpixel "
                  "column, is best)",
                  views, calibration.pitch, viewsToFill(calibration.pitch), std::round(calibration.pitch));
    return text;
}

} // namespace veltrane
