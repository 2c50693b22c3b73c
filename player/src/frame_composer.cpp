#include "veltrane/player/frame_composer.h"

#include "veltrane/content/quilt.h"
#include "veltrane/content/view_order.h"
#include "veltrane/player/player.h"

namespace veltrane {

bool FrameComposer::tableFor(const Calibration& calibration, cv::Size size, int views, Weighting weighting)
{
    if (table_.serves(calibration, size, views, weighting))
        return true;
    if (refused_ && sameTableGeometry(calibration, refusedFor_) && size == refusedSize_ && views == refusedViews_ &&
        weighting == refusedWeighting_)
        return false;
    ++compilations_;
    EngineOptions options;
    options.weighting = weighting;
    refused_ = table_.compile(calibration, size, views, options, budget_) != Status::Done;
    refusedFor_ = calibration;
    refusedWeighting_ = weighting;
    refusedSize_ = size;
    refusedViews_ = views;
    return !refused_;
}

cv::Mat FrameComposer::compose(const ContentFrame& frame, const Tuning& tuning, cv::Size size)
{
    const QuiltFrame& quilt = frame.quilt;
    const int views = quilt.columns * quilt.rows;
    lastThroughTable_ = !quilt.quilt.empty() && quilt.nearest && tableFor(tuning.calibration, size, views, tuning.weighting);
    if (!lastThroughTable_)
        return composeFrame(frame, tuning, size);
    const std::vector<int> viewOf = viewOfSource(views, tuning.reverse, tuning.viewOffset);
    cv::Mat output;
    if (table_.compose(tuning.calibration, tilesByView(quilt.quilt, quilt.columns, quilt.rows, quilt.topLeft, viewOf),
                       output, ChannelOrder::Rgb) != Status::Done)
        return cv::Mat();
    return output;
}

} // namespace veltrane
