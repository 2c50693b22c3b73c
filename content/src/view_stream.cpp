#include "veltrane/content/view_stream.h"

#include <opencv2/core/utility.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

namespace veltrane {

namespace {

constexpr std::size_t GroupBudget = std::size_t{64} << 20;

} // namespace

cv::Mat atSize(const cv::Mat& view, cv::Size size)
{
    cv::Mat sized;
    return atSize(view, size, sized);
}

cv::Mat atSize(const cv::Mat& view, cv::Size size, cv::Mat& into)
{
    if (view.size() == size && view.isContinuous())
        return view;
    const bool shrinking = size.width <= view.cols && size.height <= view.rows;
    cv::resize(view, into, size, 0, 0, shrinking ? cv::INTER_AREA : cv::INTER_LINEAR);
    return into;
}

bool aspectDiffers(cv::Size from, cv::Size to)
{
    return static_cast<long long>(from.width) * to.height != static_cast<long long>(from.height) * to.width;
}

cv::Mat containedAtSize(const cv::Mat& view, cv::Size size)
{
    if (!aspectDiffers(view.size(), size))
        return atSize(view, size);
    const double scale = std::min(static_cast<double>(size.width) / view.cols, static_cast<double>(size.height) / view.rows);
    const cv::Size inner(std::clamp(static_cast<int>(std::lround(view.cols * scale)), 1, size.width),
                         std::clamp(static_cast<int>(std::lround(view.rows * scale)), 1, size.height));
    cv::Mat contained(size, view.type(), cv::Scalar::all(0));
    cv::Mat middle = contained(cv::Rect((size.width - inner.width) / 2, (size.height - inner.height) / 2, inner.width,
                                        inner.height));
    atSize(view, inner).copyTo(middle);
    return contained;
}

std::size_t viewGroup(cv::Size viewSize, std::size_t maxGroup)
{
    const std::size_t bytes = std::max<std::size_t>(1, static_cast<std::size_t>(viewSize.area()) * 3);
    return std::clamp<std::size_t>(GroupBudget / bytes, 1, std::max<std::size_t>(1, maxGroup));
}

ViewStream::ViewStream(StreamPlan plan) : plan_(std::move(plan)), group_(viewGroup(plan_.viewSize, plan_.maxGroup))
{
    // The decoders run ahead of the views a group takes, and one view each.
    const std::size_t skip = plan_.first.empty() ? 0 : 1;
    std::vector<std::string> toDecode(plan_.files.begin() + std::min(skip, plan_.files.size()), plan_.files.end());
    const int threads = std::max(1, cv::getNumberOfCPUs());
    decoder_ = std::make_unique<ViewDecoder>(std::move(toDecode), threads, threads + static_cast<int>(group_), true);
    if (!plan_.first.empty()) {
        cv::Mat crossed; // the caller's image stays as it is
        cv::cvtColor(plan_.first, crossed, cv::COLOR_BGR2RGB);
        plan_.first = crossed;
    }
}

cv::Mat ViewStream::takeView(std::size_t file, std::string& problem)
{
    if (!plan_.first.empty()) {
        if (file == 0)
            return plan_.first;
        return decoder_->take(file - 1, problem);
    }
    return decoder_->take(file, problem);
}

StreamFault ViewStream::nextView(cv::Size size, cv::Mat& view)
{
    StreamFault fault;
    fault.file = next_;
    const cv::Mat taken = takeView(next_, fault.problem);
    if (taken.empty()) {
        fault.kind = StreamFault::Kind::Unreadable;
        return fault;
    }
    if (taken.size() != plan_.viewSize) {
        fault.kind = StreamFault::Kind::WrongSize;
        fault.size = taken.size();
        return fault;
    }
    view = atSize(taken, size);
    ++next_;
    return {};
}

StreamFault ViewStream::composeFrame(const Calibration& calibration, int viewCount, const std::vector<int>& viewOf,
                                     cv::Mat& frame, const EngineOptions& options)
{
    EngineOptions subpixelOrder = options;
    subpixelOrder.sourceOrder = ChannelOrder::Rgb; // as the decoders deliver
    const std::size_t views = static_cast<std::size_t>(plan_.viewsPerFrame);
    const std::size_t end = std::min(plan_.files.size(), next_ + views);
    while (next_ < end) {
        std::vector<int> targets;
        std::vector<cv::Mat> sources;
        while (next_ < end && sources.size() < group_) {
            targets.push_back(viewOf[next_ % views]);
            if (const StreamFault fault = nextView(frame.size(), sources.emplace_back()))
                return fault;
        }
        const Status status = addViews(calibration, viewCount, targets, sources, frame, subpixelOrder);
        if (status != Status::Done) {
            StreamFault fault;
            fault.kind = StreamFault::Kind::NoMemory;
            fault.file = next_;
            fault.status = status;
            return fault;
        }
    }
    return {};
}

StreamFault ViewStream::takeFrame(cv::Size size, const std::function<bool(int, const cv::Mat&)>& take)
{
    const std::size_t views = static_cast<std::size_t>(plan_.viewsPerFrame);
    const std::size_t end = std::min(plan_.files.size(), next_ + views);
    while (next_ < end) {
        const int index = static_cast<int>(next_ % views);
        cv::Mat view;
        if (const StreamFault fault = nextView(size, view))
            return fault;
        if (!take(index, view)) {
            StreamFault fault;
            fault.kind = StreamFault::Kind::NoMemory;
            fault.file = next_ - 1;
            return fault;
        }
    }
    return {};
}

} // namespace veltrane
