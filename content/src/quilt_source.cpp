#include "veltrane/content/quilt_source.h"

#include "veltrane/content/quilt.h"
#include "veltrane/records/limits.h"
#include "veltrane/records/value_text.h"
#include "veltrane/records/view_files.h"

#include "video_reader.h"

#include <opencv2/imgproc.hpp>

namespace veltrane {

QuiltSource::QuiltSource() = default;
QuiltSource::~QuiltSource() = default;

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
        reader_ = std::make_unique<VideoReader>();
        std::string problem;
        if (!reader_->open(file, problem) || !reader_->read(first, problem))
            return Outcome::failed(printable(file) + " cannot be read as a video" +
                                   (problem.empty() ? ": it holds no frame" : ": " + problem));
        next_ = 1;
        const double declared = reader_->declaredFrames();
        declared_ = declared >= 1.0 && declared <= MaxDeclaredFrames ? static_cast<int>(declared) : 0;
        fps_ = reader_->fps();
        first_ = first; // decoded red first
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
    if (!video_)
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
        if (!reader_->open(file_, problem)) {
            problem = printable(file_) + " cannot be read again: " + problem;
            return false;
        }
        next_ = 0;
    }
    cv::Mat read;
    while (next_ <= f) {
        if (!reader_->read(read, problem)) {
            if (!problem.empty())
                problem = printable(file_) + ": frame " + std::to_string(next_) + " cannot be read: " + problem;
            return false;
        }
        if (read.size() != first_.size()) {
            problem = printable(file_) + ": its frames change size at frame " + std::to_string(next_) + ", from " +
                      sizeText(first_.size()) + " to " + sizeText(read.size());
            return false;
        }
        ++next_;
    }
    quilt = read;
    return true;
}

} // namespace veltrane
