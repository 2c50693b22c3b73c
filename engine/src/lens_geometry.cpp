#include "lens_geometry.h"

#include "veltrane/engine/interlace.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace veltrane {

namespace {

// Far more lens lines than the widest display at the smallest view spacing
// needs; a generation asking for more comes from a meaningless geometry.
constexpr double MaxLensLines = 1 << 22;

} // namespace

int truncToInt(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= static_cast<double>(INT_MAX))
        return INT_MAX;
    if (value <= -static_cast<double>(INT_MAX))
        return -INT_MAX;
    return static_cast<int>(value);
}

SlantGeometry deriveSlantGeometry(const LensGeometry& lens)
{
    SlantGeometry slant;
    slant.maskStride = 3 * lens.width;
    slant.subpixelSlantX = 3 * lens.slantX;
    const double spacing = lens.pitch / static_cast<double>(lens.viewCount);
    for (int i = 0; i < WeightTableSize; ++i)
        slant.weightTable[i] = truncToInt(WeightProfile[i] * spacing);

    double q;
    if (lens.slantY != 0)
        q = static_cast<double>(lens.height) / static_cast<double>(lens.slantY);
    else
        q = static_cast<double>(lens.width) / static_cast<double>(slant.subpixelSlantX);

    slant.lineDx = truncToInt(slant.subpixelSlantX * q);
    slant.lineDy = truncToInt(q * lens.slantY);
    if (!lens.mirror)
        slant.lineDx = -slant.lineDx;
    return slant;
}

int lookupWeight(const SlantGeometry& slant, double distance)
{
    if (distance < 1.0)
        return slant.weightTable[static_cast<int>(23 * distance)];
    return 0;
}

namespace {

// Where the lines' starts run: [first, end).
void lineStartRange(const LensGeometry& lens, const SlantGeometry& slant, double& first, double& end)
{
    const double lineDx = slant.lineDx;
    first = firstLineStart(lens, slant);
    end = lens.mirror ? slant.maskStride : slant.maskStride - lineDx;
}

} // namespace

double firstLineStart(const LensGeometry& lens, const SlantGeometry& slant)
{
    return lens.mirror ? -static_cast<double>(slant.lineDx) : 0.0;
}

bool lensLinesDrawable(const LensGeometry& lens, const SlantGeometry& slant)
{
    const double spacing = lens.pitch / lens.viewCount;
    double first = 0.0;
    double end = 0.0;
    lineStartRange(lens, slant, first, end);
    return spacing > 0.0 && std::isfinite(spacing) && (end - first) / spacing <= MaxLensLines;
}

std::vector<double> lensLineStarts(const LensGeometry& lens, const SlantGeometry& slant)
{
    std::vector<double> starts;
    const double spacing = lens.pitch / lens.viewCount;
    double p = 0.0;
    double end = 0.0;
    lineStartRange(lens, slant, p, end);
    if (!lensLinesDrawable(lens, slant))
        return starts; // no spacing, or more lines than any display has: nothing to draw
    p -= lens.lineShift * spacing;
    while (end > p) {
        starts.push_back(p);
        const double next = p + spacing;
        if (!(next > p))
            break; // the spacing is lost against p: no further column is reachable
        p = next;
    }
    return starts;
}

int twoViewCount(double pitch)
{
    // Held far below INT_MAX so that the count itself cannot overflow.
    const int n = std::min(truncToInt(std::floor(pitch + SampleStep + 0.5)), 1 << 28);
    return 2 * (n / 2) + 2;
}

std::vector<const unsigned char*> twoViewSources(int viewCount, const unsigned char* firstImage,
                                                 const unsigned char* secondImage)
{
    std::vector<const unsigned char*> sources(std::max(viewCount, 0));
    for (int v = 0; v < static_cast<int>(sources.size()); ++v)
        sources[v] = v < viewCount / 2 ? firstImage : secondImage;
    return sources;
}

} // namespace veltrane
