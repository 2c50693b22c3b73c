#include "full_rows.h"

#include "full_weights.h"

#include <opencv2/core/utility.hpp>

#include <algorithm>
#include <cstddef>

namespace veltrane {

namespace {

// Where the three subpixels of a pixel go and come from: subpixel j (from
// the left) is output byte outByte[j] (blue first) and source byte
// sourceByte[j] of its pixel.
struct PixelOrder {
    int outByte[3];
    int sourceByte[3];
};

PixelOrder pixelOrderOf(const LensGeometry& lens)
{
    PixelOrder order{};
    for (int j = 0; j < 3; ++j) {
        const int k = lens.panelBgr ? j : 2 - j;
        order.outByte[j] = k;
        order.sourceByte[j] = lens.subpixelOrder ? 2 - k : k;
    }
    return order;
}

struct FullRows {
    FullPhase phase;
    PixelOrder order;
    const unsigned char* const* sources;
    std::size_t rowBytes; // of the output and of every image source
    int width;
    unsigned char* output;
    bool adding;
};

// One row. PixelStep is 3 for images, 0 for colours (whose every pixel is the same three bytes).
template <int PixelStep>
void composeRow(const FullRows& rows, int y)
{
    const FullPhase& phase = rows.phase;
    const std::size_t sourceRow = PixelStep == 0 ? 0 : static_cast<std::size_t>(y) * rows.rowBytes;
    unsigned char* const out = rows.output + static_cast<std::size_t>(y) * rows.rowBytes;
    std::int64_t p = rowPhase(phase, y);
    for (int x = 0; x < rows.width; ++x) {
        const std::size_t pixel = sourceRow + static_cast<std::size_t>(x) * PixelStep;
        for (int j = 0; j < 3; ++j) {
            const FullShare share = fullShareAt(phase, p);
            const std::size_t at = pixel + rows.order.sourceByte[j];
            int sum = 0;
            if (const unsigned char* source = rows.sources[share.view])
                sum += roundedShare(source[at], 255 - share.nextWeight);
            if (const unsigned char* source = rows.sources[share.next])
                sum += roundedShare(source[at], share.nextWeight);
            unsigned char& byte = out[3 * static_cast<std::size_t>(x) + rows.order.outByte[j]];
            byte = static_cast<unsigned char>(rows.adding ? std::min(255, byte + sum) : sum);
            p = nextPhase(phase, p);
        }
    }
}

int threadsOf(const LensGeometry& lens)
{
    return std::max(1, std::min(lens.threads > 0 ? lens.threads : cv::getNumThreads(), lens.height));
}

// body(y) for every row, on the composition's threads.
template <typename Body>
void forEachRow(const LensGeometry& lens, Body body)
{
    const int threads = threadsOf(lens);
    if (threads == 1) {
        for (int y = 0; y < lens.height; ++y)
            body(y);
        return;
    }
    cv::parallel_for_(cv::Range(0, lens.height), [&](const cv::Range& range) {
        for (int y = range.start; y < range.end; ++y)
            body(y);
    }, threads);
}

} // namespace

Status composeFull(const LensGeometry& lens, const unsigned char* const* sources, unsigned char* output, bool adding,
                   FullSources kind)
{
    FullRows rows{fullPhaseOf(lens), pixelOrderOf(lens), sources, 3 * static_cast<std::size_t>(lens.width),
                  lens.width, output, adding};
    if (kind == FullSources::Colours)
        forEachRow(lens, [&](int y) { composeRow<0>(rows, y); });
    else
        forEachRow(lens, [&](int y) { composeRow<3>(rows, y); });
    return Status::Done;
}

Status compileFullTable(const LensGeometry& lens, fast::TableRecord& table)
{
    const FullPhase phase = fullPhaseOf(lens);
    const PixelOrder order = pixelOrderOf(lens);
    const int bytesPerRow = 3 * lens.width;
    table.strips = 1;
    table.segments->resize(lens.height); // each keeps its memory
    forEachRow(lens, [&](int y) {
        ViewTableSegment& segment = (*table.segments)[y];
        segment.first = 0;
        segment.starts.resize(bytesPerRow);
        segment.lengths.resize(bytesPerRow);
        segment.weights.clear();
        segment.weights.reserve(2 * static_cast<std::size_t>(bytesPerRow));
        std::int64_t p = rowPhase(phase, y);
        for (int x = 0; x < lens.width; ++x) {
            FullShare shares[3]; // by output byte
            for (int j = 0; j < 3; ++j, p = nextPhase(phase, p))
                shares[order.outByte[j]] = fullShareAt(phase, p);
            for (int k = 0; k < 3; ++k) {
                const FullShare& share = shares[k];
                const int b = 3 * x + k;
                // A weight of 0 is no entry: a byte on a view's line shows that view alone.
                const bool alone = share.nextWeight == 0 || share.nextWeight == 255;
                segment.starts[b] = static_cast<std::uint16_t>(share.nextWeight == 255 ? share.next : share.view);
                segment.lengths[b] = alone ? 1 : 2;
                if (alone) {
                    segment.weights.push_back(255);
                } else {
                    segment.weights.push_back(static_cast<std::uint8_t>(255 - share.nextWeight));
                    segment.weights.push_back(static_cast<std::uint8_t>(share.nextWeight));
                }
            }
        }
        const std::size_t bytes = 3 * static_cast<std::size_t>(bytesPerRow) + segment.weights.size();
        if (table.bytes.fetch_add(bytes) + bytes > table.maxBytes || table.tooLarge.load()) {
            table.tooLarge.store(true);
            segment = ViewTableSegment();
        }
    });
    return table.tooLarge.load() ? Status::NoMaskMemory : Status::Done;
}

} // namespace veltrane
