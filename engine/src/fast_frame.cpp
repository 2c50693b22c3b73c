// A composition's frame prepared: which lines, which views, which walk
// (rows or column triples, masks or direct sums), and the column strips.
#include "fast_frame.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace veltrane {
namespace fast {

// The pitch (the distance between lines of one view) from which no two
// samples of a view touch the same byte of a row, even with their column
// triples a row apart; and from how many views the shares are then added
// directly rather than blended from mask rows, which costs one pass over
// every view's row.
constexpr double ViewsApartPitch = 4.0;
constexpr int DirectViews = 24;
constexpr double DirectSpacing = 0.25; // subpixels between neighbouring lines, at least

// Where the walks of a row-by-row geometry begin: each line at its start on
// row 0, advancing by the slant per row.
void prepareRowWalk(Frame& frame, double adx, double ady)
{
    frame.step = frame.lens.mirror ? adx / ady : -(adx / ady);
    // Samples land on rows 1 to height - 2; a vertical line stops at its end.
    frame.firstRow = 1;
    frame.endRow = frame.height - 1;
    if (adx == 0.0)
        frame.endRow = std::min(frame.endRow, frame.slant.lineDy);
    frame.starts = frame.origins;
}

// A line as steep as it is wide is walked a column at a time: down from its
// start when mirrored, otherwise up from its end on row lineDy, where the
// rows are then taken from the bottom. False when a walk from the end would
// begin inside the frame (never for the calibrator's geometries).
bool prepareColumnWalk(Frame& frame)
{
    frame.columnTriples = true;
    frame.bottomUp = !frame.lens.mirror;
    frame.step = SampleStep;
    frame.firstRow = 1;
    frame.endRow = frame.height - 1;
    frame.starts = frame.origins;
    if (!frame.bottomUp)
        return true;
    const int skipped = frame.slant.lineDy - (frame.height - 1); // samples below the last frame row
    if (skipped < 0)
        return false;
    for (double& x : frame.starts) {
        x = x + frame.slant.lineDx;
        for (int k = 0; k < skipped; ++k)
            x = x + SampleStep;
    }
    return true;
}

// Only the lines of some views (ascending), when their shares alone are
// added. The lines kept still take the views in turn, in the order given.
void keepLinesOfViews(Frame& frame, const std::vector<int>& views)
{
    std::vector<bool> keep(frame.lens.viewCount, false);
    for (const int view : views)
        keep[view] = true;
    std::vector<double> kept;
    for (std::size_t k = 0; k < frame.origins.size(); ++k)
        if (keep[k % frame.lens.viewCount])
            kept.push_back(frame.origins[k]);
    frame.origins.swap(kept);
}

// The composition of all views, or (adding) of only the given ones.
using ViewSubset = const std::vector<int>*;

bool prepareFrame(Frame& frame, ViewSubset only)
{
    const LensGeometry& lens = frame.lens;
    frame.slant = deriveSlantGeometry(lens);
    const double adx = std::abs(frame.slant.lineDx);
    const double ady = std::abs(frame.slant.lineDy);
    if (ady == 0.0)
        return false; // horizontal lines: the reference walk
    frame.views = only != nullptr ? static_cast<int>(only->size()) : lens.viewCount;
    frame.stride = frame.slant.maskStride;
    if (frame.stride >= std::numeric_limits<int>::max() / PhaseBins)
        return false; // samples are ints of x * PhaseBins: rows wider than that go to the reference
    frame.height = lens.height;
    frame.subpixelOrder = lens.subpixelOrder != lens.panelBgr;
    frame.panelBgr = lens.panelBgr;
    frame.rise = 0.0 + frame.slant.lineDy;
    frame.origins = lensLineStarts(lens, frame.slant);
    if (only != nullptr)
        keepLinesOfViews(frame, *only);
    if (adx != ady)
        prepareRowWalk(frame, adx, ady);
    else if (!prepareColumnWalk(frame))
        return false;
    const bool viewsApart = std::fabs(lens.pitch) >= ViewsApartPitch;
    frame.direct = frame.views >= DirectViews && viewsApart &&
                   std::fabs(lens.pitch) >= DirectSpacing * frame.views;
    for (int i = 0; i < WeightTableSize; ++i)
        frame.weights[i] = static_cast<unsigned char>(std::clamp(frame.slant.weightTable[i], 0, 255));
    frame.sourceOf.resize(frame.views);
    for (int v = 0; v < frame.views; ++v) {
        const auto known = std::find(frame.distinct.begin(), frame.distinct.end(), frame.sources[v]);
        frame.sourceOf[v] = static_cast<int>(known - frame.distinct.begin());
        if (known == frame.distinct.end())
            frame.distinct.push_back(frame.sources[v]);
    }
    frame.sourceRun.assign(frame.views, 1);
    for (int v = frame.views - 2; v >= 0; --v)
        if (frame.sourceOf[v + 1] == frame.sourceOf[v])
            frame.sourceRun[v] = frame.sourceRun[v + 1] + 1;
    return true;
}

// The strips of the frame and the lines that reach each of them: lines move
// by step a row, so a line reaches [a, b) on some row when its start lies
// within the strip widened by the whole way the lines travel (and a margin for
// the sample's triple and the roundings of x).
std::vector<Strip> cutStrips(const Frame& frame, int threads)
{
    const double travel = frame.step * std::max(0, frame.endRow - 1);
    const double fromLeft = std::max(0.0, travel) + 4.0;   // lines moving right come from the left
    const double fromRight = std::max(0.0, -travel) + 4.0; // and lines moving left from the right
    // The chunks of one strip go one after the other, so narrow frames are
    // cut into a few strips for every thread, down to two units wide. Every
    // strip steps all the lines that cross it, so when the lines travel far
    // (steep slants, equal extents) one strip a thread steps fewer in all.
    const int units = (frame.stride + StripUnit - 1) / StripUnit;
    const int perThread = std::fabs(travel) > frame.stride / 8 ? 1 : 2;
    const int wanted = std::max((units + 31) / 32, std::min(perThread * threads, units / 2));
    const int width = (units + wanted - 1) / wanted * StripUnit;
    std::vector<Strip> strips((frame.stride + width - 1) / width);
    for (std::size_t i = 0; i < strips.size(); ++i) {
        Strip& strip = strips[i];
        strip.index = static_cast<int>(i);
        strip.a = static_cast<int>(i) * width;
        strip.b = std::min(frame.stride, strip.a + width);
        const auto begin = frame.starts.begin();
        strip.first = std::lower_bound(begin, frame.starts.end(), strip.a - fromLeft) - begin;
        strip.last = std::lower_bound(begin + strip.first, frame.starts.end(), strip.b + fromRight) - begin;
    }
    return strips;
}

void fillSolidRows(Frame& frame, unsigned char* rows)
{
    frame.solidRows = rows;
    frame.binaryShares = true;
    for (const unsigned char* colour : frame.distinct) {
        for (int k = 0; k < 3; ++k) {
            const unsigned char value = colour[frame.subpixelOrder ? k : 2 - k];
            for (int b = k; b < StripBytes; b += 3)
                rows[b] = value;
            frame.binaryShares = frame.binaryShares && (value == 0 || value == 255);
        }
        rows += StripBytes;
    }
}

} // namespace fast
} // namespace veltrane
