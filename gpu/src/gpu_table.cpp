#include "veltrane/gpu/gpu_table.h"

#include <opencv2/core/utility.hpp>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <new>

namespace veltrane {

bool GpuTable::serves(const Calibration& c, cv::Size outputSize, int views, Weighting w) const
{
    return !empty() && outputSize == size && views == viewCount && w == weighting &&
           sameTableGeometry(c, calibration);
}

namespace {

// One row's entries (zeroed first) and its weights from at on; false when
// its segments are out of order or past the row.
bool layOutRow(const ViewTableSegment* segments, int strips, int width, std::uint32_t at, std::uint32_t* row,
               std::uint8_t* weights)
{
    std::fill(row, row + static_cast<std::size_t>(width) * 4, 0u);
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
    std::size_t next = 0; // the row's bytes are visited in order, each once
    std::size_t pixelStarted = SIZE_MAX;
    for (int s = 0; s < strips; ++s) {
        const ViewTableSegment& segment = segments[s];
        if (segment.starts.empty())
            continue; // bytes that stay 0: no views, no weights
        if (static_cast<std::size_t>(segment.first) < next || segment.first + segment.starts.size() > rowBytes)
            return false;
        std::copy(segment.weights.begin(), segment.weights.end(), weights + at);
        for (std::size_t j = 0; j < segment.starts.size(); ++j) {
            const std::size_t byte = segment.first + j;
            std::uint32_t* pixel = row + 4 * (byte / 3);
            // A pixel's weights start where its first byte with views has
            // its own; the bytes before it in the pixel have none.
            if (pixelStarted != byte / 3) {
                pixel[0] = at;
                pixelStarted = byte / 3;
            }
            pixel[1 + byte % 3] = segment.starts[j] | std::uint32_t{segment.lengths[j]} << 16;
            at += segment.lengths[j];
        }
        next = segment.first + segment.starts.size();
    }
    return true;
}

// The weights of every byte in the bytes' order, and each byte's run.
GpuStatus gatherRows(const ViewTable& compiled, GpuTable& table, std::size_t maxBytes)
{
    const cv::Size size = compiled.size();
    const int strips = compiled.strips();
    const std::vector<ViewTableSegment>& segments = compiled.segments();
    const std::size_t pixels = static_cast<std::size_t>(size.width) * size.height;
    if (pixels * 4 * sizeof(std::uint32_t) + compiled.entries() > maxBytes)
        return GpuStatus::NoMemory;
    if (compiled.entries() > UINT32_MAX)
        return GpuStatus::TooLargeForGpu;
    // Where each row's weights start: its segments' weights, in order, are
    // its bytes' weights in order.
    std::vector<std::size_t> rowStart(static_cast<std::size_t>(size.height) + 1, 0);
    for (int y = 0; y < size.height; ++y) {
        std::size_t weights = 0;
        for (int s = 0; s < strips; ++s)
            weights += segments[static_cast<std::size_t>(y) * strips + s].weights.size();
        rowStart[y + 1] = rowStart[y] + weights;
    }
    if (rowStart.back() != compiled.entries())
        return GpuStatus::InvalidInput;
    table.entries.resize(pixels * 4);
    table.weights.resize(compiled.entries());
    std::atomic<bool> ordered{true};
    cv::parallel_for_(cv::Range(0, size.height), [&](const cv::Range& range) {
        for (int y = range.start; y < range.end; ++y)
            if (!layOutRow(segments.data() + static_cast<std::size_t>(y) * strips, strips, size.width,
                           static_cast<std::uint32_t>(rowStart[y]),
                           table.entries.data() + static_cast<std::size_t>(y) * size.width * 4,
                           table.weights.data()))
                ordered = false;
    });
    return ordered ? GpuStatus::Done : GpuStatus::InvalidInput;
}

} // namespace

GpuStatus layOutTable(const ViewTable& compiled, const Calibration& calibration, GpuTable& table,
                      std::size_t maxBytes)
{
    // Laid out into the table's own memory: a table laid out again after a
    // tuning key writes where it wrote before.
    table.viewCount = 0;
    if (compiled.empty())
        return table = GpuTable(), GpuStatus::NotReady;
    try {
        if (const GpuStatus status = gatherRows(compiled, table, maxBytes); status != GpuStatus::Done)
            return table = GpuTable(), status;
        const std::size_t perRow = 4 * static_cast<std::size_t>(GpuWeightColumns);
        const std::size_t rows = std::max<std::size_t>(1, (table.weights.size() + perRow - 1) / perRow);
        table.weightLayers = static_cast<int>((rows + GpuWeightRowsPerLayer - 1) / GpuWeightRowsPerLayer);
        table.weightRows = table.weightLayers == 1 ? static_cast<int>(rows) : GpuWeightRowsPerLayer;
        table.weights.resize(perRow * table.weightRows * table.weightLayers, 0);
        table.calibration = calibration;
        table.size = compiled.size();
        table.weighting = compiled.weighting();
        table.viewCount = compiled.viewCount();
        return GpuStatus::Done;
    } catch (const std::bad_alloc&) {
        table = GpuTable();
        return GpuStatus::NoMemory;
    }
}

GpuStatus compileGpuTable(const Calibration& calibration, cv::Size size, int viewCount, const EngineOptions& options,
                          GpuTable& table, std::size_t maxBytes)
{
    table = GpuTable();
    ViewTable compiled;
    switch (compiled.compile(calibration, size, viewCount, options, maxBytes)) {
    case Status::Done: break;
    case Status::InvalidImage: return GpuStatus::InvalidInput;
    case Status::UnsupportedGeometry: return GpuStatus::UnsupportedGeometry;
    default: return GpuStatus::NoMemory;
    }
    return layOutTable(compiled, calibration, table, maxBytes);
}

} // namespace veltrane
