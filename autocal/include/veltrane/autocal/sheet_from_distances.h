// The sheet's own pitch and its gap from the numbers found at two distances.
// From a distance D the lines lie on the panel magnified by 1 + g/D, so the
// pitch found there is P = p (1 + g/D): linear in 1/D, its slope p g and its
// value at 1/D = 0 the sheet's own p. Two distances give both.
#pragma once

#include <string>

namespace veltrane {

struct SheetFromDistances {
    double pitch = 0.0; // the sheet's own (seen from infinitely far), in the pitches' unit
    double gap = 0.0;   // from the lenses to the panel, in the distances' unit
};

// The two distances must be a fifth or more apart: nearer, the difference of
// the pitches is lost in their errors. False, problem saying why in one
// line, for distances or pitches that are none, too near each other, or
// pitches that grow with the distance by more than their errors can (a gap
// below none; a slope within 1e-4 of the nearer distance is a gap of 0).
bool sheetFromDistances(double pitchA, double distanceA, double pitchB, double distanceB, SheetFromDistances& sheet,
                        std::string& problem);

} // namespace veltrane
