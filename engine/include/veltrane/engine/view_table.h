// A composition compiled once for one geometry: for every byte of the
// output, the views that show there and their weights. Composing from it
// reads each view only where it shows, and reads views of any size through
// the nearest-pixel map of cv::resize (INTER_NEAREST), so a quilt's small
// tiles are composed without being enlarged first. The bytes are those of
// interlaceViews on the views enlarged that way.
//
// What a table serves: the calibration's slant, pitch, leaning, panel order
// and the fraction of its view phase, at one output size, view count and
// weighting (the options' when compiled). A whole step of the phase only
// turns the views, so it needs no new table.
#pragma once

#include "veltrane/engine/calibration.h"
#include "veltrane/engine/interlace.h"
#include "veltrane/engine/status.h"

#include <opencv2/core.hpp>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace veltrane {

// The entries of a run of output bytes of one row, from byte first: byte
// first + j shows lengths[j] views from starts[j] on (counted cyclically,
// view N - 1 followed by view 0), with their weights after those of the
// bytes before it.
struct ViewTableSegment {
    int first = 0;
    std::vector<std::uint16_t> starts;
    std::vector<std::uint8_t> lengths;
    std::vector<std::uint8_t> weights;
};

// Where cv::resize with INTER_NEAREST takes output position i of a length of
// `to` from a length of `from`: how a table's views are read.
std::vector<int> nearestSourceMap(int from, int to);

// The whole views of the calibration's phase, taken mod viewCount: a table's
// view v shows views[(v + viewTurn) mod viewCount].
int viewTurn(const Calibration& calibration, int viewCount);

// True when one table serves both calibrations: the same but for whole views of phase.
bool sameTableGeometry(const Calibration& a, const Calibration& b);

class ViewTable {
public:
    // Compiles the table; on failure the table is empty. UnsupportedGeometry
    // also for the geometries only the reference engine draws (lines all but
    // horizontal) and where a byte shows more than 255 views in a row (a view
    // spacing under about a sixtieth of a column); NoMaskMemory when the
    // table would pass maxBytes.
    Status compile(const Calibration& calibration, cv::Size size, int viewCount, const EngineOptions& options = {},
                   std::size_t maxBytes = std::size_t{1} << 30);

    // True when the table composes for this calibration, size, view count and weighting.
    bool serves(const Calibration& calibration, cv::Size size, int viewCount, Weighting weighting) const;

    // views[v] (8UC3, all of one size and row step, any size; sampled
    // nearest when not the output's) composed into output, made at the
    // table's size. The calibration must be one the table serves.
    Status compose(const Calibration& calibration, const std::vector<cv::Mat>& views, cv::Mat& output,
                   ChannelOrder sourceOrder = ChannelOrder::Bgr) const;

    bool empty() const { return segments_.empty(); }
    cv::Size size() const { return size_; }
    int viewCount() const { return viewCount_; }
    Weighting weighting() const { return weighting_; }

    // The entries, for a composition done elsewhere (on a GPU): row y's
    // segments are segments()[y * strips() + s] for s < strips(), in the
    // row's order; the bytes of an empty segment are 0.
    const std::vector<ViewTableSegment>& segments() const { return segments_; }
    int strips() const { return strips_; }

    std::size_t entries() const; // weights, over all output bytes
    std::size_t bytes() const;   // the memory the weights and their runs take

private:
    Calibration calibration_;
    cv::Size size_;
    int viewCount_ = 0;
    Weighting weighting_ = Weighting::Lines;
    int strips_ = 0;                          // segments a row
    std::vector<ViewTableSegment> segments_; // row y, segment s at y * strips_ + s
};

} // namespace veltrane
