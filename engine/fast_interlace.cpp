#include "engine/fast_interlace.h"

#include "engine/blend.h"
#include "engine/simd_kernels.h"

#include <opencv2/core/utility.hpp>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

namespace {

// Weights by the phase of a sample (its x less its column): the phase range
// is split into bins, and a bin gives the three weights of a sample's triple
// whenever every phase in it, widened by the error bound below, gives the same
// three weight indices. Bins where an index changes are marked, and samples
// falling into them are computed exactly.
constexpr int PhaseBits = 14;
constexpr int PhaseBins = 1 << PhaseBits;
constexpr std::uint32_t Uncertain = 0x80000000u;
// How far the table's distance model (times 23) may be from the reference's
// doubles before the table is not used at all.
constexpr double ModelMargin = 2e-5;
constexpr double Epsilon = 2.220446049250313e-16; // 2^-52

// What differs between lens lines, as the reference computes it per line.
struct LensLine {
    double run;
    double offset;
    double length;
};

// Everything the rows of one composition share.
struct Frame {
    LensGeometry lens;
    SlantGeometry slant;
    bool adding = false; // one view's shares added into the output, not the frame composed
    const unsigned char* const* sources = nullptr;
    std::vector<const unsigned char*> distinct; // the different source images
    std::vector<int> sourceOf;                  // view -> index into distinct
    bool subpixelOrder = false;                 // sources already hold red first
    unsigned char* output = nullptr;
    int views = 0;
    int stride = 0;   // bytes per row, 3 x width
    int height = 0;
    int firstRow = 0; // rows that can hold samples: [firstRow, endRow), counted as taken
    int endRow = 0;
    double rise = 0;  // lineDy, the same for every line
    double step = 0;  // x advance per row taken, with its sign
    // Lines as steep as they are wide (equal extents) are walked column by
    // column: a sample's three bytes lie above one another, and a walk that
    // runs upward is taken from the bottom row up.
    bool columnTriples = false;
    bool bottomUp = false;
    // Many views, with the lines of one view far apart: shares are added as
    // the samples come, without masks.
    bool direct = false;
    std::vector<double> origins; // each line's start on row 0, which defines the line
    std::vector<double> starts;  // x of each line's sample on the first row taken
    LensLine* lines = nullptr;
    const std::uint32_t* phase = nullptr; // PhaseBins entries
    unsigned char weights[WeightTableSize] = {}; // weightTable held to a byte
};

// A column strip of the frame, worked through from the top in chunks of
// rows, and the lines whose samples can reach it on some row.
struct Strip {
    int a = 0;              // subpixel columns [a, b)
    int b = 0;
    std::size_t first = 0;  // lines [first, last)
    std::size_t last = 0;
    double* x = nullptr;    // their x on the strip's next row (with column triples: the row after it)
    int* ring = nullptr;    // with column triples: their samples of three rows, row t at (t mod 3)
    std::atomic<int> composed{0}; // chunks done, from the first row taken
};

// What the strip row in hand needs: its mask rows, one per view (unless shares
// are added directly), its direct sums, and each distinct source's strip row
// with the outer channels swapped.
struct RowBuffers {
    unsigned char* masks;
    std::uint16_t* sums; // zero between rows
    unsigned char* crossed;
};

// Working memory of one thread, in subpixel order (leftmost first).
struct Band {
    int* fixed;             // x of a strip's lines on one row, as fixed-point numbers
    const unsigned char** viewSources; // per view, its source's strip row in subpixel order
    unsigned char* blended; // one strip row, all views blended, in subpixel order
    RowBuffers row;         // the strip row in hand
    RowBuffers rows[3];     // direct column triples: row m at m mod 3 (rows[0] is row)
};

// Strips are at most StripBytes subpixels wide, so that one row's mask rows,
// sources and output stay in the cache, and a whole number of pixels and of
// 32-byte blocks (StripUnit); a thread takes ChunkRows rows of a strip at a
// time.
constexpr int StripUnit = 96;
constexpr int StripBytes = 32 * StripUnit;
constexpr int StripMargin = 4;                            // a triple's store may pass a strip edge by two bytes
constexpr int MaskPitch = StripBytes + 2 * StripMargin; // bytes of one mask row
constexpr int ChunkRows = 32;
constexpr std::size_t SumsBytes = StripBytes * sizeof(std::uint16_t); // one strip row of direct sums

// One mask row per view, unless the shares are added directly.
std::size_t maskRowsBytes(const Frame& frame)
{
    return frame.direct ? 0 : static_cast<std::size_t>(frame.views) * MaskPitch;
}

std::size_t crossedBytes(const Frame& frame)
{
    return (frame.subpixelOrder ? 0 : frame.distinct.size()) * std::size_t{StripBytes};
}

// Rows in hand at once: three when column triples are added directly.
int rowsInHand(const Frame& frame)
{
    return frame.columnTriples && frame.direct ? 3 : 1;
}

std::size_t bandBytes(const Frame& frame, std::size_t stripLines)
{
    return frame.views * sizeof(unsigned char*) + stripLines * sizeof(int) + 2 * std::size_t{StripBytes} +
           rowsInHand(frame) * (SumsBytes + crossedBytes(frame) + maskRowsBytes(frame));
}

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
        const std::size_t s = frame_.sourceOf[view];
        const unsigned char* row = frame_.subpixelOrder ? frame_.distinct[s] + offset_ : crossed_ + s * StripBytes;
        return row - strip_.a;
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
        sums_[column] = static_cast<std::uint16_t>(sums_[column] + source[column] * weight / 255);
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
    if (frame.subpixelOrder)
        return;
    const std::size_t offset = static_cast<std::size_t>(y) * frame.stride + strip.a;
    for (std::size_t s = 0; s < frame.distinct.size(); ++s)
        crossRow(frame.distinct[s] + offset, slot.crossed + s * StripBytes, strip.b - strip.a);
}

