// Content frames composed as veltrane-interlace writes them. A quilt whose
// tiles are read to their nearest pixels goes through a view table compiled
// for the tuning's geometry (again when a key changes the pitch, slant,
// panel or the phase's fraction; a whole phase step or the order of the
// views needs none), as long as the table fits its memory budget; the rest,
// and quilts whose table would not fit, through the streaming engine.
#pragma once

#include "veltrane/engine/view_table.h"
#include "veltrane/player/compositor.h"

#include <cstddef>

namespace veltrane {

class FrameComposer : public Compositor {
public:
    static constexpr std::size_t DefaultTableBudget = std::size_t{128} << 20;

    explicit FrameComposer(std::size_t tableBudget = DefaultTableBudget) : budget_(tableBudget) {}

    // The frame; empty when it cannot be composed (out of memory).
    cv::Mat compose(const ContentFrame& frame, const Tuning& tuning, cv::Size size) override;

    bool lastThroughTable() const { return lastThroughTable_; }
    int compilations() const { return compilations_; }

private:
    bool tableFor(const veltrane::Calibration& calibration, cv::Size size, int views, veltrane::Weighting weighting);

    std::size_t budget_;
    veltrane::ViewTable table_;
    bool refused_ = false; // the geometry below has no table (too large, or not drawn fast)
    veltrane::Calibration refusedFor_;
    cv::Size refusedSize_;
    int refusedViews_ = 0;
    veltrane::Weighting refusedWeighting_ = veltrane::Weighting::Lines;
    bool lastThroughTable_ = false;
    int compilations_ = 0;
};

} // namespace veltrane
