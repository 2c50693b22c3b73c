// The fast engine's rows: samples plotted into mask rows (exact where the
// phase table is not sure), blended or added directly, and the strip loops
// that run them chunk by chunk. One file, over 400 lines: the row kernels are
// called for every sample from the strip loops, and must be inlined there.
#include "fast_frame.h"

#include "simd_kernels.h"

#include <opencv2/core/utility.hpp>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <thread>

namespace veltrane {
namespace fast {

namespace {

inline unsigned char exactWeight(const Frame& frame, const LensLine& line, double cx, double cy)
{
    const double distance = std::fabs(cx * frame.rise - cy * line.run - line.offset) / line.length;
    return distance < 1.0 ? frame.weights[static_cast<int>(23 * distance)] : 0;
}

// What the exact weights of a row's samples need besides the sample: kept
// together on the stack, so that the sample loop's registers stay its own.
struct ExactRow {
    const Frame* frame;
    const LensLine* lines; // the line of fixed[0]
    const int* fixed;
    double y;
};

// The exact weights of a sample whose phase fell into an uncertain bin.
[[gnu::noinline, gnu::cold]] void plotExactly(const ExactRow& row, const int* sample, unsigned char* viewRow)
{
    const Frame& frame = *row.frame;
    const LensLine& line = row.lines[sample - row.fixed];
    const int ix = *sample >> PhaseBits;
    const double cx = ix;
    unsigned char* const mask = viewRow + ix;
    mask[0] = exactWeight(frame, line, cx, row.y);
    mask[1] = exactWeight(frame, line, cx + 1.0, row.y);
    mask[-1] = exactWeight(frame, line, cx - 1.0, row.y);
}

// The first of fixed[from, to) that is at least value. Samples of one row
// never decrease along the lines: the starts rise, and adding the same step,
// holding and truncating all keep their order.
int firstAtLeast(const int* fixed, int from, int to, int value)
{
    return static_cast<int>(std::lower_bound(fixed + from, fixed + to, value) - fixed);
}

// Samples [from, to) of one row into the mask rows, view by view. Only
// lines of the same view share a mask row, and those go in line order, so a
// later line's triple overwrites an earlier one's as it must.
void plotRow(const Frame& frame, const Band& band, std::size_t first, int from, int to, unsigned char* origin, int y)
{
    const ExactRow exact{&frame, frame.lines + first, band.fixed, static_cast<double>(y)};
    const std::uint32_t* const phase = frame.phase;
    const int views = frame.views;
    const int* const end = band.fixed + to;
    for (int j0 = from; j0 < to && j0 < from + views; ++j0) {
        unsigned char* const viewRow = origin + (first + j0) % views * MaskPitch;
#pragma GCC unroll 4
        for (const int* sample = band.fixed + j0; sample < end; sample += views) {
            const auto fixed = static_cast<std::uint32_t>(*sample); // positive: x >= 1
            const std::uint32_t entry = phase[fixed & (PhaseBins - 1)];
            if (entry & Uncertain) [[unlikely]]
                plotExactly(exact, sample, viewRow);
            else // ix - 1, ix, ix + 1, and a 0 for ix + 2, which no earlier line of this view reached
                std::memcpy(viewRow + (fixed >> PhaseBits) - 1, &entry, 4);
        }
    }
}

// The samples of the three rows around a mask row that can reach a strip
// row: the samples of row t - 1, t and t + 1 (in the order rows are taken),
// lines [from[i], to[i]) of each.
struct RowNeighbours {
    const int* fixed[3] = {};
    int from[3] = {};
    int to[3] = {};
};

// Byte i of a phase-table entry is for the sample's row t - 1, t or t + 1: a
// line as steep as it is wide passes one column further on the next row, so
// the byte above (or below) a sample lies as far from the line as the byte
// beside it does in a row triple, and the table's three weights serve here.
constexpr int NeighbourShift[3] = {0, 8, 16};

// One mask row from the column triples of the samples around it, line by
// line: bytes of one line lie in different columns, and a later line of a
// view overwrites an earlier one as it must.
void plotColumnRow(const Frame& frame, std::size_t first, const RowNeighbours& near, unsigned char* origin, int y)
{
    const int lo = std::min({near.from[0], near.from[1], near.from[2]});
    const int hi = std::max({near.to[0], near.to[1], near.to[2]});
    const double cy = y;
    for (int j0 = lo; j0 < hi && j0 < lo + frame.views; ++j0) {
        unsigned char* const viewRow = origin + (first + j0) % frame.views * MaskPitch;
        for (int j = j0; j < hi; j += frame.views) {
            for (int i = 0; i < 3; ++i) {
                if (j < near.from[i] || j >= near.to[i])
                    continue;
                const auto fixed = static_cast<std::uint32_t>(near.fixed[i][j]);
                const std::uint32_t entry = frame.phase[fixed & (PhaseBins - 1)];
                const int column = static_cast<int>(fixed >> PhaseBits);
                viewRow[column] = entry & Uncertain
                                      ? exactWeight(frame, frame.lines[first + j], column, cy)
                                      : static_cast<unsigned char>(entry >> NeighbourShift[i]);
            }
        }
    }
}

// A view's share of a byte: source * weight / 255 truncated, which for a
// source byte of 0 or 255 is the weight or nothing.
inline int shareOf(const Frame& frame, unsigned char source, unsigned char weight)
{
    return frame.binaryShares ? source & weight : source * weight / 255;
}

// Direct blending, for many views whose lines of one view lie far apart:
// no two samples of a view then write the same byte of a row, so each
// sample's shares go straight into the strip row's sums, without masks;
// bytes of triples that pass the strip's edges are left to the next strip.

class DirectRow {
public:
    DirectRow(const Frame& frame, const RowBuffers& slot, const Strip& strip, int y)
        : frame_(frame), strip_(strip), y_(y), sums_(slot.sums - strip.a),
          offset_(static_cast<std::size_t>(y) * frame.stride + strip.a), crossed_(slot.crossed)
    {
    }

