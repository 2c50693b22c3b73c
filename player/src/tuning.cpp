#include "veltrane/player/tuning.h"

#include "veltrane/records/limits.h"
#include "veltrane/records/value_text.h"

#include <cmath>
#include <cstdlib>

namespace veltrane {

namespace {

// Phase steps are counted in tenths, so that ten of them are one view
// exactly: a phase that is a whole number of tenths steps in whole tenths
// (0.3 + 0.1 is 0.4, not 0.4000000000000001); any other keeps its own
// fraction (0.25 + 0.1 is 0.35).
void stepPhase(Tuning& tuning, int tenths, int views)
{
    double inTenths = tuning.calibration.viewPhase * 10.0;
    if (std::fabs(inTenths - std::round(inTenths)) < 1e-6)
        inTenths = std::round(inTenths);
    tuning.calibration.viewPhase = wrappedPhase((inTenths + tenths) / 10.0, views);
}

bool stepPitch(Tuning& tuning, double step)
{
    const double pitch = printedPitch(tuning.calibration.pitch + step);
    if (!pitchInRange(pitch))
        return false;
    tuning.calibration.pitch = pitch;
    return true;
}

// The slant as one signed number of -x steps: negative when mirrored.
bool stepSlant(Tuning& tuning, int step)
{
    Calibration& c = tuning.calibration;
    const long slant = (c.mirror ? -1L : 1L) * c.x + step;
    if (std::labs(slant) > MaxSlantTerm)
        return false;
    c.x = static_cast<int>(std::labs(slant));
    c.mirror = slant < 0 || (slant == 0 && c.mirror);
    return true;
}

} // namespace

double wrappedPhase(double phase, int views)
{
    if (views <= 0 || !std::isfinite(phase))
        return 0.0;
    const double wrapped = std::fmod(phase, static_cast<double>(views));
    if (wrapped >= 0.0)
        return wrapped;
    const double up = wrapped + views;
    return up < views ? up : 0.0; // a tiny negative phase rounds up to views itself
}

bool applyTuningKey(int key, int views, Tuning& tuning)
{
    if (views <= 0)
        return false;
    switch (key) {
    case ']': return stepPhase(tuning, 10, views), true;
    case '[': return stepPhase(tuning, -10, views), true;
    case '}': return stepPhase(tuning, 1, views), true;
    case '{': return stepPhase(tuning, -1, views), true;
    case '=': return stepPitch(tuning, 0.0001);
    case '-': return stepPitch(tuning, -0.0001);
    case '+': return stepPitch(tuning, 0.001);
    case '_': return stepPitch(tuning, -0.001);
    case '.': return stepSlant(tuning, 1);
    case ',': return stepSlant(tuning, -1);
    case 'r': tuning.reverse = !tuning.reverse; return true;
    case 'b':
        tuning.calibration.subpixelOrder =
            tuning.calibration.subpixelOrder == ChannelOrder::Bgr ? ChannelOrder::Rgb : ChannelOrder::Bgr;
        return true;
    default: return false;
    }
}

} // namespace veltrane
