#include "veltrane/player/pacing.h"

#include <algorithm>
#include <cmath>

namespace veltrane {

Pacing::Pacing(double fps) : fps_(fps > 0 && std::isfinite(fps) ? fps : 24.0) {}

void Pacing::restart(double now, long frame)
{
    start_ = now;
    first_ = frame;
}

long Pacing::due(double now) const
{
    // A hair below a whole number of frames still counts as that frame: the
    // clock's rounding must not make a frame late.
    return first_ + static_cast<long>(std::floor((now - start_) * fps_ + 1e-9));
}

double Pacing::untilNext(double now, long current) const
{
    const double next = start_ + static_cast<double>(current + 1 - first_) / fps_;
    return std::max(0.0, next - now);
}

} // namespace veltrane
