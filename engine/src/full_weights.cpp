#include "full_weights.h"

#include <cmath>

namespace veltrane {

namespace {

// A position in views as a phase: taken modulo the turn, then to 2^-32 of a view.
std::int64_t toPhase(const FullPhase& phase, double views)
{
    if (!std::isfinite(views))
        return 0;
    double t = std::fmod(views, static_cast<double>(phase.views));
    if (t < 0.0)
        t += phase.views;
    std::int64_t p = std::llround(t * static_cast<double>(PhaseUnit));
    if (p >= phase.turn)
        p -= phase.turn;
    return p < 0 ? 0 : p;
}

} // namespace

FullPhase fullPhaseOf(const LensGeometry& lens)
{
    FullPhase phase;
    const SlantGeometry slant = deriveSlantGeometry(lens);
    phase.views = lens.viewCount;
    phase.turn = static_cast<std::int64_t>(lens.viewCount) * PhaseUnit;
    phase.spacing = lens.pitch / lens.viewCount;
    phase.origin = firstLineStart(lens, slant) - lens.lineShift * phase.spacing;
    phase.perRow = slant.lineDy != 0 ? static_cast<double>(slant.lineDx) / slant.lineDy : 0.0;
    phase.perColumn = toPhase(phase, 1.0 / phase.spacing);
    return phase;
}

std::int64_t rowPhase(const FullPhase& phase, int y)
{
    return toPhase(phase, (-phase.origin - phase.perRow * y) / phase.spacing);
}

std::int64_t columnPhase(const FullPhase& phase, int y, std::int64_t c)
{
    // c * perColumn modulo the turn, by doubling: every sum stays below two turns.
    const auto turn = static_cast<std::uint64_t>(phase.turn);
    std::uint64_t p = static_cast<std::uint64_t>(rowPhase(phase, y));
    std::uint64_t step = static_cast<std::uint64_t>(phase.perColumn);
    for (auto n = static_cast<std::uint64_t>(c); n != 0; n >>= 1) {
        if (n & 1)
            p = (p + step) % turn;
        step = (step + step) % turn;
    }
    return static_cast<std::int64_t>(p);
}

} // namespace veltrane
