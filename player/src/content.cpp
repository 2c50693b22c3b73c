#include "veltrane/player/content.h"

#include "veltrane/content/quilt.h"
#include "veltrane/content/view_pattern.h"
#include "veltrane/records/limits.h"
#include "veltrane/records/value_text.h"
#include "veltrane/records/view_files.h"
#include "veltrane/content/view_stream.h"

#include <opencv2/imgproc.hpp>

namespace veltrane {

namespace {

constexpr int Usage = 2;
constexpr int Failed = 1;

bool fail(std::string& message, int& status, int code, const std::string& line)
{
    message = line;
    status = code;
    return false;
}

std::string sizeText(cv::Size size)
{
    return std::to_string(size.width) + " x " + std::to_string(size.height);
}

} // namespace

bool Content::open(const PlayOptions& options, std::string& message, int& status)
{
    options_ = options.source;
    if (options_.fps > 0)
        fps_ = options_.fps;
    if (!options.image.empty()) {
        kind_ = Kind::Image;
        std::string problem;
        still_ = loadViewImage(options.image, problem);
        if (still_.empty())
            return fail(message, status, Failed, printable(options.image) + " cannot be read: " +
                                                     (problem.empty() ? "it does not exist" : problem));
        size_ = still_.size();
        return true;
    }
    return options_.quilt.empty() ? openViews(options_, message, status) : openQuilt(options_, message, status);
}

bool Content::openViews(const InterlaceOptions& options, std::string& message, int& status)
{
    kind_ = Kind::Views;
    pattern_ = viewFilesPattern(options.viewsPattern, options.viewsGiven, options.framesGiven, options.firstFrame,
                                options.lastFrame);
    ViewSequenceFiles files;
    if (!findViewFiles(pattern_, options.framesGiven, options.firstFrame, options.lastFrame, files, message))
        return fail(message, status, Failed, message);
    frameNumbers_ = files.frames;
    frames_ = static_cast<int>(files.frames.size());
    views_ = files.views;
    cv::Size viewSize;
    std::string problem;
    const std::string first = files.file(pattern_, 0, 0);
    if (!viewImageSize(first, viewSize, problem))
        return fail(message, status, Failed, printable(first) + " cannot be read: " + problem);
    viewSize_ = viewSize;
    size_ = options.width > 0 ? cv::Size(options.width, options.height) : viewSize;
    return true;
}

bool Content::openQuilt(const InterlaceOptions& options, std::string& message, int& status)
{
    columns_ = options.tileColumns;
    rows_ = options.tileRows;
    if (columns_ == 0 && !tilesFromName(options.quilt, columns_, rows_))
        return fail(message, status, Usage, "give the quilt's tiles: --tiles=CxR (or _qsCxR in its name)");
    if (static_cast<long>(columns_) * rows_ > MaxViews)
        return fail(message, status, Usage, std::to_string(columns_) + " x " + std::to_string(rows_) +
                                                " tiles are more than " + std::to_string(MaxViews) + " views");
    views_ = columns_ * rows_;
    cv::Mat first;
    std::string problem;
    if (isVideoName(options.quilt)) {
        kind_ = Kind::QuiltVideo;
        if (!viewFileExists(options.quilt) || !video_.open(options.quilt, cv::CAP_FFMPEG) || !video_.read(first) ||
            first.empty())
            return fail(message, status, Failed, printable(options.quilt) + " cannot be read as a video");
        nextVideoFrame_ = 1;
        frames_ = std::max(1, static_cast<int>(video_.get(cv::CAP_PROP_FRAME_COUNT)));
        if (options.fps <= 0 && video_.get(cv::CAP_PROP_FPS) > 0)
            fps_ = video_.get(cv::CAP_PROP_FPS);
        cv::cvtColor(first, still_, cv::COLOR_BGR2RGB);
    } else {
        kind_ = Kind::Quilt;
        first = loadViewImage(options.quilt, problem);
        if (first.empty())
            return fail(message, status, Failed, printable(options.quilt) + " cannot be read: " +
                                                     (problem.empty() ? "it does not exist" : problem));
        cv::cvtColor(first, still_, cv::COLOR_BGR2RGB); // the panel's order, once for every tile
    }
    if (first.cols % columns_ != 0 || first.rows % rows_ != 0)
        return fail(message, status, Failed, printable(options.quilt) + " is " + sizeText(first.size()) +
                                                 ", not divisible into " + std::to_string(columns_) + " x " +
                                                 std::to_string(rows_) + " tiles");
    if (options.width > 0)
        size_ = cv::Size(options.width, options.height);
    else if (options.recordWidth > 0 && options.recordHeight > 0)
        size_ = cv::Size(options.recordWidth, options.recordHeight);
    else
        return fail(message, status, Usage,
                    "give the output size of a quilt: --size=WxH (or a calibration record that has it)");
    return true;
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
        loadQuilt(still_, frame);
        return true;
    case Kind::QuiltVideo:
        break;
    }
    cv::Mat quilt;
    if (!readVideoFrame(f, quilt, problem))
        return false;
    loadQuilt(quilt, frame);
    return true;
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

void Content::loadQuilt(const cv::Mat& quilt, ContentFrame& frame) const
{
    frame.order = ChannelOrder::Rgb;
    frame.quilt = {quilt, columns_, rows_, options_.quiltTopLeft, options_.nearestTiles};
}

// A video is read in order: frame f after f - 1, else from the start again.
bool Content::readVideoFrame(int f, cv::Mat& quilt, std::string& problem)
{
    if (f == 0) {
        quilt = still_;
        return true;
    }
    if (f < nextVideoFrame_) {
        video_.open(options_.quilt, cv::CAP_FFMPEG);
        nextVideoFrame_ = 0;
    }
    cv::Mat read;
    while (nextVideoFrame_ <= f) {
        if (!video_.read(read) || read.empty()) {
            frames_ = nextVideoFrame_;
            problem = printable(options_.quilt) + " ends after " + std::to_string(nextVideoFrame_) + " frames";
            return false;
        }
        ++nextVideoFrame_;
    }
    if (read.size() != still_.size()) {
        problem = printable(options_.quilt) + ": its frames change size at frame " + std::to_string(f);
        frames_ = f;
        return false;
    }
    cv::cvtColor(read, read, cv::COLOR_BGR2RGB); // in place: one quilt's memory, not two
    quilt = read;
    return true;
}

} // namespace veltrane
