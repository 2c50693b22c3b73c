// What the fast engine's parts share: one composition's frame (the lens
// lines, the phase table, the sources and the output), its column strips,
// and a thread's working rows.
#pragma once

#include "lens_geometry.h"
#include "veltrane/engine/mask_allocator.h"
#include "veltrane/engine/status.h"
#include "veltrane/engine/view_table.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace veltrane {
namespace fast {

// Weights by the phase of a sample (its x less its column): the phase range
// is split into bins, and a bin gives the three weights of a sample's triple
// whenever every phase in it, widened by the error bound below, gives the same
// three weight indices. Bins where an index changes are marked, and samples
// falling into them are computed exactly.
constexpr int PhaseBits = 15; // samples x * 2^15 are ints: rows narrower than 65535 subpixels
constexpr int PhaseBins = 1 << PhaseBits;
constexpr std::uint32_t Uncertain = 0x80000000u;
// How far the table's distance model (times 23) may be from the reference's
// doubles before the table is not used at all.
constexpr double ModelMargin = 2e-5;
constexpr double Epsilon = 2.220446049250313e-16; // 2^-52

// A view table being compiled instead of a frame composed: the bytes of
// every view's mask row become the entries of their output bytes, one
// segment for every strip of every row (table_rows.cpp).
struct TableRecord {
    std::vector<ViewTableSegment>* segments = nullptr; // row y, strip s at y * strips + s
    int strips = 0;
    std::size_t maxBytes = 0;
    std::atomic<std::size_t> bytes{0};
    std::atomic<bool> tooLarge{false};
    std::atomic<bool> tooSpread{false}; // a byte's views run over more than 255 views
};

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
    // Solid colours instead of images: sources[v] points at the three bytes
    // of view v's colour, and every row of distinct colour s reads the same
    // strip-wide row in subpixel order, solidRows + s * StripBytes (strips
    // start on whole pixels).
    bool solid = false;
    const unsigned char* solidRows = nullptr;
    bool binaryShares = false; // every source byte 0 or 255: a share is its mask byte or nothing
    std::vector<int> sourceOf;                  // view -> index into distinct
    std::vector<int> sourceRun;                 // views from v on (to the last) with v's source
    bool subpixelOrder = false;                 // sources already hold the panel's order
    bool panelBgr = false;                      // the panel's order is the output's: written uncrossed
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
    TableRecord* table = nullptr; // compiling a view table: no sources, no output
};

// A column strip of the frame, worked through from the top in chunks of
// rows, and the lines whose samples can reach it on some row.
struct Strip {
    int index = 0;          // from the left
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
static_assert(StripUnit % 3 == 0, "strips start on whole pixels");
constexpr int StripMargin = 4;                            // a triple's store may pass a strip edge by two bytes
constexpr int MaskPitch = StripBytes + 2 * StripMargin; // bytes of one mask row
constexpr int ChunkRows = 32;
constexpr std::size_t SumsBytes = StripBytes * sizeof(std::uint16_t); // one strip row of direct sums

// One mask row per view, unless the shares are added directly.
inline std::size_t maskRowsBytes(const Frame& frame)
{
    return frame.direct ? 0 : static_cast<std::size_t>(frame.views) * MaskPitch;
}

inline std::size_t crossedBytes(const Frame& frame)
{
    return (frame.subpixelOrder || frame.solid ? 0 : frame.distinct.size()) * std::size_t{StripBytes};
}

// Distinct source s on a strip row, from the strip's first column, in
// subpixel order: the image's own row (offset: of the strip row in the
// image), its crossed copy among the row's buffers, or the colour's row.
inline const unsigned char* sourceRow(const Frame& frame, const unsigned char* crossed, std::size_t s,
                                      std::size_t offset)
{
    if (frame.solid)
        return frame.solidRows + s * StripBytes;
    return frame.subpixelOrder ? frame.distinct[s] + offset : crossed + s * StripBytes;
}

// Rows in hand at once: three when column triples are added directly.
inline int rowsInHand(const Frame& frame)
{
    return frame.columnTriples && frame.direct ? 3 : 1;
}

inline std::size_t bandBytes(const Frame& frame, std::size_t stripLines)
{
    return frame.views * sizeof(unsigned char*) + stripLines * sizeof(int) + 2 * std::size_t{StripBytes} +
           rowsInHand(frame) * (SumsBytes + crossedBytes(frame) + maskRowsBytes(frame));
}

// Preparation (fast_frame.cpp): the views composed (all, or a subset whose
// shares are added), the walk of the lines and the strips. False when the
// geometry is one the fast engine leaves to the reference.
using ViewSubset = const std::vector<int>*;
bool prepareFrame(Frame& frame, ViewSubset only);
std::vector<Strip> cutStrips(const Frame& frame, int threads);
// The strip-wide rows of solid colours (distinct.size() * StripBytes bytes).
void fillSolidRows(Frame& frame, unsigned char* rows);

// The phase table and its error model (phase_table.cpp).
void describeLines(Frame& frame);
double modelError(const Frame& frame);
void buildPhaseTable(const Frame& frame, std::uint32_t* table);

// Composition (fast_rows.cpp): threads take chunks of rows of the strips.
void composeChunks(const Frame& frame, const Band& band, std::vector<Strip>& strips, std::atomic<int>& next);

// A strip row's mask rows (the byte of column strip.a at masks) into the
// frame's view table, and cleared for the next row (table_rows.cpp).
void recordRow(const Frame& frame, unsigned char* masks, const Strip& strip, int y);

} // namespace fast
} // namespace veltrane