    // The source row of a view, in subpixel order, indexed by column.
    const unsigned char* source(int view) const
    {
        return sourceRow(frame_, crossed_, frame_.sourceOf[view], offset_) - strip_.a;
    }

    // The three bytes of a row triple around column ix.
    void addRowTriple(int view, int line, int ix, std::uint32_t entry) const
    {
        const unsigned char* from = source(view);
        if (entry & Uncertain) {
            const LensLine& lens = frame_.lines[strip_.first + line];
            for (int c = ix - 1; c <= ix + 1; ++c)
                addAtEdge(from, c, exactWeight(frame_, lens, c, y_));
        } else if (ix > strip_.a && ix + 1 < strip_.b) {
            add(from, ix - 1, static_cast<unsigned char>(entry));
            add(from, ix, static_cast<unsigned char>(entry >> 8));
            add(from, ix + 1, static_cast<unsigned char>(entry >> 16));
        } else {
            addAtEdge(from, ix - 1, static_cast<unsigned char>(entry));
            addAtEdge(from, ix, static_cast<unsigned char>(entry >> 8));
            addAtEdge(from, ix + 1, static_cast<unsigned char>(entry >> 16));
        }
    }

private:
    // Sums of at most 13 shares of 255 each (views at least a quarter
    // subpixel apart) fit in 16 bits; they are clamped when written out.
    void add(const unsigned char* source, int column, unsigned char weight) const
    {
        sums_[column] = static_cast<std::uint16_t>(sums_[column] + shareOf(frame_, source[column], weight));
    }

    void addAtEdge(const unsigned char* source, int column, unsigned char weight) const
    {
        if (column >= strip_.a && column < strip_.b)
            add(source, column, weight);
    }

