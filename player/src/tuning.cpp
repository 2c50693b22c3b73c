#include "veltrane/player/tuning.h"

#include "veltrane/records/limits.h"
#include "veltrane/records/value_text.h"

#include <cmath>
#include <cstdlib>

using namespace veltrane;

namespace {

// Phase steps are counted in tenths, so that ten of them are one view exactly.
void stepPhase(Tuning& tuning, int tenths, int views)
{
    const double phase = std::round(tuning.calibration.viewPhase * 10.0) + tenths;
    tuning.calibration.viewPhase = wrappedPhase(phase / 10.0, views);
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
    if (views <= 0)
        return 0.0;
    const double tenths = std::round(phase * 10.0);
    const double period = 10.0 * views;
    return std::fmod(std::fmod(tenths, period) + period, period) / 10.0;
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
