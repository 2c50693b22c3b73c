#include "support/lens_over_foot.h"

#include "veltrane/engine/interlace.h"

#include <cmath>

namespace veltrane {

double viewAtFoot(const Calibration& sheet, int sheetViews, double gap, double distance, const Calibration& numbers,
                  int viewCount, cv::Size size)
{
    LineLayout lenses;
    LineLayout views;
    if (lineLayout(sheet, size, sheetViews, lenses) != Status::Done ||
        lineLayout(numbers, size, viewCount, views) != Status::Done)
        return NAN;
    const double footColumn = 1.5 * size.width;
    const double footRow = 0.5 * size.height;
    // The lens over the foot: numbers a little off show the middle's view there.
    const double first = lenses.firstLine + footRow * lenses.perRow + 0.5 * sheet.pitch;
    const double line = first + std::round((footColumn - first) / sheet.pitch) * sheet.pitch;
    const double seen = footColumn + (line - footColumn) * (1.0 + gap / distance);
    return (seen - views.firstLine - footRow * views.perRow) / views.spacing;
}

} // namespace veltrane