    const Frame& frame_;
    const Strip& strip_;
    int y_;
    std::uint16_t* sums_;
    std::size_t offset_;
    const unsigned char* crossed_;
};

void crossSources(const Frame& frame, const RowBuffers& slot, const Strip& strip, int y)
{
    if (frame.subpixelOrder || frame.solid)
        return;
    const std::size_t offset = static_cast<std::size_t>(y) * frame.stride + strip.a;
    for (std::size_t s = 0; s < frame.distinct.size(); ++s)
        crossRow(frame.distinct[s] + offset, slot.crossed + s * StripBytes, strip.b - strip.a);
}

// addRowTripleShares for solid colours of bytes 0 and 255, with less to do
// per sample: a share is the weight kept or dropped by the colour's byte,
// and the lines are taken in runs of views of one colour.
void addBinaryRowTriples(const Frame& frame, const Band& band, const Strip& strip, int from, int to, int y)
{
    const DirectRow row(frame, band.row, strip, y);
    std::uint16_t* const sums = band.row.sums - strip.a;
    const std::uint32_t* const phase = frame.phase;
    const auto inside = static_cast<std::uint32_t>(strip.b - strip.a - 2); // ix - a - 1 below it: a triple inside
    int view = static_cast<int>((strip.first + from) % frame.views);
    for (int j = from; j < to;) {
        const int run = std::min(to - j, frame.sourceRun[view]);
        const unsigned char* const colour =
            frame.solidRows + static_cast<std::size_t>(frame.sourceOf[view]) * StripBytes - strip.a;
        const int first = j;
        for (const int end = j + run; j < end; ++j) {
            const auto fixed = static_cast<std::uint32_t>(band.fixed[j]);
            const int ix = static_cast<int>(fixed >> PhaseBits);
            const std::uint32_t entry = phase[fixed & (PhaseBins - 1)];
            if (!(entry & Uncertain) && static_cast<std::uint32_t>(ix - strip.a - 1) < inside) [[likely]] {
                sums[ix - 1] = static_cast<std::uint16_t>(sums[ix - 1] + (colour[ix - 1] & entry));
                sums[ix] = static_cast<std::uint16_t>(sums[ix] + (colour[ix] & entry >> 8));
                sums[ix + 1] = static_cast<std::uint16_t>(sums[ix + 1] + (colour[ix + 1] & entry >> 16));
            } else {
                row.addRowTriple(view + (j - first), j, ix, entry);
            }
        }
        view = view + run == frame.views ? 0 : view + run;
    }
}

void addRowTripleShares(const Frame& frame, const Band& band, const Strip& strip, int from, int to, int y)
{
    if (frame.solid && frame.binaryShares)
        return addBinaryRowTriples(frame, band, strip, from, to, y);
    crossSources(frame, band.row, strip, y);
    const DirectRow row(frame, band.row, strip, y);
    int view = static_cast<int>((strip.first + from) % frame.views);
    for (int j = from; j < to; ++j) {
        const auto fixed = static_cast<std::uint32_t>(band.fixed[j]);
        row.addRowTriple(view, j, static_cast<int>(fixed >> PhaseBits), frame.phase[fixed & (PhaseBins - 1)]);
        view = view + 1 == frame.views ? 0 : view + 1;
    }
}

// A blended strip row (the panel's order) into the output (blue first), or
// added to it.
void writeRow(const Frame& frame, const Band& band, const Strip& strip, int y)
{
    const int width = strip.b - strip.a;
    unsigned char* out = frame.output + static_cast<std::size_t>(y) * frame.stride + strip.a;
    if (frame.panelBgr && !frame.adding)
        return static_cast<void>(std::memcpy(out, band.blended, width));
    if (frame.panelBgr)
        return addSaturated(band.blended, out, width);
    if (!frame.adding)
        return crossRow(band.blended, out, width);
    crossRow(band.blended, band.blended + StripBytes, width);
    addSaturated(band.blended + StripBytes, out, width);
}

// Every view's shares of one strip row into the output, and the mask rows
// cleared for the next row.
void blendRow(const Frame& frame, const Band& band, const RowBuffers& slot, const Strip& strip, int y)
{
    const int width = strip.b - strip.a;
    if (frame.table != nullptr) {
        for (int v = 0; v < frame.views; ++v) {
            unsigned char* mask = slot.masks + static_cast<std::size_t>(v) * MaskPitch;
            std::memset(mask, 0, StripMargin);
            std::memset(mask + StripMargin + width, 0, StripMargin);
        }
        return recordRow(frame, slot.masks + StripMargin, strip, y);
    }
    const std::size_t offset = static_cast<std::size_t>(y) * frame.stride + strip.a;
    crossSources(frame, slot, strip, y);
    for (int v = 0; v < frame.views; ++v) {
        band.viewSources[v] = sourceRow(frame, slot.crossed, frame.sourceOf[v], offset);
        // Triples at the strip's edges also wrote two bytes either side of it.
        unsigned char* mask = slot.masks + static_cast<std::size_t>(v) * MaskPitch;
        std::memset(mask, 0, StripMargin);
        std::memset(mask + StripMargin + width, 0, StripMargin);
    }
    if (frame.binaryShares)
        sumBinaryShares(band.viewSources, slot.masks + StripMargin, MaskPitch, frame.views, band.blended, width);
    else
        sumShares(band.viewSources, slot.masks + StripMargin, MaskPitch, frame.views, band.blended, width);
    writeRow(frame, band, strip, y);
}

// The sums of a direct blend, clamped to bytes, into the output; the sums
// cleared for the next row.
void writeDirectRow(const Frame& frame, const Band& band, const RowBuffers& slot, const Strip& strip, int y)
{
    const int width = strip.b - strip.a;
    narrowSums(slot.sums, band.blended, width);
    std::memset(slot.sums, 0, width * sizeof(std::uint16_t));
    writeRow(frame, band, strip, y);
}

// Asks for a strip row's source and output bytes ahead of their use: rows of
// a strip lie a whole frame row apart, too far for the processor to guess.
void prefetchRow(const Frame& frame, const Strip& strip, int y)
{
    constexpr int Line = 64;
    if (frame.table != nullptr)
        return;
    const std::size_t offset = static_cast<std::size_t>(y) * frame.stride + strip.a;
    for (int b = 0; b < strip.b - strip.a; b += Line) {
        if (!frame.solid)
            for (const unsigned char* source : frame.distinct)
                __builtin_prefetch(source + offset + b, 0, 3);
        __builtin_prefetch(frame.output + offset + b, 1, 3);
    }
}

// The frame row of the t-th row taken.
inline int frameRow(const Frame& frame, int t)
{
    return frame.bottomUp ? frame.height - 1 - t : t;
}

// A row no sample reaches: nothing, or nothing added.
void clearOutputRow(const Frame& frame, const Strip& strip, int y)
{
    if (frame.adding || frame.table != nullptr)
        return;
    std::memset(frame.output + static_cast<std::size_t>(y) * frame.stride + strip.a, 0, strip.b - strip.a);
}

// Samples as fixed-point numbers x * PhaseBins: the column above the bin
// bits, the phase bin below them. A sample plots when 1 <= x < stride - 1
// and its triple reaches into the strip: a - 1 <= ix <= b.
struct SampleBounds {
    int lowest;
    int highest;
};

SampleBounds sampleBounds(const Frame& frame, const Strip& strip)
{
    return {std::max(1, strip.a - 1) * PhaseBins, std::min(frame.stride - 1, strip.b + 1) * PhaseBins};
}

constexpr int PrefetchAhead = 2; // rows

// Rows [r0, r1) of a strip, row by row: every sample whose triple reaches
// into the strip row is plotted into the view mask rows, which are then
// blended at once, while they are still in the cache. strip.x holds the x of
// the strip's lines on row r0, and is left holding them on row r1.
void composeStripRows(const Frame& frame, const Band& band, Strip& strip, int r0, int r1)
{
    const SampleBounds bounds = sampleBounds(frame, strip);
    // Mask byte of column a sits at StripMargin in every mask row.
    unsigned char* const origin = band.row.masks + StripMargin - strip.a;
    const int lines = static_cast<int>(strip.last - strip.first);
    for (int y = r0; y < r1; ++y) {
        if (y + PrefetchAhead < frame.height)
            prefetchRow(frame, strip, y + PrefetchAhead);
        if (y < frame.endRow) // later rows hold no samples, and x is not needed again
            toFixed(strip.x, band.fixed, lines, frame.step, frame.stride, PhaseBits);
        if (y < frame.firstRow || y >= frame.endRow) {
            clearOutputRow(frame, strip, y);
            continue;
        }
        const int from = firstAtLeast(band.fixed, 0, lines, bounds.lowest);
        const int to = firstAtLeast(band.fixed, from, lines, bounds.highest);
        if (frame.direct) {
            addRowTripleShares(frame, band, strip, from, to, y);
            writeDirectRow(frame, band, band.row, strip, y);
        } else {
            plotRow(frame, band, strip.first, from, to, origin, y);
            blendRow(frame, band, band.row, strip, y);
        }
    }
}

// The same for column triples through mask rows (DirectColumnChunk adds
// shares directly): mask row t takes bytes from the samples of rows t - 1, t
// and t + 1, so the strip keeps three rows of samples, and x one row ahead of
// the row in hand.
void composeColumnStripRows(const Frame& frame, const Band& band, Strip& strip, int r0, int r1)
{
    const SampleBounds bounds = sampleBounds(frame, strip);
    unsigned char* const origin = band.row.masks + StripMargin - strip.a;
    const int lines = static_cast<int>(strip.last - strip.first);
    auto samples = [&](int t) { return strip.ring + static_cast<std::size_t>(t % 3) * lines; };
    if (r0 == 0)
        toFixed(strip.x, samples(0), lines, frame.step, frame.stride, PhaseBits);
    for (int t = r0; t < r1; ++t) {
        const int y = frameRow(frame, t);
        if (t + PrefetchAhead < frame.height)
            prefetchRow(frame, strip, frameRow(frame, t + PrefetchAhead));
        if (t + 1 < frame.endRow)
            toFixed(strip.x, samples(t + 1), lines, frame.step, frame.stride, PhaseBits);
        RowNeighbours near;
        bool any = false;
        for (int i = 0; i < 3; ++i) {
            const int u = t - 1 + i;
            if (u < frame.firstRow || u >= frame.endRow)
                continue;
            near.fixed[i] = samples(u);
            near.from[i] = firstAtLeast(near.fixed[i], 0, lines, bounds.lowest);
            near.to[i] = firstAtLeast(near.fixed[i], near.from[i], lines, bounds.highest);
            any = any || near.from[i] < near.to[i];
        }
        if (!any) {
            clearOutputRow(frame, strip, y);
            continue;
        }
        plotColumnRow(frame, strip.first, near, origin, y);
        blendRow(frame, band, band.row, strip, y);
    }
}

// Column triples added directly: each row of samples is taken once, and a
// sample's three shares go into the sums of the rows above, at and below it,
// three rows in hand; a row is written out once the row of samples below it
// is in. A chunk owns rows [r0, r1) and takes the samples of rows r0 - 1 to
// r1, adding only to its own rows.
class DirectColumnChunk {
public:
    DirectColumnChunk(const Frame& frame, const Band& band, Strip& strip, int r0, int r1)
        : frame_(frame), band_(band), strip_(strip), r0_(r0), r1_(r1), bounds_(sampleBounds(frame, strip)),
          lines_(static_cast<int>(strip.last - strip.first))
    {
    }

