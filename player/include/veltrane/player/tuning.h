// The numbers the player tunes by keys, each applied on the next frame
// shown: the view phase by a view or a tenth of one (wrapping over the view
// count), the pitch by 0.0001 or 0.001, the slant by one step of -x, the
// order of the views, and the panel's subpixel order.
#pragma once

#include "veltrane/engine/calibration.h"
#include "veltrane/engine/weighting.h"

namespace veltrane {

struct Tuning {
    veltrane::Calibration calibration; // the phase kept in [0, views)
    bool reverse = false;
    int viewOffset = 0; // --view-offset, as veltrane-interlace takes it
    veltrane::Weighting weighting = veltrane::Weighting::Full; // --weights
};

// The keys, with what they change:
//   ] [   the view phase by +1 / -1 view       } {   by +0.1 / -0.1 view
//   = -   the pitch by +0.0001 / -0.0001        + _   by +0.001 / -0.001
//   . ,   the slant -x by +1 / -1 (through 0 the lenses lean the other way)
//   r     the views reversed                    b     the panel RGB / BGR
// True when the key changed the tuning; views is the content's view count
// (0 for an interlaced image, which no tuning changes).
bool applyTuningKey(int key, int views, Tuning& tuning);

// The phase in [0, views): the same phase, a whole number of views away.
double wrappedPhase(double phase, int views);

} // namespace veltrane
