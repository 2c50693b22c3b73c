#include "veltrane/gpu/gpu_table.h"

#include <algorithm>
#include <cstdint>
#include <new>

namespace veltrane {

bool GpuTable::serves(const Calibration& c, cv::Size outputSize, int views, Weighting w) const
{
    return !empty() && outputSize == size && views == viewCount && w == weighting &&
           sameTableGeometry(c, calibration);
}

namespace {

// The weights of every byte in the bytes' order, and each byte's run.
GpuStatus gatherRows(const ViewTable& compiled, GpuTable& table, std::size_t maxBytes)
{
    const cv::Size size = compiled.size();
    const int strips = compiled.strips();
    const std::vector<ViewTableSegment>& segments = compiled.segments();
    const std::size_t pixels = static_cast<std::size_t>(size.width) * size.height;
    if (pixels * 4 * sizeof(std::uint32_t) + compiled.entries() > maxBytes)
        return GpuStatus::NoMemory;
    table.entries.assign(pixels * 4, 0);
    table.weights.clear();
    table.weights.reserve(compiled.entries() + 4 * static_cast<std::size_t>(GpuWeightColumns));
    const std::size_t rowBytes = static_cast<std::size_t>(size.width) * 3;
    for (int y = 0; y < size.height; ++y) {
        std::uint32_t* row = table.entries.data() + static_cast<std::size_t>(y) * size.width * 4;
        std::size_t next = 0; // the row's bytes are visited in order, each once
        std::size_t pixelStarted = SIZE_MAX;
        for (int s = 0; s < strips; ++s) {
            const ViewTableSegment& segment = segments[static_cast<std::size_t>(y) * strips + s];
            if (segment.starts.empty())
                continue; // bytes that stay 0: no views, no weights
            if (static_cast<std::size_t>(segment.first) < next || segment.first + segment.starts.size() > rowBytes)
                return GpuStatus::InvalidInput;
            const std::uint8_t* weight = segment.weights.data();
            for (std::size_t j = 0; j < segment.starts.size(); ++j) {
                const std::size_t byte = segment.first + j;
                std::uint32_t* pixel = row + 4 * (byte / 3);
                // A pixel's weights start where its first byte with views
                // has its own; the bytes before it in the pixel have none.
                if (pixelStarted != byte / 3) {
                    pixel[0] = static_cast<std::uint32_t>(table.weights.size());
                    pixelStarted = byte / 3;
                }
                pixel[1 + byte % 3] = segment.starts[j] | std::uint32_t{segment.lengths[j]} << 16;
                table.weights.insert(table.weights.end(), weight, weight + segment.lengths[j]);
                weight += segment.lengths[j];
            }
            next = segment.first + segment.starts.size();
        }
    }
    if (table.weights.size() > UINT32_MAX)
        return GpuStatus::TooLargeForGpu;
    return GpuStatus::Done;
}

} // namespace

GpuStatus layOutTable(const ViewTable& compiled, const Calibration& calibration, GpuTable& table,
                      std::size_t maxBytes)
{
    table = GpuTable();
    if (compiled.empty())
        return GpuStatus::NotReady;
    try {
        GpuTable laid;
        if (const GpuStatus status = gatherRows(compiled, laid, maxBytes); status != GpuStatus::Done)
            return status;
        laid.weightColumns = GpuWeightColumns;
        const std::size_t perRow = 4 * static_cast<std::size_t>(GpuWeightColumns);
        laid.weightRows = static_cast<int>(std::max<std::size_t>(1, (laid.weights.size() + perRow - 1) / perRow));
        laid.weights.resize(perRow * laid.weightRows, 0);
        laid.calibration = calibration;
        laid.size = compiled.size();
        laid.viewCount = compiled.viewCount();
        laid.weighting = compiled.weighting();
        table = std::move(laid);
        return GpuStatus::Done;
    } catch (const std::bad_alloc&) {
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
