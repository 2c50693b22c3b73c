// The mask rows of a frame compiled into a view table: every nonzero mask
// byte becomes an entry (view, weight) of the output byte its subpixel is.
#include "fast_frame.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace veltrane {
namespace fast {

namespace {

// The output byte (blue first) of subpixel column c of a row.
inline int outputByte(const Frame& frame, int c)
{
    if (frame.panelBgr)
        return c;
    const int pixel = c / 3;
    return 3 * pixel + 2 - (c - 3 * pixel);
}

// Calls take(j, weight) for every nonzero byte j of a mask row, in order,
// eight bytes at a time (bytes of a little-endian word, lowest first).
template <typename Take>
void forEachWeight(const unsigned char* mask, int width, Take take)
{
    int j = 0;
    for (; j + 8 <= width; j += 8) {
        std::uint64_t word;
        std::memcpy(&word, mask + j, 8);
        while (word != 0) {
            const int byte = __builtin_ctzll(word) / 8;
            take(j + byte, static_cast<unsigned char>(word >> (8 * byte)));
            word &= ~(std::uint64_t{0xFF} << (8 * byte));
        }
    }
    for (; j < width; ++j)
        if (mask[j] != 0)
            take(j, mask[j]);
}

// What the scan of a row's masks knows of each byte's views, which it
// meets in ascending order: their run is the shortest stretch of views,
// counted cyclically, that holds them all: from the view after the widest
// gap between two of them (or between the last and the first, around N).
struct ViewsSeen {
    std::uint16_t lowest[StripBytes];
    std::uint16_t last[StripBytes];
    std::uint16_t widestGap[StripBytes]; // between views met one after the other
    std::uint16_t afterGap[StripBytes];
    bool any[StripBytes];
};

} // namespace

void recordRow(const Frame& frame, unsigned char* masks, const Strip& strip, int y)
{
    TableRecord& table = *frame.table;
    const int width = strip.b - strip.a; // whole pixels: a strip's output bytes are its subpixels
    const int views = frame.views;
    int byteOf[StripBytes];
    for (int j = 0; j < width; ++j)
        byteOf[j] = outputByte(frame, strip.a + j) - strip.a;
    auto mask = [&](int v) { return masks + static_cast<std::size_t>(v) * MaskPitch; };

    thread_local ViewsSeen seen;
    std::fill(seen.any, seen.any + width, false);
    for (int v = 0; v < views; ++v)
        forEachWeight(mask(v), width, [&](int j, unsigned char) {
            const int b = byteOf[j];
            const auto view = static_cast<std::uint16_t>(v);
            if (!seen.any[b]) {
                seen.any[b] = true;
                seen.lowest[b] = seen.last[b] = view;
                seen.widestGap[b] = 0;
                seen.afterGap[b] = view;
                return;
            }
            if (view - seen.last[b] > seen.widestGap[b]) {
                seen.widestGap[b] = static_cast<std::uint16_t>(view - seen.last[b]);
                seen.afterGap[b] = view;
            }
            seen.last[b] = view;
        });

    ViewTableSegment& segment = (*table.segments)[static_cast<std::size_t>(y) * table.strips + strip.index];
    segment.first = strip.a;
    segment.starts.resize(width);
    segment.lengths.resize(width);
    int offset[StripBytes]; // of each byte's weights
    std::size_t total = 0;
    for (int b = 0; b < width; ++b) {
        int start = 0;
        int length = 0;
        if (seen.any[b]) {
            const int around = seen.lowest[b] + views - seen.last[b];
            const bool aroundWidest = around >= seen.widestGap[b];
            start = aroundWidest ? seen.lowest[b] : seen.afterGap[b];
            length = views - (aroundWidest ? around : seen.widestGap[b]) + 1;
        }
        if (length > 255)
            table.tooSpread.store(true, std::memory_order_relaxed);
        segment.starts[b] = static_cast<std::uint16_t>(start);
        segment.lengths[b] = static_cast<std::uint8_t>(std::min(length, 255));
        offset[b] = static_cast<int>(total);
        total += segment.lengths[b];
    }
    const std::size_t bytes = 3 * static_cast<std::size_t>(width) + total;
    if (table.bytes.fetch_add(bytes) + bytes > table.maxBytes || table.tooLarge.load() || table.tooSpread.load()) {
        table.tooLarge.store(!table.tooSpread.load());
        segment = ViewTableSegment();
    } else {
        segment.weights.assign(total, 0); // views of a run that do not show at a byte keep 0
        for (int v = 0; v < views; ++v)
            forEachWeight(mask(v), width, [&](int j, unsigned char weight) {
                const int b = byteOf[j];
                const int k = v - segment.starts[b];
                segment.weights[offset[b] + (k < 0 ? k + views : k)] = weight;
            });
    }
    for (int v = 0; v < views; ++v)
        std::memset(mask(v), 0, width);
}

} // namespace fast
} // namespace veltrane
