#include "veltrane/content/quilt_source.h"

#include "veltrane/content/quilt.h"
#include "veltrane/records/limits.h"
#include "veltrane/records/value_text.h"
#include "veltrane/records/view_files.h"

#include <opencv2/imgproc.hpp>

namespace veltrane {

namespace {

} // namespace

Outcome QuiltSource::open(const std::string& file, int columns, int rows)
{
    file_ = file;
    columns_ = columns;
    rows_ = rows;
    if (columns_ == 0 && !tilesFromName(file, columns_, rows_))
        return Outcome::usage("give the quilt's tiles: --tiles=CxR (or _qsCxR in its name)");
    if (static_cast<long>(columns_) * rows_ > MaxViews)
        return Outcome::usage(std::to_string(columns_) + " x " + std::to_string(rows_) + " tiles are more than " +
                              std::to_string(MaxViews) + " views");
    video_ = isVideoName(file);
    cv::Mat first;
    if (video_) {
        if (!viewFileExists(file))
            return Outcome::failed(printable(file) + " does not exist");
        if (!capture_.open(file, cv::CAP_FFMPEG) || !capture_.read(first) || first.empty())
            return Outcome::failed(printable(file) + " cannot be read as a video");
        next_ = 1;
        const double declared = capture_.get(cv::CAP_PROP_FRAME_COUNT);
        declared_ = declared >= 1.0 && declared <= MaxDeclaredFrames ? static_cast<int>(declared) : 0;
        fps_ = std::max(0.0, capture_.get(cv::CAP_PROP_FPS));
    } else {
        std::string problem;
        first = loadViewImage(file, problem);
        if (first.empty())
            return Outcome::failed(printable(file) + " cannot be read: " +
                                   (problem.empty() ? "it does not exist" : problem));
    }
    if (first.cols % columns_ != 0 || first.rows % rows_ != 0)
        return Outcome::failed(printable(file) + " is " + sizeText(first.size()) + ", not divisible into " +
                               std::to_string(columns_) + " x " + std::to_string(rows_) + " tiles");
    cv::cvtColor(first, first_, cv::COLOR_BGR2RGB);
    return Outcome::done();
}

bool QuiltSource::read(int f, cv::Mat& quilt, std::string& problem)
{
    problem.clear();
    if (f == 0) {
        quilt = first_;
        return true;
    }
    if (!video_)
        return false;
    if (f < next_) {
        capture_.open(file_, cv::CAP_FFMPEG);
        next_ = 0;
    }
    cv::Mat read;
    while (next_ <= f) {
        if (!capture_.read(read) || read.empty())
            return false;
        ++next_;
    }
    if (read.size() != first_.size()) {
        problem = printable(file_) + ": its frames change size at frame " + std::to_string(f);
        return false;
    }
    cv::cvtColor(read, read, cv::COLOR_BGR2RGB); // in place: one quilt's memory, not two
    quilt = read;
    return true;
}

} // namespace veltrane
