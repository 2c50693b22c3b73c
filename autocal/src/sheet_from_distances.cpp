#include "veltrane/autocal/sheet_from_distances.h"

#include <algorithm>
#include <cmath>

namespace veltrane {

namespace {

bool positive(double value)
{
    return std::isfinite(value) && value > 0.0;
}

} // namespace

bool sheetFromDistances(double pitchA, double distanceA, double pitchB, double distanceB, SheetFromDistances& sheet,
                        std::string& problem)
{
    if (!positive(pitchA) || !positive(pitchB) || !positive(distanceA) || !positive(distanceB)) {
        problem = "the pitches and the distances must be numbers above 0";
        return false;
    }
    if (std::abs(distanceA - distanceB) < 0.2 * std::max(distanceA, distanceB)) {
        problem = "the two distances are less than a fifth apart: the sheet's gap needs photos from farther apart "
                  "(for instance 500 and 1000 mm)";
        return false;
    }
    // P = p + (p g) / D, through the two points (1/D, P).
    const double slope = (pitchA - pitchB) / (1.0 / distanceA - 1.0 / distanceB);
    const double own = pitchA - slope / distanceA;
    // A sheet on the panel (g = 0) gives a slope of its errors' size, either way.
    const double none = 1e-4 * std::min(distanceA, distanceB) * own;
    if (!positive(own) || !std::isfinite(slope) || slope < -none) {
        problem = "the pitch found from nearer is not the larger: no gap gives these numbers (were the distances "
                  "swapped, or the photos of other sheets?)";
        return false;
    }
    sheet = SheetFromDistances{own, std::max(0.0, slope) / own};
    return true;
}

} // namespace veltrane
