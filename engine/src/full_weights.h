// The full weighting's rule. Every subpixel has a phase: where it lies among
// the views' lens lines, in views (view v's lines at phase v, the next
// view's a view further, a whole turn of viewCount views a lens). A subpixel
// at phase v + f (v whole, 0 <= f < 1) shows view v with weight 255 - a and
// view v + 1 (mod viewCount) with weight a, a = f * 255 rounded:
//
//   255  v ·                       · v+1
//          |  ·                 ·  |
//          |     ·           ·     |       view v's weight falls as the
//          |        ·     ·        |       phase leaves its line, view
//          |           ·           |       v+1's rises as it nears the next
//          |        ·     ·        |       line; the two sum to 255
//          |     ·           ·     |
//     0    ·-----------------------·
//          v        phase -->     v+1
//
// and each view's share of a byte is source * weight / 255 rounded to the
// nearest whole number. The two weights sum to 255, and for any byte s the
// two rounded shares of s sum to s (255 is odd, so no share is ever half way,
// and what one share rounds down by the other rounds up by), so views that
// are all the same image compose to exactly that image.
//
// Phases are whole numbers of 2^-32 views, so that every engine computes the
// same ones: column c of row y has phase (rowPhase(y) + c * perColumn) taken
// modulo a turn, whether computed at once or by adding perColumn column by
// column.
#pragma once

#include "lens_geometry.h"

#include <cstdint>

namespace veltrane {

constexpr std::int64_t PhaseUnit = std::int64_t{1} << 32; // one view

struct FullPhase {
    int views = 0;
    std::int64_t turn = 0;      // views * PhaseUnit
    std::int64_t perColumn = 0; // gained one subpixel column to the right, in [0, turn)
    double origin = 0.0;        // column of view 0's line on row 0
    double spacing = 0.0;       // columns from one view's line to the next
    double perRow = 0.0;        // columns a line moves a row
};

FullPhase fullPhaseOf(const LensGeometry& lens);

// The phase of column 0 of row y, in [0, turn).
std::int64_t rowPhase(const FullPhase& phase, int y);

// The phase of column c of row y.
std::int64_t columnPhase(const FullPhase& phase, int y, std::int64_t c);

// The next column's phase.
inline std::int64_t nextPhase(const FullPhase& phase, std::int64_t p)
{
    p += phase.perColumn;
    return p >= phase.turn ? p - phase.turn : p;
}

// The two views at a phase and the weight of the second.
struct FullShare {
    int view = 0;
    int next = 0;
    int nextWeight = 0; // the view's is 255 - nextWeight
};

inline FullShare fullShareAt(const FullPhase& phase, std::int64_t p)
{
    FullShare share;
    share.view = static_cast<int>(p >> 32);
    share.next = share.view + 1 == phase.views ? 0 : share.view + 1;
    const auto fraction = static_cast<std::uint64_t>(p) & 0xFFFFFFFFu;
    share.nextWeight = static_cast<int>((fraction * 255 + (std::uint64_t{1} << 31)) >> 32);
    return share;
}

// A view's share of a byte: source * weight / 255, rounded.
inline int roundedShare(int source, int weight)
{
    return (source * weight + 127) / 255;
}

} // namespace veltrane
