#include "veltrane/interlacer/output_writer.h"

#include "veltrane/records/atomic_file.h"
#include "veltrane/records/value_text.h"
#include "veltrane/content/view_pattern.h"

#include "ffv1_video.h"

#include <opencv2/imgcodecs.hpp>

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace fs = std::filesystem;
namespace veltrane {

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

OutputWriter::OutputWriter() = default;

OutputWriter::~OutputWriter()
{
    abandon();
}

std::string OutputWriter::target(int frame) const
{
    return kind_ == Kind::FramePattern ? expandPattern(path_, frame, 0) : path_;
}

bool OutputWriter::prepare(const std::string& path, const std::vector<int>& frameNumbers, double fps, bool force,
                           bool allowLossy, std::string& message)
{
    path_ = path;
    expected_ = frameNumbers.size();
    fps_ = fps > 0 ? fps : 24.0;
    force_ = force;
    const std::string extension = extensionOf(path);
    PatternFields fields;
    if (!readPatternFields(path, fields, message)) {
        message = "-o: " + message;
        return false;
    }
    if (fields.view) {
        message = "the output '" + printable(path) + "' has {view}: each output frame holds every view";
        return false;
    }
    if (fields.frame) {
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
        if (expected_ > 1) {
            message = std::to_string(expected_) +
                      " frames but one output image: put {frame} in the output, or write .mkv or .avi";
            return false;
        }
    }
    const std::size_t files = kind_ == Kind::FramePattern ? frameNumbers.size() : 1;
    for (std::size_t i = 0; i < files; ++i) {
        const std::string file = target(frameNumbers.empty() ? 0 : frameNumbers[i]);
        std::string reason;
        if (!folderCanBeWritten(file, reason)) {
            message = "cannot write '" + printable(file) + "': " + reason;
            return false;
        }
        if (!force_ && nameTaken(file)) {
            message = "'" + printable(file) + "' exists: give --force to overwrite it";
            return false;
        }
    }
    return true;
}

bool OutputWriter::write(int frame, const cv::Mat& image, std::string& message)
{
    ++written_;
    if (kind_ == Kind::Video)
        return writeVideo(image, message);
    if (kind_ == Kind::Image && written_ > 1) {
        message = "more than one frame but one output image: put {frame} in the output, or write .mkv or .avi";
        return false;
    }
    const std::string file = target(frame);
    std::vector<unsigned char> bytes;
    if (!cv::imencode(extensionOf(file), image, bytes)) {
        message = "cannot encode '" + printable(file) + "'";
        return false;
    }
    std::string reason;
    if (kind_ == Kind::Image) {
        whole_ = std::make_unique<AtomicFile>(file);
        if (!whole_->write(bytes, reason)) {
            whole_.reset(); // and its temporary with it
            message = "cannot write '" + printable(file) + "': " + reason;
            return false;
        }
        return true;
    }
    AtomicFile output(file);
    if (!output.write(bytes, reason) || !output.commit(replace(), reason)) {
        message = "cannot write '" + printable(file) + "': " + reason;
        return false;
    }
    return true;
}

bool OutputWriter::writeVideo(const cv::Mat& image, std::string& message)
{
    std::string reason;
    if (!video_) {
        whole_ = std::make_unique<AtomicFile>(path_);
        video_ = std::make_unique<Ffv1Video>();
        if (!video_->open(whole_->temporary(), extensionOf(path_), image.size(), fps_, reason)) {
            message = "cannot write the video '" + printable(path_) + "': " + reason;
            return false;
        }
    }
    if (!video_->write(image, reason)) {
        message = "cannot write the video '" + printable(path_) + "': " + reason;
        return false;
    }
    return true;
}

bool OutputWriter::finish(std::string& message)
{
    if (!whole_)
        return true;
    std::string reason;
    if (video_ && !video_->finish(reason)) {
        message = "cannot write the video '" + printable(path_) + "': " + reason;
        return false;
    }
    video_.reset();
    if (!whole_->commit(replace(), reason)) {
        message = "cannot write '" + printable(path_) + "': " + reason;
        return false;
    }
    whole_.reset();
    return true;
}

void OutputWriter::abandon()
{
    video_.reset();
    whole_.reset();
}

Replace OutputWriter::replace() const
{
    return force_ ? Replace::Allowed : Replace::Refused;
}

} // namespace veltrane
