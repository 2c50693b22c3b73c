// The engine's public entry points: images checked, the lens geometry of the
// call derived, and every failure turned into a status.
#include "veltrane/engine/interlace.h"

#include "blend.h"
#include "calibration_lens.h"
#include "fast_interlace.h"
#include "lens_geometry.h"

#include <array>
#include <cmath>
#include <limits>
#include <new>

namespace veltrane {

namespace {

// The phase's fraction in units of 2^-32 of a view, and its whole views;
// the fraction is rounded so that phases a whole number of views apart
// (3.4 and 0.4, which differ in their last bits) move the lines alike.
constexpr double FractionUnits = 4294967296.0; // 2^32

double roundedFraction(double phase)
{
    return std::round((phase - std::floor(phase)) * FractionUnits);
}

} // namespace

double phaseFraction(double phase)
{
    if (!std::isfinite(phase))
        return 0.0;
    const double units = roundedFraction(phase);
    return units < FractionUnits ? units / FractionUnits : 0.0;
}

int phaseViews(double phase, int n)
{
    if (!std::isfinite(phase) || n <= 0)
        return 0;
    const double whole = std::floor(phase) + (roundedFraction(phase) < FractionUnits ? 0.0 : 1.0);
    const double turn = std::fmod(whole, static_cast<double>(n));
    return (static_cast<int>(turn) + n) % n;
}

LensGeometry lensOf(const Calibration& calibration, cv::Size size, int viewCount, const EngineOptions& options)
{
    LensGeometry lens;
    lens.width = size.width;
    lens.height = size.height;
    lens.pitch = calibration.pitch;
    lens.slantX = calibration.x;
    lens.slantY = calibration.y;
    lens.mirror = calibration.mirror;
    lens.viewCount = viewCount;
    lens.subpixelOrder = options.sourceOrder == ChannelOrder::Rgb;
    lens.panelBgr = calibration.subpixelOrder == ChannelOrder::Bgr;
    lens.lineShift = phaseFraction(calibration.viewPhase);
    lens.threads = options.threads;
    lens.weighting = options.weighting;
    return lens;
}

namespace {

// Subpixel columns are three a pixel: widths and slants whose three times is
// no int are none the engine draws; nor is a -y of 0 or less.
Status linesOf(const LensGeometry& lens)
{
    constexpr int Widest = std::numeric_limits<int>::max() / 3;
    if (lens.width > Widest || lens.slantX > Widest || lens.slantX < -Widest || lens.slantY <= 0)
        return Status::UnsupportedGeometry;
    return lensLinesDrawable(lens, deriveSlantGeometry(lens)) ? Status::Done : Status::UnsupportedGeometry;
}

} // namespace

Status geometryOf(const LensGeometry& lens)
{
    if (lens.height < 3) // the first and last rows stay dark: nothing would be lit
        return Status::UnsupportedGeometry;
    // The full weighting's phases are whole numbers below two turns of the
    // views, and a view table's entries name views in 16 bits.
    if (lens.weighting == Weighting::Full && lens.viewCount > MaxFullViews)
        return Status::UnsupportedGeometry;
    return linesOf(lens);
}

namespace {

bool usable(const cv::Mat& image, cv::Size size)
{
    return !image.empty() && image.type() == CV_8UC3 && image.isContinuous() && image.size() == size;
}

bool allUsable(const std::vector<cv::Mat>& images, cv::Size size)
{
    for (const cv::Mat& image : images)
        if (!usable(image, size))
            return false;
    return true;
}

// The output of a whole composition: made at the size unless it has it.
bool prepareOutput(cv::Mat& output, cv::Size size)
{
    output.create(size, CV_8UC3);
    return output.isContinuous();
}

// The whole part of the phase as a rotation of the views: the view at
// position v shows source views[(v + K) mod N].
template <typename T>
std::vector<T> rotated(const std::vector<T>& views, double phase)
{
    const int n = static_cast<int>(views.size());
    const int k = phaseViews(phase, n);
    std::vector<T> turned(views.size());
    for (int v = 0; v < n; ++v)
        turned[v] = views[(v + k) % n];
    return turned;
}


std::vector<const unsigned char*> dataOf(const std::vector<cv::Mat>& images)
{
    std::vector<const unsigned char*> data;
    data.reserve(images.size());
    for (const cv::Mat& image : images)
        data.push_back(image.data);
    return data;
}

// Runs a composition; the memory it could not have (the engine's own
// allocations go through the allocator, the rest through the heap and
// OpenCV) is a status, never an exception.
template <typename Compose>
Status guarded(Compose compose)
{
    try {
        return compose();
    } catch (const std::bad_alloc&) {
        return Status::NoMaskMemory;
    } catch (const cv::Exception& error) {
        return error.code == cv::Error::StsNoMem ? Status::NoMaskMemory : Status::Internal;
    }
}

using Engine = Status (*)(const LensGeometry&, const unsigned char* const*, unsigned char*, const MaskAllocator&);

Status composeViews(Engine engine, const Calibration& calibration, const std::vector<cv::Mat>& views,
                    cv::Mat& output, const EngineOptions& options)
{
    return guarded([&] {
        if (views.empty() || !allUsable(views, views.front().size()))
            return Status::InvalidImage;
        const LensGeometry lens = lensOf(calibration, views.front().size(), static_cast<int>(views.size()), options);
        if (geometryOf(lens) != Status::Done)
            return Status::UnsupportedGeometry;
        if (!prepareOutput(output, views.front().size()))
            return Status::InvalidImage;
        return engine(lens, dataOf(rotated(views, calibration.viewPhase)).data(), output.data, options.allocator);
    });
}

// The two-view composition at size from the first half of the views'
// sources and the second (images or colours, whichever the engine reads).
Status composeTwo(Engine engine, const Calibration& calibration, int viewCount, const unsigned char* first,
                  const unsigned char* second, cv::Size size, cv::Mat& output, const EngineOptions& options)
{
    const LensGeometry lens = lensOf(calibration, size, viewCount, options);
    if (geometryOf(lens) != Status::Done)
        return Status::UnsupportedGeometry;
    if (!prepareOutput(output, size))
        return Status::InvalidImage;
    return engine(lens, rotated(twoViewSources(viewCount, first, second), calibration.viewPhase).data(), output.data,
                  options.allocator);
}

Status composeTwoViews(Engine engine, const Calibration& calibration, int viewCount, const cv::Mat& first,
                       const cv::Mat& second, cv::Mat& output, const EngineOptions& options)
{
    return guarded([&] {
        if (!usable(first, first.size()) || !usable(second, first.size()))
            return Status::InvalidImage;
        return composeTwo(engine, calibration, viewCount, first.data, second.data, first.size(), output, options);
    });
}

// A colour's three bytes as an image of it holds them.
std::array<unsigned char, 3> colourBytes(const cv::Scalar& colour)
{
    return {cv::saturate_cast<unsigned char>(colour[0]), cv::saturate_cast<unsigned char>(colour[1]),
            cv::saturate_cast<unsigned char>(colour[2])};
}

} // namespace

Status interlaceTwoColours(const Calibration& calibration, int viewCount, const cv::Scalar& first,
                           const cv::Scalar& second, cv::Size size, cv::Mat& output, const EngineOptions& options)
{
    return guarded([&] {
        if (size.width <= 0 || size.height <= 0)
            return Status::InvalidImage;
        const std::array<unsigned char, 3> firstBytes = colourBytes(first);
        const std::array<unsigned char, 3> secondBytes = colourBytes(second);
        return composeTwo(interlaceColoursFast, calibration, viewCount, firstBytes.data(), secondBytes.data(), size,
                          output, options);
    });
}

Status interlaceViews(const Calibration& calibration, const std::vector<cv::Mat>& views, cv::Mat& output,
                      const EngineOptions& options)
{
    return composeViews(interlaceViewsFast, calibration, views, output, options);
}

Status interlaceViewsReference(const Calibration& calibration, const std::vector<cv::Mat>& views, cv::Mat& output,
                               const EngineOptions& options)
{
    return composeViews(interlaceViewsReference, calibration, views, output, options);
}

Status interlaceTwoViews(const Calibration& calibration, int viewCount, const cv::Mat& first, const cv::Mat& second,
                         cv::Mat& output, const EngineOptions& options)
{
    return composeTwoViews(interlaceViewsFast, calibration, viewCount, first, second, output, options);
}

Status interlaceTwoViewsReference(const Calibration& calibration, int viewCount, const cv::Mat& first,
                                  const cv::Mat& second, cv::Mat& output, const EngineOptions& options)
{
    return composeTwoViews(interlaceViewsReference, calibration, viewCount, first, second, output, options);
}

Status addViews(const Calibration& calibration, int viewCount, const std::vector<int>& views,
                const std::vector<cv::Mat>& sources, cv::Mat& output, const EngineOptions& options)
{
    return guarded([&] {
        if (views.size() != sources.size() || !usable(output, output.size()) ||
            !allUsable(sources, output.size()))
            return Status::InvalidImage;
        const LensGeometry lens = lensOf(calibration, output.size(), viewCount, options);
        if (geometryOf(lens) != Status::Done)
            return Status::UnsupportedGeometry;
        // Source w is shown by the lines of the position whose view it is: (w - K) mod N.
        const int k = phaseViews(calibration.viewPhase, viewCount);
        std::vector<int> positions(views);
        for (int& view : positions)
            if (view >= 0 && view < viewCount)
                view = (view - k + viewCount) % viewCount;
        return addViewsFast(lens, positions.data(), dataOf(sources).data(), static_cast<int>(views.size()), output.data,
                            options.allocator);
    });
}

Status checkGeometry(const Calibration& calibration, cv::Size size, int viewCount, Weighting weighting)
{
    if (viewCount <= 0 || size.width <= 0 || size.height <= 0)
        return Status::InvalidImage;
    EngineOptions options;
    options.weighting = weighting;
    return geometryOf(lensOf(calibration, size, viewCount, options));
}

Status lineLayout(const Calibration& calibration, cv::Size size, int viewCount, LineLayout& layout)
{
    if (viewCount <= 0 || size.width <= 0 || size.height <= 0)
        return Status::InvalidImage;
    const LensGeometry lens = lensOf(calibration, size, viewCount, EngineOptions());
    if (const Status status = linesOf(lens); status != Status::Done)
        return status; // where the lines lie is known at any number of rows
    const SlantGeometry slant = deriveSlantGeometry(lens);
    if (slant.lineDy == 0)
        return Status::UnsupportedGeometry;
    layout.spacing = calibration.pitch / viewCount;
    layout.perRow = static_cast<double>(slant.lineDx) / slant.lineDy;
    // The lines start where lensLineStarts starts them, the fraction of the
    // phase applied there and its whole views by the turn of the views.
    const double start = firstLineStart(lens, slant);
    const double whole = phaseViews(calibration.viewPhase, viewCount);
    layout.firstLine = start - (lens.lineShift + whole) * layout.spacing;
    return Status::Done;
}

double brightnessKept(double pitch, int viewCount, Weighting weighting)
{
    if (!(pitch > 0.0) || viewCount <= 0)
        return 0.0;
    if (weighting == Weighting::Full)
        return 1.0;
    const double spacing = pitch / viewCount;
    if (!std::isfinite(spacing))
        return 0.0;
    double kept = 0.0;
    double whole = 0.0;
    for (const int weight : WeightProfile) {
        kept += truncToInt(weight * spacing);
        whole += weight * spacing;
    }
    return kept / whole;
}

} // namespace veltrane