void addRowTripleShares(const Frame& frame, const Band& band, const Strip& strip, int from, int to, int y)
{
    crossSources(frame, band.row, strip, y);
    const DirectRow row(frame, band.row, strip, y);
    int view = static_cast<int>((strip.first + from) % frame.views);
    for (int j = from; j < to; ++j) {
        const auto fixed = static_cast<std::uint32_t>(band.fixed[j]);
        row.addRowTriple(view, j, static_cast<int>(fixed >> PhaseBits), frame.phase[fixed & (PhaseBins - 1)]);
        view = view + 1 == frame.views ? 0 : view + 1;
    }
}

// A blended strip row (subpixel order) into the output, or added to it.
void writeRow(const Frame& frame, const Band& band, const Strip& strip, int y)
{
    const int width = strip.b - strip.a;
    unsigned char* out = frame.output + static_cast<std::size_t>(y) * frame.stride + strip.a;
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
    const std::size_t offset = static_cast<std::size_t>(y) * frame.stride + strip.a;
    crossSources(frame, slot, strip, y);
    for (int v = 0; v < frame.views; ++v) {
        const std::size_t s = frame.sourceOf[v];
        band.viewSources[v] = frame.subpixelOrder ? frame.distinct[s] + offset : slot.crossed + s * StripBytes;
        // Triples at the strip's edges also wrote two bytes either side of it.
        unsigned char* mask = slot.masks + static_cast<std::size_t>(v) * MaskPitch;
        std::memset(mask, 0, StripMargin);
        std::memset(mask + StripMargin + width, 0, StripMargin);
    }
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
    const std::size_t offset = static_cast<std::size_t>(y) * frame.stride + strip.a;
    for (int b = 0; b < strip.b - strip.a; b += Line) {
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
    if (frame.adding)
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
        std::size_t offset; // of the source row, subpixel order
        const unsigned char* crossed;
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
        return {true, y, row.sums - strip_.a, static_cast<std::size_t>(y) * frame_.stride, row.crossed - strip_.a};
    }

    const unsigned char* source(const Target& to, std::size_t s) const
    {
        return frame_.subpixelOrder ? frame_.distinct[s] + to.offset : to.crossed + s * StripBytes;
    }

    static void add(const Target& to, const unsigned char* source, int column, unsigned char weight)
    {
        to.sums[column] = static_cast<std::uint16_t>(to.sums[column] + source[column] * weight / 255);
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
        int view = static_cast<int>((strip_.first + from) % frame_.views);
        for (int j = from; j < to; ++j) {
            const auto sample = static_cast<std::uint32_t>(fixed[j]);
            const std::uint32_t entry = frame_.phase[sample & (PhaseBins - 1)];
            const int ix = static_cast<int>(sample >> PhaseBits);
            const std::size_t s = frame_.sourceOf[view];
            if (allOwned && !(entry & Uncertain) && ix >= strip_.a && ix < strip_.b) {
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

void describeLines(Frame& frame)
{
    const double lineDx = frame.slant.lineDx;
    const double lineEndY = 0.0 + frame.slant.lineDy;
    for (std::size_t k = 0; k < frame.origins.size(); ++k) {
        const double x0 = frame.origins[k];
        const double lineEndX = x0 + lineDx;
        const double run = lineEndX - x0;
        const double rise = lineEndY - 0.0;
        frame.lines[k] = {run, x0 * lineEndY - 0.0 * lineEndX, std::hypot(run, rise)};
    }
}

// An upper bound of how far 23 times a reference distance can be from the
// model K |column - x|, K = 23 rise / length, where x is the sample's
// accumulated x: the drift of x against the exact line over all rows, the
// roundings of the reference's distance, and the spread of the line lengths.
double modelError(const Frame& frame)
{
    // Slants of opposite signs walk a line one way while it leans the other:
    // the samples then leave the line, and only exact weights will do.
    const double stepDown = frame.bottomUp ? -frame.step : frame.step; // per frame row, downward
    const int lineDx = frame.slant.lineDx;
    if (lineDx != 0 && (stepDown > 0) != (lineDx > 0))
        return HUGE_VAL;
    double widest = frame.stride + 2.0;
    if (!frame.origins.empty())
        widest = std::max({widest, std::fabs(frame.origins.front()), std::fabs(frame.origins.back())});
    widest += std::fabs(static_cast<double>(lineDx)) + 2.0;
    const double rows = frame.height + 2.0; // a walk from the bottom may begin a row below the frame
    const double length = std::hypot(static_cast<double>(lineDx), frame.rise);
    const double drift = rows * (widest * Epsilon + std::fabs(frame.step) * Epsilon) + 2 * widest * Epsilon;
    const double largestTerm = widest * frame.rise + rows * std::fabs(static_cast<double>(lineDx));
    return 23.0 * drift + 23.0 * 4 * largestTerm * Epsilon / length + 24.0 * (4 * Epsilon + widest * Epsilon / length);
}

// The weight byte for 23 x distance anywhere in [low, high], or -1 when the
// reference could give different weights in that range.
int certainWeight(const Frame& frame, double low, double high)
{
    low = std::max(low, 0.0);
    if (low >= 23.0)
        return 0;
    if (high >= 23.0 || std::floor(low) != std::floor(high))
        return -1;
    return frame.weights[static_cast<int>(high)];
}

void buildPhaseTable(const Frame& frame, std::uint32_t* table)
{
    const double k = 23.0 * frame.rise / std::hypot(static_cast<double>(frame.slant.lineDx), frame.rise);
    const double margin = ModelMargin;
    for (int bin = 0; bin < PhaseBins; ++bin) {
        const double low = static_cast<double>(bin) / PhaseBins;
        const double high = static_cast<double>(bin + 1) / PhaseBins;
        // Column ix - 1, ix and ix + 1 lie 1 + phase, phase and 1 - phase away.
        const int left = certainWeight(frame, k * (1.0 + low) - margin, k * (1.0 + high) + margin);
        const int centre = certainWeight(frame, k * low - margin, k * high + margin);
        const int right = certainWeight(frame, k * (1.0 - high) - margin, k * (1.0 - low) + margin);
        if (left < 0 || centre < 0 || right < 0)
            table[bin] = Uncertain;
        else
            table[bin] = static_cast<std::uint32_t>(left) | static_cast<std::uint32_t>(centre) << 8 |
                         static_cast<std::uint32_t>(right) << 16;
    }
}

// The pitch (the distance between lines of one view) from which no two
// samples of a view touch the same byte of a row, even with their column
// triples a row apart; and from how many views the shares are then added
// directly rather than blended from mask rows, which costs one pass over
// every view's row.
constexpr double ViewsApartPitch = 4.0;
constexpr int DirectViews = 24;
constexpr double DirectSpacing = 0.25; // subpixels between neighbouring lines, at least

// Where the walks of a row-by-row geometry begin: each line at its start on
// row 0, advancing by the slant per row.
void prepareRowWalk(Frame& frame, double adx, double ady)
{
    frame.step = frame.lens.mirror ? adx / ady : -(adx / ady);
    // Samples land on rows 1 to height - 2; a vertical line stops at its end.
    frame.firstRow = 1;
    frame.endRow = frame.height - 1;
    if (adx == 0.0)
        frame.endRow = std::min(frame.endRow, frame.slant.lineDy);
    frame.starts = frame.origins;
}

// A line as steep as it is wide is walked a column at a time: down from its
// start when mirrored, otherwise up from its end on row lineDy, where the
// rows are then taken from the bottom. False when a walk from the end would
// begin inside the frame (never for the calibrator's geometries).
bool prepareColumnWalk(Frame& frame)
{
    frame.columnTriples = true;
    frame.bottomUp = !frame.lens.mirror;
    frame.step = SampleStep;
    frame.firstRow = 1;
    frame.endRow = frame.height - 1;
    frame.starts = frame.origins;
    if (!frame.bottomUp)
        return true;
    const int skipped = frame.slant.lineDy - (frame.height - 1); // samples below the last frame row
    if (skipped < 0)
        return false;
    for (double& x : frame.starts) {
        x = x + frame.slant.lineDx;
        for (int k = 0; k < skipped; ++k)
            x = x + SampleStep;
    }
    return true;
}

// Only the lines of some views (ascending), when their shares alone are
// added. The lines kept still take the views in turn, in the order given.
void keepLinesOfViews(Frame& frame, const std::vector<int>& views)
{
    std::vector<bool> keep(frame.lens.viewCount, false);
    for (const int view : views)
        keep[view] = true;
    std::vector<double> kept;
    for (std::size_t k = 0; k < frame.origins.size(); ++k)
        if (keep[k % frame.lens.viewCount])
            kept.push_back(frame.origins[k]);
    frame.origins.swap(kept);
}

// The composition of all views, or (adding) of only the given ones.
using ViewSubset = const std::vector<int>*;

bool prepareFrame(Frame& frame, ViewSubset only)
{
    const LensGeometry& lens = frame.lens;
    frame.slant = deriveSlantGeometry(lens);
    const double adx = std::abs(frame.slant.lineDx);
    const double ady = std::abs(frame.slant.lineDy);
    if (ady == 0.0)
        return false; // horizontal lines: the reference walk
    frame.views = only != nullptr ? static_cast<int>(only->size()) : lens.viewCount;
    frame.stride = frame.slant.maskStride;
    frame.height = lens.height;
    frame.subpixelOrder = lens.subpixelOrder;
    frame.rise = 0.0 + frame.slant.lineDy;
    frame.origins = lensLineStarts(lens, frame.slant);
    if (only != nullptr)
        keepLinesOfViews(frame, *only);
    if (adx != ady)
        prepareRowWalk(frame, adx, ady);
    else if (!prepareColumnWalk(frame))
        return false;
    const bool viewsApart = std::fabs(lens.pitch) >= ViewsApartPitch;
    frame.direct = frame.views >= DirectViews && viewsApart &&
                   std::fabs(lens.pitch) >= DirectSpacing * frame.views;
    for (int i = 0; i < WeightTableSize; ++i)
        frame.weights[i] = static_cast<unsigned char>(std::clamp(frame.slant.weightTable[i], 0, 255));
    frame.sourceOf.resize(frame.views);
    for (int v = 0; v < frame.views; ++v) {
        const auto known = std::find(frame.distinct.begin(), frame.distinct.end(), frame.sources[v]);
        frame.sourceOf[v] = static_cast<int>(known - frame.distinct.begin());
        if (known == frame.distinct.end())
            frame.distinct.push_back(frame.sources[v]);
    }
    return true;
}

// The reference path, for horizontal lines and empty frames; some views'
// shares are composed alone (the others black) and added.
EngineStatus interlaceByReference(const LensGeometry& lens, const unsigned char* const* sources,
                                  unsigned char* output, ViewSubset only, const MaskAllocator& allocator)
{
    if (only == nullptr)
        return interlaceViewsReference(lens, sources, output, allocator);
    const std::size_t bytes = static_cast<std::size_t>(std::max(lens.height, 0)) * std::max(lens.width, 0) * 3;
    std::vector<unsigned char> black(bytes, 0);
    std::vector<unsigned char> alone(bytes);
    std::vector<const unsigned char*> some(std::max(lens.viewCount, 0), black.data());
    for (std::size_t i = 0; i < only->size(); ++i)
        some[(*only)[i]] = sources[i];
    const EngineStatus status = interlaceViewsReference(lens, some.data(), alone.data(), allocator);
    if (status == EngineStatus::Done)
        for (std::size_t b = 0; b < bytes; ++b)
            output[b] = static_cast<unsigned char>(std::min(255, output[b] + alone[b]));
    return status;
}

// The strips of the frame and the lines that reach each of them: lines move
// by step a row, so a line reaches [a, b) on some row when its start lies
// within the strip widened by the whole way the lines travel (and a margin for
// the sample's triple and the roundings of x).
std::vector<Strip> cutStrips(const Frame& frame, int threads)
{
    const double travel = frame.step * std::max(0, frame.endRow - 1);
    const double fromLeft = std::max(0.0, travel) + 4.0;   // lines moving right come from the left
    const double fromRight = std::max(0.0, -travel) + 4.0; // and lines moving left from the right
    // The chunks of one strip go one after the other, so narrow frames are
    // cut into a few strips for every thread, down to two units wide. Every
    // strip steps all the lines that cross it, so when the lines travel far
    // (steep slants, equal extents) one strip a thread steps fewer in all.
    const int units = (frame.stride + StripUnit - 1) / StripUnit;
    const int perThread = std::fabs(travel) > frame.stride / 8 ? 1 : 2;
    const int wanted = std::max((units + 31) / 32, std::min(perThread * threads, units / 2));
    const int width = (units + wanted - 1) / wanted * StripUnit;
    std::vector<Strip> strips((frame.stride + width - 1) / width);
    for (std::size_t i = 0; i < strips.size(); ++i) {
        Strip& strip = strips[i];
        strip.a = static_cast<int>(i) * width;
        strip.b = std::min(frame.stride, strip.a + width);
        const auto begin = frame.starts.begin();
        strip.first = std::lower_bound(begin, frame.starts.end(), strip.a - fromLeft) - begin;
        strip.last = std::lower_bound(begin + strip.first, frame.starts.end(), strip.b + fromRight) - begin;
    }
    return strips;
}

// The memory of one composition: the line table, the phase table, the x of
// every strip's lines and one band per thread, all from the engine's allocator
// and all released with it.
class Workspace {
public:
    explicit Workspace(const MaskAllocator& allocator) : allocator_(allocator) {}
    ~Workspace()
    {
        for (std::size_t i = 0; i < blocks_.size(); ++i)
            allocator_.release(blocks_[i], sizes_[i]);
    }

    bool allocate(Frame& frame, std::vector<Strip>& strips, int bandCount)
    {
        frame.lines = static_cast<LensLine*>(take(std::max<std::size_t>(1, frame.origins.size()) * sizeof(LensLine)));
        if (frame.lines == nullptr)
            return false;
        auto* table = static_cast<std::uint32_t*>(take(PhaseBins * sizeof(std::uint32_t)));
        if (table == nullptr)
            return false;
        if (modelError(frame) <= ModelMargin / 2)
            buildPhaseTable(frame, table);
        else
            std::fill(table, table + PhaseBins, Uncertain); // every sample computed exactly
        frame.phase = table;
        std::size_t stripLines = 0;
        std::size_t widest = 1;
        for (const Strip& strip : strips) {
            stripLines += strip.last - strip.first;
            widest = std::max(widest, strip.last - strip.first);
        }
        auto* x = static_cast<double*>(take(std::max<std::size_t>(1, stripLines) * sizeof(double)));
        if (x == nullptr)
            return false;
        for (Strip& strip : strips) {
            strip.x = x;
            x = std::copy(frame.starts.begin() + strip.first, frame.starts.begin() + strip.last, x);
        }
        if (frame.columnTriples && !allocateRings(strips, stripLines))
            return false;
        for (int i = 0; i < bandCount; ++i) {
            auto* block = static_cast<unsigned char*>(take(bandBytes(frame, widest)));
            if (block == nullptr)
                return false;
            Band band;
            band.viewSources = reinterpret_cast<const unsigned char**>(block);
            block += frame.views * sizeof(unsigned char*);
            band.fixed = reinterpret_cast<int*>(block);
            block += widest * sizeof(int);
            band.blended = block; // and a second row: the blended row crossed, to add
            block += 2 * StripBytes;
            for (int k = 0; k < rowsInHand(frame); ++k) {
                RowBuffers& row = band.rows[k];
                row.sums = reinterpret_cast<std::uint16_t*>(block);
                std::fill(row.sums, row.sums + SumsBytes / sizeof(std::uint16_t), std::uint16_t{0});
                block += SumsBytes;
                row.crossed = block;
                block += crossedBytes(frame);
                row.masks = block;
                block += maskRowsBytes(frame);
            }
            band.row = band.rows[0];
            bands.push_back(band);
        }
        return true;
    }

    std::vector<Band> bands;

private:
    // Three rows of samples for every strip's lines.
    bool allocateRings(std::vector<Strip>& strips, std::size_t stripLines)
    {
        auto* ring = static_cast<int*>(take(std::max<std::size_t>(1, 3 * stripLines) * sizeof(int)));
        if (ring == nullptr)
            return false;
        for (Strip& strip : strips) {
            strip.ring = ring;
            ring += 3 * (strip.last - strip.first);
        }
        return true;
    }

    void* take(std::size_t bytes)
    {
        void* block = allocator_.allocate(bytes);
        if (block != nullptr) {
            blocks_.push_back(block);
            sizes_.push_back(bytes);
        }
        return block;
    }

    MaskAllocator allocator_;
    std::vector<void*> blocks_;
    std::vector<std::size_t> sizes_;
};

} // namespace

namespace {

// The composition of all views, or with a subset the shares of those views
// alone (sources[i] for the i-th of them) added into the output.
EngineStatus interlace(const LensGeometry& lens, const unsigned char* const* sources, unsigned char* output,
                       ViewSubset only, const MaskAllocator& allocator)
{
    if (lens.viewCount <= 0 || lens.width <= 0 || lens.height <= 0)
        return interlaceByReference(lens, sources, output, only, allocator);

    Frame frame;
    frame.lens = lens;
    frame.sources = sources;
    frame.output = output;
    frame.adding = only != nullptr;
    if (!prepareFrame(frame, only))
        return interlaceByReference(lens, sources, output, only, allocator);

    const int threads = lens.threads > 0 ? lens.threads : cv::getNumThreads();
    const int bandCount = std::max(1, std::min(threads, lens.height));
    std::vector<Strip> strips = cutStrips(frame, bandCount);
    Workspace workspace(allocator);
    if (!workspace.allocate(frame, strips, bandCount))
        return EngineStatus::NoMaskMemory;
    describeLines(frame);
    std::atomic<int> next{0};
    cv::parallel_for_(cv::Range(0, bandCount), [&](const cv::Range& range) {
        for (int i = range.start; i < range.end; ++i)
            composeChunks(frame, workspace.bands[i], strips, next);
    }, bandCount);
    return EngineStatus::Done;
}

} // namespace

EngineStatus interlaceViewsFast(const LensGeometry& lens, const unsigned char* const* sources, unsigned char* output,
                                const MaskAllocator& allocator)
{
    return interlace(lens, sources, output, nullptr, allocator);
}

EngineStatus interlaceTwoViewsFast(const LensGeometry& lens, const unsigned char* firstImage,
                                   const unsigned char* secondImage, unsigned char* output,
                                   const MaskAllocator& allocator)
{
    return interlace(lens, twoViewSources(lens.viewCount, firstImage, secondImage).data(), output, nullptr, allocator);
}

EngineStatus addViewFast(const LensGeometry& lens, int view, const unsigned char* source, unsigned char* output,
                         const MaskAllocator& allocator)
{
    return addViewsFast(lens, &view, &source, 1, output, allocator);
}

EngineStatus addViewsFast(const LensGeometry& lens, const int* views, const unsigned char* const* sources, int count,
                          unsigned char* output, const MaskAllocator& allocator)
{
    // Ascending, once each, and only views the lenses have (others add nothing).
    std::vector<std::pair<int, const unsigned char*>> chosen;
    for (int i = 0; i < count; ++i)
        if (views[i] >= 0 && views[i] < lens.viewCount)
            chosen.emplace_back(views[i], sources[i]);
    std::sort(chosen.begin(), chosen.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    chosen.erase(std::unique(chosen.begin(), chosen.end(),
                             [](const auto& a, const auto& b) { return a.first == b.first; }),
                 chosen.end());
    if (chosen.empty())
        return EngineStatus::Done;
    std::vector<int> subset;
    std::vector<const unsigned char*> subsetSources;
    for (const auto& [view, source] : chosen) {
        subset.push_back(view);
        subsetSources.push_back(source);
    }
    return interlace(lens, subsetSources.data(), output, &subset, allocator);
}