    void compose()
    {
        if (r0_ == 0)
            toFixed(strip_.x, samples(0), lines_, frame_.step, frame_.stride, PhaseBits);
        for (int u = r0_ - 1; u <= r1_; ++u) {
            if (u > r0_ && u < frame_.endRow)
                toFixed(strip_.x, samples(u), lines_, frame_.step, frame_.stride, PhaseBits);
            if (owns(u + 1))
                crossSources(frame_, rowBuffers(u + 1), strip_, frameRow(frame_, u + 1));
            if (u >= frame_.firstRow && u < frame_.endRow)
                takeSamples(u);
            if (owns(u - 1)) {
                if (u - 1 + PrefetchAhead < frame_.height)
                    prefetchRow(frame_, strip_, frameRow(frame_, u - 1 + PrefetchAhead));
                writeDirectRow(frame_, band_, rowBuffers(u - 1), strip_, frameRow(frame_, u - 1));
            }
        }
    }

private:
    // Where the shares of one row go: its sums and its sources, by column.
    struct Target {
        bool owned;
        int y;
        std::uint16_t* sums;
        std::size_t offset; // of the frame row in the sources
        const unsigned char* crossed; // the row's crossed sources, from the strip's first column
    };

    int* samples(int u) const { return strip_.ring + static_cast<std::size_t>(u % 3) * lines_; }
    const RowBuffers& rowBuffers(int m) const { return band_.rows[m % 3]; }
    bool owns(int m) const { return m >= r0_ && m < r1_; }

