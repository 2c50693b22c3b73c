#include "engine/fast_interlace.h"

#include "app/calibration_state.h"
#include "engine/blend.h"
#include "engine/mask_allocator.h"
#include "engine/slant_geometry.h"
#include "engine/view_masks.h"

#include <opencv2/core/utility.hpp>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

// The loops that vectorise are built for AVX2 too, and the processor picks.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_ADDRESS__)
#define VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define VECTOR_CLONES
#endif

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
    const unsigned char* const* sources = nullptr;
    std::vector<const unsigned char*> distinct; // the different source images
    std::vector<int> sourceOf;                  // view -> index into distinct
    bool subpixelOrder = false;                 // sources already hold red first
    unsigned char* output = nullptr;
    int views = 0;
    int stride = 0;   // bytes per row, 3 x width
    int firstRow = 0; // rows that can hold samples: [firstRow, endRow)
    int endRow = 0;
    double rise = 0;  // lineDy, the same for every line
    double step = 0;  // x advance per row, with its sign
    std::vector<double> starts;
    LensLine* lines = nullptr;
    const std::uint32_t* phase = nullptr; // PhaseBins entries
    unsigned char weights[WeightTableSize] = {}; // weightTable held to a byte
};

// Working memory of one band of rows, in subpixel order (leftmost first).
struct Band {
    double* x;              // x of every line on the first row of the current tiles
    double* local;          // x of the lines of one tile, row by row
    int* fixed;             // those x as fixed-point numbers
    std::uint16_t* sums;    // per subpixel of a tile row, sum of the shares so far
    unsigned char* crossed; // each distinct source's tile row, outer channels swapped
    unsigned char* masks;   // one mask row per view, for the tile row in hand
};

// A band of rows is worked through in tiles of TileRows rows and TilePixels
// pixels, so that a tile's mask rows, sums and source rows stay in the cache.
constexpr int TileRows = 32;
constexpr int TilePixels = 512;
constexpr int TileBytes = 3 * TilePixels;
constexpr int TileMargin = 4;                       // a triple's store may pass a tile edge by two bytes
constexpr int TilePitch = TileBytes + 2 * TileMargin; // bytes of one tile mask row
constexpr int ChunkRows = 2 * TileRows;              // rows handed to a thread at a time

std::size_t bandBytes(const Frame& frame)
{
    const std::size_t crossedRows = frame.subpixelOrder ? 0 : frame.distinct.size();
    return frame.starts.size() * (2 * sizeof(double) + sizeof(int)) + std::size_t{TileBytes} * sizeof(std::uint16_t) +
           crossedRows * TileBytes + static_cast<std::size_t>(frame.views) * TilePitch;
}

inline unsigned char exactWeight(const Frame& frame, const LensLine& line, double cx, double cy)
{
    const double distance = std::fabs(cx * frame.rise - cy * line.run - line.offset) / line.length;
    return distance < 1.0 ? frame.weights[static_cast<int>(23 * distance)] : 0;
}

// Swaps bytes 0 and 2 of every pixel: image channel order to subpixel order
// and back.
void crossRowPlain(const unsigned char* from, unsigned char* to, int count)
{
    for (int b = 0; b < count; b += 3) {
        to[b] = from[b + 2];
        to[b + 1] = from[b + 1];
        to[b + 2] = from[b];
    }
}

// Sums clamped to a byte, outer channels crossed back.
void writeSumsPlain(const std::uint16_t* sums, unsigned char* out, int count)
{
    for (int j = 0; j < count; j += 3) {
        out[j] = static_cast<unsigned char>(std::min<std::uint16_t>(sums[j + 2], 255));
        out[j + 1] = static_cast<unsigned char>(std::min<std::uint16_t>(sums[j + 1], 255));
        out[j + 2] = static_cast<unsigned char>(std::min<std::uint16_t>(sums[j], 255));
    }
}

#if defined(__x86_64__) && defined(__GNUC__)
// Five pixels at a time: a 16-byte load and store of which 15 bytes count.
__attribute__((target("ssse3"))) void crossRowShuffled(const unsigned char* from, unsigned char* to, int count)
{
    const __m128i order = _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 14, 13, 12, 15);
    int b = 0;
    for (; b + 16 <= count; b += 15) {
        const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + b));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + b), _mm_shuffle_epi8(pixels, order));
    }
    crossRowPlain(from + b, to + b, count - b);
}

