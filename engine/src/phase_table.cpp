// Weights by the phase of a sample, and the bound on how far the table's
// distance model may be from the reference's doubles.
#include "fast_frame.h"

#include <algorithm>
#include <cmath>

namespace veltrane {
namespace fast {

void describeLines(Frame& frame)
{
    const double lineDx = frame.slant.lineDx;
    const double lineEndY = 0.0 + frame.slant.lineDy;
    for (std::size_t k = 0; k < frame.origins.size(); ++k) {
        const double x0 = frame.origins[k];
        const double lineEndX = x0 + lineDx;
        const double run = lineEndX - x0;
        const double rise = lineEndY - 0.0;
        frame.lines[k] = {run, x0 * lineEndY - 0.0 * lineEndX, std::hypot(run, rise)};
    }
}

// An upper bound of how far 23 times a reference distance can be from the
// model K |column - x|, K = 23 rise / length, where x is the sample's
// accumulated x: the drift of x against the exact line over all rows, the
// roundings of the reference's distance, and the spread of the line lengths.
double modelError(const Frame& frame)
{
    // Slants of opposite signs walk a line one way while it leans the other:
    // the samples then leave the line, and only exact weights will do.
    const double stepDown = frame.bottomUp ? -frame.step : frame.step; // per frame row, downward
    const int lineDx = frame.slant.lineDx;
    if (lineDx != 0 && (stepDown > 0) != (lineDx > 0))
        return HUGE_VAL;
    double widest = frame.stride + 2.0;
    if (!frame.origins.empty())
        widest = std::max({widest, std::fabs(frame.origins.front()), std::fabs(frame.origins.back())});
    widest += std::fabs(static_cast<double>(lineDx)) + 2.0;
    const double rows = frame.height + 2.0; // a walk from the bottom may begin a row below the frame
    const double length = std::hypot(static_cast<double>(lineDx), frame.rise);
    const double drift = rows * (widest * Epsilon + std::fabs(frame.step) * Epsilon) + 2 * widest * Epsilon;
    const double largestTerm = widest * frame.rise + rows * std::fabs(static_cast<double>(lineDx));
    return 23.0 * drift + 23.0 * 4 * largestTerm * Epsilon / length + 24.0 * (4 * Epsilon + widest * Epsilon / length);
}

// The weight byte for 23 x distance anywhere in [low, high], or -1 when the
// reference could give different weights in that range.
int certainWeight(const Frame& frame, double low, double high)
{
    low = std::max(low, 0.0);
    if (low >= 23.0)
        return 0;
    if (high >= 23.0 || std::floor(low) != std::floor(high))
        return -1;
    return frame.weights[static_cast<int>(high)];
}

void buildPhaseTable(const Frame& frame, std::uint32_t* table)
{
    const double k = 23.0 * frame.rise / std::hypot(static_cast<double>(frame.slant.lineDx), frame.rise);
    const double margin = ModelMargin;
    for (int bin = 0; bin < PhaseBins; ++bin) {
        const double low = static_cast<double>(bin) / PhaseBins;
        const double high = static_cast<double>(bin + 1) / PhaseBins;
        // Column ix - 1, ix and ix + 1 lie 1 + phase, phase and 1 - phase away.
        const int left = certainWeight(frame, k * (1.0 + low) - margin, k * (1.0 + high) + margin);
        const int centre = certainWeight(frame, k * low - margin, k * high + margin);
        const int right = certainWeight(frame, k * (1.0 - high) - margin, k * (1.0 - low) + margin);
        if (left < 0 || centre < 0 || right < 0)
            table[bin] = Uncertain;
        else
            table[bin] = static_cast<std::uint32_t>(left) | static_cast<std::uint32_t>(centre) << 8 |
                         static_cast<std::uint32_t>(right) << 16;
    }
}

} // namespace fast
} // namespace veltrane