    Target target(int m) const
    {
        if (!owns(m))
            return {false, 0, nullptr, 0, nullptr};
        const RowBuffers& row = rowBuffers(m);
        const int y = frameRow(frame_, m);
        return {true, y, row.sums - strip_.a, static_cast<std::size_t>(y) * frame_.stride, row.crossed};
    }

    const unsigned char* source(const Target& to, std::size_t s) const
    {
        return sourceRow(frame_, to.crossed, s, to.offset + strip_.a) - strip_.a;
    }

    void add(const Target& to, const unsigned char* source, int column, unsigned char weight) const
    {
        to.sums[column] = static_cast<std::uint16_t>(to.sums[column] + shareOf(frame_, source[column], weight));
    }

    // Bytes 0, 1 and 2 of an entry are for the rows after, at and before the
    // sample's (as in plotColumnRow).
    void takeSamples(int u) const
    {
        const int* fixed = samples(u);
        const int from = firstAtLeast(fixed, 0, lines_, bounds_.lowest);
        const int to = firstAtLeast(fixed, from, lines_, bounds_.highest);
        const Target rows[3] = {target(u + 1), target(u), target(u - 1)};
        const bool allOwned = rows[0].owned && rows[1].owned && rows[2].owned;
        const bool binarySolid = frame_.solid && frame_.binaryShares;
        int view = static_cast<int>((strip_.first + from) % frame_.views);
        for (int j = from; j < to; ++j) {
            const auto sample = static_cast<std::uint32_t>(fixed[j]);
            const std::uint32_t entry = frame_.phase[sample & (PhaseBins - 1)];
            const int ix = static_cast<int>(sample >> PhaseBits);
            const std::size_t s = frame_.sourceOf[view];
            if (binarySolid && allOwned && !(entry & Uncertain) && ix >= strip_.a && ix < strip_.b) [[likely]] {
                // Solid colours: the three rows read the same colour row.
                const unsigned char colour = frame_.solidRows[s * StripBytes + (ix - strip_.a)];
                rows[0].sums[ix] = static_cast<std::uint16_t>(rows[0].sums[ix] + (colour & entry));
                rows[1].sums[ix] = static_cast<std::uint16_t>(rows[1].sums[ix] + (colour & entry >> 8));
                rows[2].sums[ix] = static_cast<std::uint16_t>(rows[2].sums[ix] + (colour & entry >> 16));
            } else if (allOwned && !(entry & Uncertain) && ix >= strip_.a && ix < strip_.b) {
                add(rows[0], source(rows[0], s), ix, static_cast<unsigned char>(entry));
                add(rows[1], source(rows[1], s), ix, static_cast<unsigned char>(entry >> 8));
                add(rows[2], source(rows[2], s), ix, static_cast<unsigned char>(entry >> 16));
            } else if (ix >= strip_.a && ix < strip_.b) {
                for (int i = 0; i < 3; ++i) {
                    if (!rows[i].owned)
                        continue;
                    const unsigned char weight =
                        entry & Uncertain ? exactWeight(frame_, frame_.lines[strip_.first + j], ix, rows[i].y)
                                          : static_cast<unsigned char>(entry >> NeighbourShift[i]);
                    add(rows[i], source(rows[i], s), ix, weight);
                }
            }
            view = view + 1 == frame_.views ? 0 : view + 1;
        }
    }