// Sums clamped to a byte and crossed back, five pixels at a time. The sums
// stay below 32768, so the signed saturation of the pack clamps them.
__attribute__((target("ssse3"))) void writeSumsShuffled(const std::uint16_t* sums, unsigned char* out, int count)
{
    const __m128i order = _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 14, 13, 12, 15);
    int b = 0;
    for (; b + 16 <= count; b += 15) {
        const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(sums + b));
        const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(sums + b + 8));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + b), _mm_shuffle_epi8(_mm_packus_epi16(low, high), order));
    }
    writeSumsPlain(sums + b, out + b, count - b);
}

const bool HaveShuffle = (__builtin_cpu_init(), __builtin_cpu_supports("ssse3"));
#endif

void crossRow(const unsigned char* from, unsigned char* to, int count)
{
#if defined(__x86_64__) && defined(__GNUC__)
    if (HaveShuffle)
        return crossRowShuffled(from, to, count);
#endif
    crossRowPlain(from, to, count);
}

VECTOR_CLONES void advanceRange(double* x, std::size_t from, std::size_t to, double step)
{
    for (std::size_t k = from; k < to; ++k)
        x[k] = x[k] + step;
}

// x of every line moved on by a number of rows, a block of lines at a time so
// that the block stays in the cache.
void advanceRows(const Frame& frame, double* x, int rows)
{
    constexpr std::size_t Block = 512;
    const std::size_t count = frame.starts.size();
    for (std::size_t from = 0; from < count; from += Block) {
        const std::size_t to = std::min(count, from + Block);
        for (int y = 0; y < rows; ++y)
            advanceRange(x, from, to, frame.step);
    }
}

