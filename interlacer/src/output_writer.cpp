#include "veltrane/interlacer/output_writer.h"

#include "veltrane/records/atomic_file.h"
#include "veltrane/records/value_text.h"
#include "veltrane/interlacer/view_pattern.h"

#include <opencv2/imgcodecs.hpp>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>

namespace fs = std::filesystem;
using namespace veltrane;

namespace {

std::string extensionOf(const std::string& path)
{
    const std::string name = fs::path(path).filename().string();
    const std::size_t dot = name.find_last_of('.');
    std::string extension = dot == std::string::npos ? "" : name.substr(dot);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

} // namespace

OutputWriter::~OutputWriter()
{
    abandon();
}

std::string OutputWriter::target(std::size_t index) const
{
    return kind_ == Kind::FramePattern ? expandPattern(path_, frames_[index], 0) : path_;
}

bool OutputWriter::prepare(const std::string& path, const std::vector<int>& frameNumbers, double fps, bool force,
                           bool allowLossy, std::string& message)
{
    path_ = path;
    frames_ = frameNumbers;
    fps_ = fps > 0 ? fps : 24.0;
    force_ = force;
    const std::string extension = extensionOf(path);
    if (path.find("{frame") != std::string::npos) {
        kind_ = Kind::FramePattern;
        if (extension != ".png") {
            message = "one image a frame is written as PNG: the output '" + printable(path) + "' must end in .png";
            return false;
        }
    } else if (extension == ".mkv" || extension == ".avi") {
        kind_ = Kind::Video;
    } else {
        kind_ = Kind::Image;
        const bool jpeg = extension == ".jpg" || extension == ".jpeg";
        if (extension != ".png" && !(jpeg && allowLossy)) {
            message = jpeg ? "a JPEG output would blur the subpixel pattern: write PNG, or give --allow-lossy"
                           : "the output must be .png, a path with {frame}, or .mkv or .avi for video; got '" +
                                 printable(path) + "'";
            return false;
        }
        if (frames_.size() > 1) {
            message = std::to_string(frames_.size()) +
                      " frames but one output image: put {frame} in the output, or write .mkv or .avi";
            return false;
        }
    }
    for (std::size_t i = 0; i < (kind_ == Kind::FramePattern ? frames_.size() : 1); ++i) {
        const std::string file = target(i);
        std::string reason;
        if (!folderCanBeWritten(file, reason)) {
            message = "cannot write '" + printable(file) + "': " + reason;
            return false;
        }
        std::error_code error;
        if (!force_ && fs::exists(file, error)) {
            message = "'" + printable(file) + "' exists: give --force to overwrite it";
            return false;
        }
    }
    return true;
}

bool OutputWriter::write(std::size_t index, const cv::Mat& frame, std::string& message)
{
    if (kind_ == Kind::Video) {
        if (!video_.isOpened()) {
            videoFile_ = std::make_unique<AtomicFile>(path_);
            video_.open(videoFile_->temporary(), cv::VideoWriter::fourcc('F', 'F', 'V', '1'), fps_, frame.size());
            if (!video_.isOpened()) {
                message = "cannot write the video '" + printable(path_) + "' (FFV1)";
                return false;
            }
        }
        video_.write(frame);
        return true;
    }
    const std::string file = target(index);
    std::vector<unsigned char> bytes;
    if (!cv::imencode(extensionOf(file), frame, bytes)) {
        message = "cannot encode '" + printable(file) + "'";
        return false;
    }
    AtomicFile output(file);
    std::string reason;
    if (!output.write(bytes, reason) || !output.commit(replace(), reason)) {
        message = "cannot write '" + printable(file) + "': " + reason;
        return false;
    }
    return true;
}

bool OutputWriter::finish(std::string& message)
{
    if (kind_ != Kind::Video || !videoFile_)
        return true;
    video_.release();
    std::string reason;
    if (!videoFile_->commit(replace(), reason)) {
        message = "cannot write '" + printable(path_) + "': " + reason;
        return false;
    }
    videoFile_.reset();
    return true;
}

void OutputWriter::abandon()
{
    if (video_.isOpened())
        video_.release();
    videoFile_.reset();
}

Replace OutputWriter::replace() const
{
    return force_ ? Replace::Allowed : Replace::Refused;
}