    const Frame& frame_;
    const Band& band_;
    Strip& strip_;
    int r0_;
    int r1_;
    SampleBounds bounds_;
    int lines_;
};

} // namespace

// Takes chunks of strip rows, top chunks first, until none is left; a faster
// processor simply takes more of them. A chunk starts where the chunk above
// it in the same strip ended, so it waits for that one, which was handed out
// earlier and is almost always done.
void composeChunks(const Frame& frame, const Band& band, std::vector<Strip>& strips, std::atomic<int>& next)
{
    const int count = static_cast<int>(strips.size());
    const int chunks = (frame.height + ChunkRows - 1) / ChunkRows;
    std::memset(band.row.masks, 0, maskRowsBytes(frame));
    for (;;) {
        const int piece = next.fetch_add(1);
        if (piece >= chunks * count)
            return;
        const int chunk = piece / count;
        Strip& strip = strips[piece % count];
        while (strip.composed.load(std::memory_order_acquire) < chunk)
            std::this_thread::yield();
        const int r0 = chunk * ChunkRows;
        const int r1 = std::min(frame.height, r0 + ChunkRows);
        if (frame.columnTriples && frame.direct)
            DirectColumnChunk(frame, band, strip, r0, r1).compose();
        else if (frame.columnTriples)
            composeColumnStripRows(frame, band, strip, r0, r1);
        else
            composeStripRows(frame, band, strip, r0, r1);
        strip.composed.store(chunk + 1, std::memory_order_release);
    }
}

} // namespace fast
} // namespace veltrane
