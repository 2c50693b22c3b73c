// The memory of one composition: the line table, the phase table, the x of
// every strip's lines and one band per thread, all from the engine's
// allocator and all released with it.
#pragma once

#include "fast_frame.h"

#include <algorithm>
#include <vector>

namespace veltrane {
namespace fast {

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
        if (frame.solid) {
            auto* rows = static_cast<unsigned char*>(take(frame.distinct.size() * StripBytes));
            if (rows == nullptr)
                return false;
            fillSolidRows(frame, rows);
        }
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

} // namespace fast
} // namespace veltrane
