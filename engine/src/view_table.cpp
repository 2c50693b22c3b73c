// The view table: compiled through the fast engine's mask rows, composed
// byte by byte from the entries, with views read through a nearest-pixel map.
#include "veltrane/engine/view_table.h"

#include "calibration_lens.h"
#include "fast_frame.h"
#include "fast_interlace.h"

#include <opencv2/core/utility.hpp>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace veltrane {

namespace {

// One segment's bytes: the views' shares, source * weight / 255 each
// (truncated, or rounded: rounding 127), summed and clamped to 255. shown
// holds every view twice over, so a run that passes view N - 1 goes on
// without wrapping.
void composeSegment(const ViewTableSegment& segment, const unsigned char* const* shown, const int* byteOffset,
                    std::size_t sourceRow, unsigned rounding, unsigned char* out)
{
    const std::uint8_t* weight = segment.weights.data();
    const int first = segment.first;
    for (std::size_t j = 0; j < segment.starts.size(); ++j) {
        const std::size_t at = sourceRow + byteOffset[first + j];
        const unsigned char* const* run = shown + segment.starts[j];
        unsigned sum = 0;
        for (int k = 0; k < segment.lengths[j]; ++k)
            sum += (run[k][at] * unsigned{weight[k]} + rounding) / 255;
        weight += segment.lengths[j];
        out[first + j] = static_cast<unsigned char>(std::min(sum, 255u));
    }
}

bool usableViews(const std::vector<cv::Mat>& views)
{
    if (views.empty())
        return false;
    for (const cv::Mat& view : views)
        if (view.empty() || view.type() != CV_8UC3 || view.size() != views.front().size() ||
            view.step[0] != views.front().step[0])
            return false;
    return true;
}

} // namespace

Status ViewTable::compile(const Calibration& calibration, cv::Size size, int viewCount, const EngineOptions& options,
                          std::size_t maxBytes)
{
    // The segments keep their memory from the last compilation: a table
    // compiled again after a tuning key writes where it wrote before.
    std::vector<ViewTableSegment> segments;
    segments.swap(segments_);
    *this = ViewTable();
    if (viewCount <= 0 || size.width <= 0 || size.height <= 0)
        return Status::InvalidImage;
    const LensGeometry lens = lensOf(calibration, size, viewCount, options);
    if (geometryOf(lens) != Status::Done)
        return Status::UnsupportedGeometry;
    try {
        fast::TableRecord table;
        table.segments = &segments;
        table.maxBytes = maxBytes;
        const Status status = compileViewTableFast(lens, table, options.allocator);
        if (status != Status::Done)
            return status;
        calibration_ = calibration;
        size_ = size;
        viewCount_ = viewCount;
        weighting_ = options.weighting;
        strips_ = table.strips;
        segments_.swap(segments);
        return Status::Done;
    } catch (const std::bad_alloc&) {
        return Status::NoMaskMemory;
    }
}

bool sameTableGeometry(const Calibration& a, const Calibration& b)
{
    return a.x == b.x && a.y == b.y && a.pitch == b.pitch && a.mirror == b.mirror &&
           a.subpixelOrder == b.subpixelOrder && phaseFraction(a.viewPhase) == phaseFraction(b.viewPhase);
}

bool ViewTable::serves(const Calibration& calibration, cv::Size size, int viewCount, Weighting weighting) const
{
    return !empty() && size == size_ && viewCount == viewCount_ && weighting == weighting_ &&
           sameTableGeometry(calibration, calibration_);
}

std::vector<int> nearestSourceMap(int from, int to)
{
    const double inverse = 1.0 / (static_cast<double>(to) / from);
    std::vector<int> map(to);
    for (int i = 0; i < to; ++i)
        map[i] = std::min(cvFloor(i * inverse), from - 1);
    return map;
}

int viewTurn(const Calibration& calibration, int viewCount)
{
    return phaseViews(calibration.viewPhase, viewCount);
}

std::size_t ViewTable::entries() const
{
    std::size_t total = 0;
    for (const ViewTableSegment& segment : segments_)
        total += segment.weights.size();
    return total;
}

std::size_t ViewTable::bytes() const
{
    std::size_t total = 0;
    for (const ViewTableSegment& segment : segments_)
        total += segment.starts.size() * sizeof(std::uint16_t) + segment.lengths.size() + segment.weights.size();
    return total;
}

Status ViewTable::compose(const Calibration& calibration, const std::vector<cv::Mat>& views, cv::Mat& output,
                          ChannelOrder sourceOrder) const
{
    if (!serves(calibration, size_, static_cast<int>(views.size()), weighting_))
        return Status::TableMismatch;
    if (!usableViews(views))
        return Status::InvalidImage;
    try {
        const int turn = viewTurn(calibration, viewCount_);
        std::vector<const unsigned char*> shown(2 * static_cast<std::size_t>(viewCount_));
        for (std::size_t v = 0; v < shown.size(); ++v)
            shown[v] = views[(v + turn) % viewCount_].data;
        const cv::Size from = views.front().size();
        const std::vector<int> rows = nearestSourceMap(from.height, size_.height);
        const std::vector<int> columns = nearestSourceMap(from.width, size_.width);
        std::vector<int> byteOffset(static_cast<std::size_t>(size_.width) * 3);
        for (std::size_t j = 0; j < byteOffset.size(); ++j) {
            const int channel = static_cast<int>(j % 3); // of the output: blue first
            byteOffset[j] = 3 * columns[j / 3] + (sourceOrder == ChannelOrder::Bgr ? channel : 2 - channel);
        }
        output.create(size_, CV_8UC3);
        const std::size_t step = views.front().step[0];
        const unsigned rounding = weighting_ == Weighting::Full ? 127 : 0;
        cv::parallel_for_(cv::Range(0, size_.height), [&](const cv::Range& range) {
            for (int y = range.start; y < range.end; ++y) {
                const std::size_t sourceRow = rows[y] * step;
                unsigned char* out = output.ptr(y);
                const ViewTableSegment* row = segments_.data() + static_cast<std::size_t>(y) * strips_;
                if (std::any_of(row, row + strips_, [](const ViewTableSegment& s) { return s.starts.empty(); }))
                    std::memset(out, 0, static_cast<std::size_t>(size_.width) * 3); // bytes no line reaches
                for (int s = 0; s < strips_; ++s)
                    composeSegment(row[s], shown.data(), byteOffset.data(), sourceRow, rounding, out);
            }
        });
        return Status::Done;
    } catch (const std::bad_alloc&) {
        return Status::NoMaskMemory;
    } catch (const cv::Exception& error) {
        return error.code == cv::Error::StsNoMem ? Status::NoMaskMemory : Status::Internal;
    }
}

} // namespace veltrane
