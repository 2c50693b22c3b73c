// The mask rows of a frame compiled into a view table: every nonzero mask
// byte becomes an entry (view, weight) of the output byte its subpixel is.
#include "fast_frame.h"

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

// An entry found in a mask row, before it is put in its byte's place.
struct Found {
    std::uint16_t byte;
    std::uint16_t view;
    std::uint8_t weight;
};

} // namespace

void recordRow(const Frame& frame, unsigned char* masks, const Strip& strip, int y)
{
    TableRecord& table = *frame.table;
    const int width = strip.b - strip.a; // whole pixels: a strip's output bytes are its subpixels
    int byteOf[StripBytes];
    for (int j = 0; j < width; ++j)
        byteOf[j] = outputByte(frame, strip.a + j) - strip.a;
    auto mask = [&](int v) { return masks + static_cast<std::size_t>(v) * MaskPitch; };

    ViewTableSegment& segment = (*table.segments)[static_cast<std::size_t>(y) * table.strips + strip.index];
    segment.first = strip.a;
    segment.counts.assign(width, 0);
    thread_local std::vector<Found> found;
    found.clear();
    for (int v = 0; v < frame.views; ++v)
        forEachWeight(mask(v), width, [&](int j, unsigned char weight) {
            const int byte = byteOf[j];
            ++segment.counts[byte];
            found.push_back({static_cast<std::uint16_t>(byte), static_cast<std::uint16_t>(v), weight});
        });
    const std::size_t bytes = 2 * static_cast<std::size_t>(width) + 3 * found.size();
    if (table.bytes.fetch_add(bytes) + bytes > table.maxBytes || table.tooLarge.load()) {
        table.tooLarge.store(true);
        segment = ViewTableSegment();
    } else {
        int next[StripBytes]; // where the next entry of each byte goes
        int total = 0;
        for (int j = 0; j < width; ++j) {
            next[j] = total;
            total += segment.counts[j];
        }
        segment.views.resize(found.size());
        segment.weights.resize(found.size());
        for (const Found& entry : found) {
            const int at = next[entry.byte]++;
            segment.views[at] = entry.view;
            segment.weights[at] = entry.weight;
        }
    }
    for (int v = 0; v < frame.views; ++v)
        std::memset(mask(v), 0, width);
}

} // namespace fast
} // namespace veltrane
