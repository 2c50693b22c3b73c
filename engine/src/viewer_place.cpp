#include "veltrane/engine/viewer_place.h"

#include "veltrane/engine/interlace.h"

#include <cmath>

namespace veltrane {

namespace {

bool positive(double value)
{
    return std::isfinite(value) && value > 0.0;
}

bool usable(const SheetMeasures& sheet, cv::Size size, int viewCount, const ViewerPlace& place, double viewShift)
{
    return std::isfinite(sheet.gap) && sheet.gap >= 0.0 && positive(sheet.panelWidth) && positive(sheet.distance) &&
           size.width > 0 && size.height > 0 && viewCount > 0 && std::isfinite(place.offset) &&
           std::isfinite(place.height) && positive(place.distance) && std::isfinite(viewShift);
}

// Where the lines fall for an eye at place, in views: the view phase that
// the magnification about the eye's foot adds to what an eye infinitely far
// straight ahead sees. Through the lens whose centre line is at column c of
// row r of the sheet, the eye at column e and row q sees the panel at column
// c + (c - e) g/D and row r + (r - q) g/D; lines of the sheet start, at row
// r, at s + r t plus whole pitches, so on the panel, at row r', they start
// at (1 + g/D) s + r' t - (e - q t) g/D: the phase of numbers of the panel's
// pitch P = (1 + g/D) x the sheet's, whose lines start at s + r' t, is
// behind by N (g/D)(e - s - q t) / P views.
double placePhase(const LineLayout& lines, cv::Size size, int viewCount, const SheetMeasures& sheet,
                  const ViewerPlace& place, double pitch)
{
    const double column = sheet.panelWidth / (3.0 * size.width); // millimetres a subpixel column
    const double magnification = sheet.gap / place.distance;
    const double eyeColumn = 1.5 * size.width + place.offset / column;
    const double eyeRow = size.height / 2.0 - place.height / (3.0 * column);
    return viewCount * magnification * (eyeColumn - lines.firstLine - lines.perRow * eyeRow) / pitch;
}

} // namespace

double sheetPitch(const Calibration& found, const SheetMeasures& sheet)
{
    return found.pitch / (1.0 + sheet.gap / sheet.distance);
}

Status numbersForViewer(const Calibration& found, const SheetMeasures& sheet, cv::Size size, int viewCount,
                        const ViewerPlace& place, double viewShift, Calibration& numbers)
{
    if (!usable(sheet, size, viewCount, place, viewShift) || !positive(found.pitch) ||
        !std::isfinite(found.viewPhase))
        return Status::InvalidPlace;
    Calibration turned = found;
    turned.viewPhase = 0.0;
    LineLayout lines; // of phase 0: where the lines start, and their slant
    if (const Status status = lineLayout(turned, size, viewCount, lines); status != Status::Done)
        return status;
    const ViewerPlace foundPlace{0.0, 0.0, sheet.distance};
    turned.pitch = sheetPitch(found, sheet) * (1.0 + sheet.gap / place.distance);
    if (!positive(turned.pitch))
        return Status::InvalidPlace;
    if (const Status status = lineLayout(turned, size, viewCount, lines); status != Status::Done)
        return status;
    const double phase = found.viewPhase + viewShift + placePhase(lines, size, viewCount, sheet, place, turned.pitch) -
                         placePhase(lines, size, viewCount, sheet, foundPlace, found.pitch);
    if (!std::isfinite(phase))
        return Status::InvalidPlace;
    turned.viewPhase = std::fmod(phase, viewCount);
    if (turned.viewPhase < 0.0)
        turned.viewPhase += viewCount;
    if (turned.viewPhase >= viewCount) // a phase just below 0, rounded up by the addition
        turned.viewPhase = 0.0;
    numbers = turned;
    return Status::Done;
}

} // namespace veltrane
