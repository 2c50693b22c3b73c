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
    if (compiled.entries() > UINT32_MAX)
        return GpuStatus::TooLargeForGpu;
    table.entries.assign(pixels * 4, 0);
    // A segment's weights are its bytes' in order, so they are copied whole
    // and each byte's start follows from the lengths before it.
    table.weights.resize(compiled.entries());
    std::uint32_t at = 0;
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
            std::copy(segment.weights.begin(), segment.weights.end(), table.weights.begin() + at);
            for (std::size_t j = 0; j < segment.starts.size(); ++j) {
                const std::size_t byte = segment.first + j;
                std::uint32_t* pixel = row + 4 * (byte / 3);
                // A pixel's weights start where its first byte with views
                // has its own; the bytes before it in the pixel have none.
                if (pixelStarted != byte / 3) {
                    pixel[0] = at;
                    pixelStarted = byte / 3;
                }
                pixel[1 + byte % 3] = segment.starts[j] | std::uint32_t{segment.lengths[j]} << 16;
                at += segment.lengths[j];
            }
            next = segment.first + segment.starts.size();
        }
    }
    return at == table.weights.size() ? GpuStatus::Done : GpuStatus::InvalidInput;
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