// Samples of a row as fixed-point x * PhaseBins, and x moved on to the next
// row. x is first held to [-1, stride], which changes no sample that plots and
// keeps the product inside an int.
VECTOR_CLONES void toFixed(double* x, int* fixed, int count, double step, int stride)
{
    const double top = stride;
    for (int j = 0; j < count; ++j) {
        const double held = std::min(std::max(x[j], -1.0), top);
        fixed[j] = static_cast<int>(held * PhaseBins);
        x[j] = x[j] + step;
    }
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

// One tile: rows [y0, y1) and subpixel columns [a, b).
struct Tile {
    int y0, y1, a, b;
};

// The first of fixed[from, to) that is at least value. Samples of one row
// never decrease along the lines: the starts rise, and adding the same step,
// holding and truncating all keep their order.
int firstAtLeast(const int* fixed, int from, int to, int value)
{
    return static_cast<int>(std::lower_bound(fixed + from, fixed + to, value) - fixed);
}

// Samples [from, to) of one row into the tile's mask rows, view by view. Only
// lines of the same view share a mask row, and those go in line order, so a
// later line's triple overwrites an earlier one's as it must.
void plotRow(const Frame& frame, const Band& band, std::size_t first, int from, int to, unsigned char* origin, int y)
{
    const ExactRow exact{&frame, frame.lines + first, band.fixed, static_cast<double>(y)};
    const std::uint32_t* const phase = frame.phase;
    const int views = frame.views;
    const int* const end = band.fixed + to;
    for (int j0 = from; j0 < to && j0 < from + views; ++j0) {
        unsigned char* const viewRow = origin + (first + j0) % views * TilePitch;
        for (const int* sample = band.fixed + j0; sample < end; sample += views) {
            const std::uint32_t entry = phase[*sample & (PhaseBins - 1)];
            if (entry & Uncertain) [[unlikely]]
                plotExactly(exact, sample, viewRow);
            else // ix - 1, ix, ix + 1, and a 0 for ix + 2, which no earlier line of this view reached
                std::memcpy(viewRow + (*sample >> PhaseBits) - 1, &entry, 4);
        }
    }
}

// sums[j] += source[j] * mask[j] / 255, and the mask cleared for the next row.
VECTOR_CLONES void addShares(const unsigned char* source, unsigned char* mask, std::uint16_t* sums, int count)
{
    for (int j = 0; j < count; ++j) {
        const std::uint16_t p = static_cast<std::uint16_t>(source[j] * mask[j]);
        sums[j] = static_cast<std::uint16_t>(sums[j] + p / std::uint16_t{255});
        mask[j] = 0;
    }
}

VECTOR_CLONES void clampSums(std::uint16_t* sums, int count)
{
    for (int j = 0; j < count; ++j)
        sums[j] = std::min<std::uint16_t>(sums[j], 255);
}

// The clamped sums into an output row, crossing the outer channels back, and
// the sums cleared.
void writeSums(std::uint16_t* sums, unsigned char* out, int count)
{
#if defined(__x86_64__) && defined(__GNUC__)
    if (HaveShuffle) {
        writeSumsShuffled(sums, out, count);
        std::fill(sums, sums + count, 0);
        return;
    }
#endif
    writeSumsPlain(sums, out, count);
    std::fill(sums, sums + count, 0);
}

// Every view's shares of one tile row into the output, and the mask rows
// cleared for the next row.
void blendRow(const Frame& frame, const Band& band, const Tile& tile, int y)
{
    const int width = tile.b - tile.a;
    const std::size_t offset = static_cast<std::size_t>(y) * frame.stride + tile.a;
    if (!frame.subpixelOrder)
        for (std::size_t s = 0; s < frame.distinct.size(); ++s)
            crossRow(frame.distinct[s] + offset, band.crossed + s * TileBytes, width);
    for (int v = 0; v < frame.views; ++v) {
        const std::size_t s = frame.sourceOf[v];
        const unsigned char* source = frame.subpixelOrder ? frame.distinct[s] + offset : band.crossed + s * TileBytes;
        unsigned char* mask = band.masks + static_cast<std::size_t>(v) * TilePitch + TileMargin;
        addShares(source, mask, band.sums, width);
        // Triples at the tile's edges also wrote two bytes either side of it.
        std::memset(mask - TileMargin, 0, TileMargin);
        std::memset(mask + width, 0, TileMargin);
        if ((v & 63) == 63) // keep the sums well inside 16 bits for long sequences
            clampSums(band.sums, width);
    }
    writeSums(band.sums, frame.output + offset, width);
}

// The tile row by row: every sample whose triple reaches into the row is
// plotted into the view mask rows, which are then blended at once, while they
// are still in the cache. band.x holds every line's x on row tile.y0.
void composeTile(const Frame& frame, const Band& band, const Tile& tile)
{
    const double step = frame.step;
    // Over the tile's rows a line moves at most this far.
    const double drift = std::fabs(step) * TileRows + 2.0;
    const double* const xs = band.x;
    const std::size_t count = frame.starts.size();
    const std::size_t first = std::lower_bound(xs, xs + count, tile.a - 2 - drift) - xs;
    const std::size_t last = std::lower_bound(xs + first, xs + count, tile.b + 2 + drift) - xs;

    // Samples as fixed-point numbers x * PhaseBins: the column above the bin
    // bits, the phase bin below them. A sample plots when 1 <= x < stride - 1
    // and its triple reaches into the tile: a - 1 <= ix <= b.
    const int lowest = std::max(1, tile.a - 1) * PhaseBins;
    const int highest = std::min(frame.stride - 1, tile.b + 1) * PhaseBins;
    // Mask byte of column a sits at TileMargin in every mask row.
    unsigned char* const origin = band.masks + TileMargin - tile.a;
    std::copy(xs + first, xs + last, band.local);
    const int lines = static_cast<int>(last - first);
    for (int y = tile.y0; y < tile.y1; ++y) {
        toFixed(band.local, band.fixed, lines, step, frame.stride);
        if (y < frame.firstRow || y >= frame.endRow) {
            std::memset(frame.output + static_cast<std::size_t>(y) * frame.stride + tile.a, 0, tile.b - tile.a);
            continue;
        }
        const int from = firstAtLeast(band.fixed, 0, lines, lowest);
        const int to = firstAtLeast(band.fixed, from, lines, highest);
        plotRow(frame, band, first, from, to, origin, y);
        blendRow(frame, band, tile, y);
    }
}

// Asks for the tile's source and output bytes ahead of their use, so that
// they arrive from memory while the tile's samples are plotted.
void prefetchTile(const Frame& frame, const Tile& tile)
{
    constexpr int Line = 64;
    for (int y = tile.y0; y < tile.y1; ++y) {
        const std::size_t offset = static_cast<std::size_t>(y) * frame.stride + tile.a;
        for (int b = 0; b < tile.b - tile.a; b += Line) {
            for (const unsigned char* source : frame.distinct)
                __builtin_prefetch(source + offset + b, 0, 0);
            __builtin_prefetch(frame.output + offset + b, 1, 0);
        }
    }
}

// Rows [r0, r1), band.x holding every line's x on row r0.
void composeRows(const Frame& frame, Band& band, int r0, int r1)
{
    for (int y0 = r0; y0 < r1; y0 += TileRows) {
        const int y1 = std::min(r1, y0 + TileRows);
        for (int a = 0; a < frame.stride; a += TileBytes) {
            const Tile tile{y0, y1, a, std::min(frame.stride, a + TileBytes)};
            prefetchTile(frame, tile);
            composeTile(frame, band, tile);
        }
        advanceRows(frame, band.x, y1 - y0);
    }
}

// Takes chunks of rows, in order, until none is left. A faster processor
// simply takes more of them; rows another thread composed are only stepped
// over, which costs one addition per line and row.
void composeChunks(const Frame& frame, Band& band, std::atomic<int>& nextChunk, int height)
{
    std::copy(frame.starts.begin(), frame.starts.end(), band.x);
    std::memset(band.masks, 0, static_cast<std::size_t>(frame.views) * TilePitch);
    std::memset(band.sums, 0, std::size_t{TileBytes} * sizeof(std::uint16_t));
    int row = 0; // the row band.x holds
    for (;;) {
        const int r0 = nextChunk.fetch_add(1) * ChunkRows;
        if (r0 >= height)
            return;
        const int r1 = std::min(height, r0 + ChunkRows);
        advanceRows(frame, band.x, r0 - row);
        composeRows(frame, band, r0, r1);
        row = r1;
    }
}

// True when the current geometry walks every lens line row by row.
bool walksRows()
{
    const int adx = std::abs(state.lineDx);
    const int ady = std::abs(state.lineDy);
    return ady != 0 && adx != ady;
}

void describeLines(Frame& frame)
{
    const double lineDx = state.lineDx;
    const double lineEndY = 0.0 + state.lineDy;
    for (std::size_t k = 0; k < frame.starts.size(); ++k) {
        const double x0 = frame.starts[k];
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
    if (state.lineDx != 0 && (frame.step > 0) != (state.lineDx > 0))
        return HUGE_VAL;
    double widest = frame.stride + 2.0;
    if (!frame.starts.empty())
        widest = std::max({widest, std::fabs(frame.starts.front()), std::fabs(frame.starts.back())});
    widest += std::fabs(static_cast<double>(state.lineDx)) + 2.0;
    const double rows = state.height;
    const double length = std::hypot(static_cast<double>(state.lineDx), frame.rise);
    const double drift = rows * (widest * Epsilon + std::fabs(frame.step) * Epsilon) + 2 * widest * Epsilon;
    const double largestTerm = widest * frame.rise + rows * std::fabs(static_cast<double>(state.lineDx));
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
    const double k = 23.0 * frame.rise / std::hypot(static_cast<double>(state.lineDx), frame.rise);
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

bool prepareFrame(Frame& frame)
{
    computeSlantGeometry();
    if (!walksRows())
        return false;
    frame.views = state.viewCount;
    frame.stride = state.maskStride;
    frame.rise = 0.0 + state.lineDy;
    const double adx = std::abs(state.lineDx);
    const double ady = std::abs(state.lineDy);
    frame.step = state.mirror != 0 ? adx / ady : -(adx / ady);
    // Samples land on rows 1 to height - 2; a vertical line stops at its end.
    frame.firstRow = 1;
    frame.endRow = state.height - 1;
    if (adx == 0.0)
        frame.endRow = std::min(frame.endRow, state.lineDy);
    for (int i = 0; i < WeightTableSize; ++i)
        frame.weights[i] = static_cast<unsigned char>(std::clamp(state.weightTable[i], 0, 255));
    frame.starts = lensLineStarts(state.lineDx);
    frame.sourceOf.resize(frame.views);
    for (int v = 0; v < frame.views; ++v) {
        const auto known = std::find(frame.distinct.begin(), frame.distinct.end(), frame.sources[v]);
        frame.sourceOf[v] = static_cast<int>(known - frame.distinct.begin());
        if (known == frame.distinct.end())
            frame.distinct.push_back(frame.sources[v]);
    }
    return true;
}

// The reference path, for geometries walked column by column. Sources in
// subpixel order are crossed back into image order first.
int interlaceWithMasks(const unsigned char* const* sources, unsigned char* output, bool subpixelOrder)
{
    if (!subpixelOrder || state.viewCount <= 0)
        return interlaceViews(sources, output);
    const std::size_t bytes = static_cast<std::size_t>(std::max(state.height, 0)) * std::max(state.width, 0) * 3;
    std::vector<std::vector<unsigned char>> images(state.viewCount, std::vector<unsigned char>(bytes));
    std::vector<const unsigned char*> imageOrder(state.viewCount);
    for (int v = 0; v < state.viewCount; ++v) {
        crossSubpixelOrder(sources[v], images[v].data(), bytes);
        imageOrder[v] = images[v].data();
    }
    return interlaceViews(imageOrder.data(), output);
}

// The memory of one composition: the line table, the phase table and one band
// per thread, all from the engine's allocator and all released with it.
class Workspace {
public:
    ~Workspace()
    {
        for (std::size_t i = 0; i < blocks_.size(); ++i)
            releaseMaskMemory(blocks_[i], sizes_[i]);
    }

    bool allocate(Frame& frame, int bandCount)
    {
        frame.lines = static_cast<LensLine*>(take(std::max<std::size_t>(1, frame.starts.size()) * sizeof(LensLine)));
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
        for (int i = 0; i < bandCount; ++i) {
            auto* block = static_cast<unsigned char*>(take(bandBytes(frame)));
            if (block == nullptr)
                return false;
            Band band;
            band.x = reinterpret_cast<double*>(block);
            block += frame.starts.size() * sizeof(double);
            band.local = reinterpret_cast<double*>(block);
            block += frame.starts.size() * sizeof(double);
            band.fixed = reinterpret_cast<int*>(block);
            block += frame.starts.size() * sizeof(int);
            band.sums = reinterpret_cast<std::uint16_t*>(block);
            block += std::size_t{TileBytes} * sizeof(std::uint16_t);
            band.crossed = block;
            band.masks = block + (frame.subpixelOrder ? 0 : frame.distinct.size()) * TileBytes;
            bands.push_back(band);
        }
        return true;
    }

    std::vector<Band> bands;

private:
    void* take(std::size_t bytes)
    {
        void* block = allocateMaskMemory(bytes);
        if (block != nullptr) {
            blocks_.push_back(block);
            sizes_.push_back(bytes);
        }
        return block;
    }

    std::vector<void*> blocks_;
    std::vector<std::size_t> sizes_;
};

} // namespace

namespace {

int interlace(const unsigned char* const* sources, unsigned char* output, bool subpixelOrder)
{
    state.maskStride = 3 * state.width;
    state.subpixelSlantX = 3 * state.slantX;
    if (state.viewCount <= 0 || state.width <= 0 || state.height <= 0)
        return interlaceWithMasks(sources, output, subpixelOrder);

    Frame frame;
    frame.sources = sources;
    frame.output = output;
    frame.subpixelOrder = subpixelOrder;
    if (!prepareFrame(frame))
        return interlaceWithMasks(sources, output, subpixelOrder);

    const int bandCount = std::max(1, std::min(cv::getNumThreads(), state.height));
    Workspace workspace;
    if (!workspace.allocate(frame, bandCount)) {
        reportAllocationFailure(2);
        return 2;
    }
    describeLines(frame);
    const int height = state.height;
    std::atomic<int> nextChunk{0};
    cv::parallel_for_(cv::Range(0, bandCount), [&](const cv::Range& range) {
        for (int i = range.start; i < range.end; ++i)
            composeChunks(frame, workspace.bands[i], nextChunk, height);
    }, bandCount);
    return 0;
}

} // namespace

int fastInterlaceViews(const unsigned char* const* sources, unsigned char* output)
{
    return interlace(sources, output, false);
}

int fastInterlaceSubpixelViews(const unsigned char* const* sources, unsigned char* output)
{
    return interlace(sources, output, true);
}

void crossSubpixelOrder(const unsigned char* from, unsigned char* to, std::size_t count)
{
    constexpr std::size_t Piece = 3 << 20; // whole pixels, within int range
    for (std::size_t done = 0; done < count; done += Piece)
        crossRow(from + done, to + done, static_cast<int>(std::min(Piece, count - done)));
}

int fastInterlaceTwoViews(const unsigned char* firstImage, const unsigned char* secondImage,
                          unsigned char* output)
{
    state.viewCount = twoViewCount(state.pitch);
    return fastInterlaceViews(twoViewSources(firstImage, secondImage).data(), output);
}
