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

Outcome Content::open(const PlayOptions& options)
{
    options_ = options.source;
    contain_ = options.contain;
    if (options_.fps > 0)
        fps_ = options_.fps;
    if (!options.image.empty())
        return openImage(options.image);
    return options_.quilt.empty() ? openViews(options_) : openQuilt(options_);
}

// An interlaced still, or a video of interlaced frames (one tile a frame).
Outcome Content::openImage(const std::string& image)
{
    file_ = image;
    if (isVideoName(image)) {
        kind_ = Kind::Video;
        if (const Outcome opened = quilt_.open(image, 1, 1); !opened)
            return opened;
        frames_ = quilt_.declaredFrames() == 0 ? UncountedFrames : quilt_.declaredFrames();
        if (options_.fps <= 0 && quilt_.fps() > 0)
            fps_ = quilt_.fps();
        size_ = sourceSize_ = quilt_.size();
        return Outcome::done();
    }
    kind_ = Kind::Image;
    std::string problem;
    still_ = loadViewImage(image, problem);
    if (still_.empty())
        return Outcome::failed(printable(image) + " cannot be read: " + (problem.empty() ? "it does not exist" : problem));
    size_ = sourceSize_ = still_.size();
    return Outcome::done();
}

long Content::frameNumber(long f) const
{
    return kind_ == Kind::Views && f >= 0 && f < static_cast<long>(frameNumbers_.size()) ? frameNumbers_[f] : f;
}

cv::Mat Content::fitted(const cv::Mat& view) const
{
    return contain_ ? containedAtSize(view, size_) : atSize(view, size_);
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
    viewSize_ = sourceSize_ = viewSize;
    size_ = options.width > 0 ? cv::Size(options.width, options.height) : viewSize;
    return Outcome::done();
}

Outcome Content::openQuilt(const SourceOptions& options)
{
    kind_ = Kind::Quilt;
    file_ = options.quilt;
    if (const Outcome opened = quilt_.open(options.quilt, options.tileColumns, options.tileRows); !opened)
        return opened;
    views_ = quilt_.views();
    sourceSize_ = cv::Size(quilt_.size().width / quilt_.columns(), quilt_.size().height / quilt_.rows());
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
    case Kind::Video: {
        cv::Mat redFirst; // frame 0 is the source's own: not turned in place
        if (!readVideoFrame(f, redFirst, problem))
            return false;
        cv::cvtColor(redFirst, frame.image, cv::COLOR_RGB2BGR); // as the file holds it
        return true;
    }
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
        frame.views.push_back(fitted(view));
    }
    return true;
}

bool Content::readVideoFrame(int f, cv::Mat& read, std::string& problem)
{
    if (quilt_.read(f, read, problem))
        return true;
    // The frames it has: those before a broken one, or all it held when it
    // ended (which may be before f, asked for by a step back from frame 0).
    const int has = std::max(1, problem.empty() ? quilt_.framesRead() : f);
    frames_ = std::min(frames_.load(), has);
    if (problem.empty() && quilt_.declaredFrames() > 0)
        problem = printable(file_) + " ends after " + std::to_string(has) + " frames";
    return false;
}

bool Content::loadQuilt(int f, ContentFrame& frame, std::string& problem)
{
    cv::Mat quilt;
    if (!readVideoFrame(f, quilt, problem))
        return false;
    frame.order = ChannelOrder::Rgb;
    if (contain_)
        quilt = containedTiles(quilt, quilt_.columns(), quilt_.rows(), size_);
    frame.quilt = {quilt, quilt_.columns(), quilt_.rows(), options_.quiltTopLeft, options_.nearestTiles};
    return true;
}

} // namespace veltrane
