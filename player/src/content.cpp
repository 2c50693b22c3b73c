#include "veltrane/player/content.h"

#include "veltrane/content/quilt.h"
#include "veltrane/content/view_pattern.h"
#include "veltrane/records/limits.h"
#include "veltrane/records/value_text.h"
#include "veltrane/records/view_files.h"
#include "veltrane/content/view_stream.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>

namespace veltrane {

namespace {

} // namespace

Outcome Content::open(const PlayOptions& options)
{
    options_ = options.source;
    if (options_.fps > 0)
        fps_ = options_.fps;
    if (!options.image.empty()) {
        kind_ = Kind::Image;
        std::string problem;
        still_ = loadViewImage(options.image, problem);
        if (still_.empty())
            return Outcome::failed(printable(options.image) + " cannot be read: " +
                                                     (problem.empty() ? "it does not exist" : problem));
        size_ = still_.size();
        return Outcome::done();
    }
    return options_.quilt.empty() ? openViews(options_) : openQuilt(options_);
}

Outcome Content::openViews(const SourceOptions& options)
{
    kind_ = Kind::Views;
    pattern_ = viewFilesPattern(options.viewsPattern, options.viewsGiven, options.framesGiven, options.firstFrame,
                                options.lastFrame);
    ViewSequenceFiles files;
    std::string message;
    if (!findViewFiles(pattern_, options.framesGiven, options.firstFrame, options.lastFrame, files, message))
        return Outcome::failed(message);
    frameNumbers_ = files.frames;
    frames_ = static_cast<int>(files.frames.size());
    views_ = files.views;
    cv::Size viewSize;
    std::string problem;
    const std::string first = files.file(pattern_, 0, 0);
    if (!viewImageSize(first, viewSize, problem))
        return Outcome::failed(printable(first) + " cannot be read: " + problem);
    viewSize_ = viewSize;
    size_ = options.width > 0 ? cv::Size(options.width, options.height) : viewSize;
    return Outcome::done();
}

Outcome Content::openQuilt(const SourceOptions& options)
{
    kind_ = Kind::Quilt;
    if (const Outcome opened = quilt_.open(options.quilt, options.tileColumns, options.tileRows); !opened)
        return opened;
    views_ = quilt_.views();
    // A video that declares no count plays until its end, which counts it.
    frames_ = quilt_.video() && quilt_.declaredFrames() == 0 ? UncountedFrames : std::max(1, quilt_.declaredFrames());
    if (options.fps <= 0 && quilt_.fps() > 0)
        fps_ = quilt_.fps();
    if (options.width > 0)
        size_ = cv::Size(options.width, options.height);
    else if (options.recordWidth > 0 && options.recordHeight > 0)
        size_ = cv::Size(options.recordWidth, options.recordHeight);
    else
        return Outcome::usage("give the output size of a quilt: --size=WxH (or a calibration record that has it)");
    return Outcome::done();
}

bool Content::load(int f, ContentFrame& frame, std::string& problem)
{
    frame = ContentFrame();
    switch (kind_) {
    case Kind::Image:
        frame.image = still_;
        return true;
    case Kind::Views:
        return loadViews(f, frame, problem);
    case Kind::Quilt:
        break;
    }
    return loadQuilt(f, frame, problem);
}

bool Content::loadViews(int f, ContentFrame& frame, std::string& problem)
{
    frame.order = ChannelOrder::Bgr;
    for (int v = 0; v < views_; ++v) {
        const std::string name = expandPattern(pattern_, frameNumbers_[f], v);
        std::string why;
        cv::Mat view = loadViewImage(name, why);
        if (view.empty()) {
            problem = printable(name) + " cannot be read: " + (why.empty() ? "it is gone" : why);
            return false;
        }
        if (view.size() != viewSize_) { // as the interlacer refuses them
            problem = printable(name) + " is " + sizeText(view.size()) + ", view 0 is " + sizeText(viewSize_) +
                      ": views must share a size";
            return false;
        }
        frame.views.push_back(atSize(view, size_));
    }
    return true;
}

bool Content::loadQuilt(int f, ContentFrame& frame, std::string& problem)
{
    cv::Mat quilt;
    if (!quilt_.read(f, quilt, problem)) {
        // The frames it has: those before a broken one, or all it held when it
        // ended (which may be before f, asked for by a step back from frame 0).
        const int has = std::max(1, problem.empty() ? quilt_.framesRead() : f);
        frames_ = std::min(frames_.load(), has);
        if (problem.empty() && quilt_.declaredFrames() > 0)
            problem = printable(options_.quilt) + " ends after " + std::to_string(has) + " frames";
        return false;
    }
    frame.order = ChannelOrder::Rgb;
    frame.quilt = {quilt, quilt_.columns(), quilt_.rows(), options_.quiltTopLeft, options_.nearestTiles};
    return true;
}

} // namespace veltrane
