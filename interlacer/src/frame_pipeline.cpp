#include "veltrane/interlacer/frame_pipeline.h"

#include "veltrane/engine/interlace.h"
#include "veltrane/records/value_text.h"
#include "veltrane/records/view_files.h"
#include "veltrane/content/view_stream.h"
#include "veltrane/interlacer/output_writer.h"
#include "veltrane/content/quilt.h"
#include "veltrane/content/view_order.h"
#include "veltrane/content/view_pattern.h"

#include <opencv2/imgproc.hpp>
#include <opencv2/videoio.hpp>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <mutex>
#include <numeric>
#include <optional>
#include <thread>
#include <vector>

namespace veltrane {

namespace {

using Clock = std::chrono::steady_clock;

std::string sizeText(cv::Size size)
{
    return std::to_string(size.width) + " x " + std::to_string(size.height);
}

// Below this share of the views' brightness an output gets a warning.
constexpr double DarkShare = 0.75;

// Views are added in groups, one pass over the frame a group: as many as fit
// this much memory (two views of 3840 x 2160), and at most MaxGroup, so that
// adding a frame's views goes on while its last views decode.
constexpr std::size_t MaxGroup = 4;

// A failure that ends the run, with its exit status.
struct Failure {
    InterlaceExit status;
    std::string message;
};

// Finished frames, written by threads of their own: one PNG a frame is
// encoded by as many threads as there are processors, each frame on one
// (several frames in flight, at most Waiting plus one a thread); a video or a
// single image by one thread, in order.
class FrameWriter {
public:
    FrameWriter(OutputWriter& output) : output_(output)
    {
        const unsigned encoders =
            output.framesIndependent() ? std::max(1u, std::min(MaxEncoders, std::thread::hardware_concurrency())) : 1u;
        for (unsigned t = 0; t < encoders; ++t)
            threads_.emplace_back([this] { run(); });
    }
    ~FrameWriter() { close(); }

    // Hands frame number number over; waits while Waiting are still to be taken.
    void push(int number, cv::Mat frame)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        room_.wait(lock, [this] { return queue_.size() < Waiting || failed_; });
        queue_.push_back({number, std::move(frame)});
        ready_.notify_one();
    }

    // Waits for every frame to be written; the first failure, if any.
    std::optional<std::string> close()
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            closing_ = true;
            ready_.notify_all();
        }
        for (std::thread& thread : threads_)
            if (thread.joinable())
                thread.join();
        return failure_;
    }

    bool failed()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return failed_;
    }

private:
    static constexpr std::size_t Waiting = 2;
    static constexpr unsigned MaxEncoders = 4;

    void run()
    {
        for (;;) {
            std::pair<int, cv::Mat> next;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                ready_.wait(lock, [this] { return !queue_.empty() || closing_; });
                if (queue_.empty())
                    return;
                next = std::move(queue_.front());
                queue_.pop_front();
                room_.notify_one();
                if (failed_)
                    continue; // after a failure, frames are taken and dropped
            }
            std::string message;
            if (!output_.write(next.first, next.second, message)) {
                std::lock_guard<std::mutex> lock(mutex_);
                if (!failed_)
                    failure_ = message;
                failed_ = true;
                room_.notify_all();
            }
        }
    }

    OutputWriter& output_;
    std::mutex mutex_;
    std::condition_variable ready_;
    std::condition_variable room_;
    std::deque<std::pair<int, cv::Mat>> queue_;
    bool closing_ = false;
    bool failed_ = false;
    std::optional<std::string> failure_;
    std::vector<std::thread> threads_;
};

// Progress on a terminal: frames done, frames per second, time left, on one
// line that is ended however the run ends (a failure's line goes below it).
class Progress {
public:
    Progress(std::FILE* out, std::size_t frames) : out_(out), frames_(frames), start_(Clock::now()) {}
    ~Progress() { finish(); }
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    void frameDone(std::size_t done)
    {
        if (out_ == nullptr)
            return;
        frames_ = std::max(frames_, done); // a video that holds more frames than it said
        const double seconds = std::chrono::duration<double>(Clock::now() - start_).count();
        const double rate = seconds > 0 ? done / seconds : 0.0;
        const double left = rate > 0 ? (frames_ - done) / rate : 0.0;
        std::fprintf(out_, "\rframe %zu/%zu  %.1f fps  %.0f s left   ", done, frames_, rate, left);
        std::fflush(out_);
        open_ = true;
    }

    // Ends the progress line, if one was begun.
    void finish()
    {
        if (open_)
            std::fputc('\n', out_);
        open_ = false;
    }

private:
    std::FILE* out_;
    std::size_t frames_;
    Clock::time_point start_;
    bool open_ = false; // a progress line without its newline yet
};

// The checks of the numbers against the frame, before any work: lines the
// engine cannot draw are refused, and a warning when the views are so many
// that the output comes out dark.
void checkComposition(const InterlaceOptions& options, cv::Size size, int views, std::FILE* warnings)
{
    const Calibration& c = options.calibration;
    if (checkGeometry(c, size, views) != Status::Done)
        throw Failure{InterlaceFailed, "the slant -x " + std::to_string(c.x) + " -y " + std::to_string(c.y) +
                                           " is too flat to draw at " + sizeText(size) +
                                           ": its lens lines would be far more than the panel's columns"};
    const double kept = brightnessKept(c.pitch, views);
    if (kept == 0.0)
        throw Failure{InterlaceFailed, std::to_string(views) + " views at pitch " + std::to_string(c.pitch) +
                                           " leave every view a share too small to show: the output would be black"};
    if (kept < DarkShare && warnings != nullptr)
        std::fprintf(warnings,
                     "veltrane-interlace: warning: %d views at pitch %.4f keep about %.0f%% of the views' "
                     "brightness (each view's share rounds down); fewer views give a brighter image\n",
                     views, c.pitch, 100.0 * kept);
}

cv::Size outputSize(const InterlaceOptions& options, cv::Size views, bool quilt)
{
    if (options.width > 0)
        return {options.width, options.height};
    if (!quilt)
        return views;
    if (options.recordWidth > 0 && options.recordHeight > 0)
        return {options.recordWidth, options.recordHeight};
    throw Failure{InterlaceUsage, "give the output size of a quilt: --size=WxH (or a calibration record that has it)"};
}

// The failure a stream reports, as one line.
Failure failureOf(const StreamFault& fault, const StreamPlan& plan)
{
    const std::string name = printable(plan.files[fault.file]);
    switch (fault.kind) {
    case StreamFault::Kind::Unreadable:
        return {InterlaceFailed, name + " cannot be read: " + fault.problem};
    case StreamFault::Kind::WrongSize:
        return {InterlaceFailed, name + " is " + sizeText(fault.size) + ", view 0 is " + sizeText(plan.viewSize) +
                                     ": views must share a size"};
    case StreamFault::Kind::NoMemory:
    case StreamFault::Kind::None:
        break;
    }
    return {InterlaceFailed, std::string("interlacing failed: ") + statusText(fault.status)};
}

// Where a run's lines go: progress (or none) and warnings (or none).
struct Lines {
    std::FILE* progress;
    std::FILE* warnings;
};

// A warning when the output is not the size of the panel the calibration was made on.
void checkPanelSize(const InterlaceOptions& options, cv::Size size, std::FILE* warnings)
{
    if (options.recordWidth <= 0 || options.recordHeight <= 0 || warnings == nullptr ||
        size == cv::Size(options.recordWidth, options.recordHeight))
        return;
    std::fprintf(warnings,
                 "veltrane-interlace: warning: the output is %d x %d, the calibration was made on a %d x %d window; "
                 "give --size=%dx%d for frames of the panel's size\n",
                 size.width, size.height, options.recordWidth, options.recordHeight, options.recordWidth,
                 options.recordHeight);
}

// The frames of this shard: numbers that are shardIndex mod shardCount.
void keepShard(const InterlaceOptions& options, std::vector<int>& frames)
{
    std::vector<int> kept;
    for (const int frame : frames)
        if (frame % options.shardCount == options.shardIndex)
            kept.push_back(frame);
    frames.swap(kept);
}

// Views from numbered files.
void interlaceFiles(const InterlaceOptions& options, OutputWriter& output, const Lines& lines)
{
    ViewSequenceFiles files;
    std::string message;
    const std::string pattern = viewFilesPattern(options.viewsPattern, options.viewsGiven, options.framesGiven,
                                                 options.firstFrame, options.lastFrame);
    if (!findViewFiles(pattern, options.framesGiven, options.firstFrame, options.lastFrame, files, message))
        throw Failure{InterlaceFailed, message};
    keepShard(options, files.frames);
    if (files.frames.empty())
        return; // a shard with no frame of the range: nothing to do
    StreamPlan plan;
    std::string problem;
    if (!viewImageSize(files.file(pattern, 0, 0), plan.viewSize, problem))
        throw Failure{InterlaceFailed, printable(files.file(pattern, 0, 0)) + " cannot be read: " + problem};
    const cv::Size size = outputSize(options, plan.viewSize, false);
    checkComposition(options, size, files.views, lines.warnings);
    checkPanelSize(options, size, lines.warnings);
    const std::vector<int> viewOf = viewOfSource(files.views, options.reverse, options.viewOffset);
    if (!output.prepare(options.output, files.frames, options.fps, options.force, options.allowLossy, message))
        throw Failure{InterlaceUsage, message};

    for (std::size_t f = 0; f < files.frames.size(); ++f)
        for (int v = 0; v < files.views; ++v)
            plan.files.push_back(files.file(pattern, f, v));
    plan.viewsPerFrame = files.views;
    plan.maxGroup = MaxGroup;
    ViewStream stream(plan);
    EngineOptions engine;
    engine.threads = 1; // the decoders and the writer have the other processors
    FrameWriter writer(output);
    Progress progress(lines.progress, files.frames.size());
    for (std::size_t f = 0; f < files.frames.size() && !writer.failed(); ++f) {
        cv::Mat frame(size, CV_8UC3, cv::Scalar::all(0));
        if (const StreamFault fault = stream.composeFrame(options.calibration, files.views, viewOf, frame, engine))
            throw failureOf(fault, plan);
        writer.push(files.frames[f], frame);
        progress.frameDone(f + 1);
    }
    if (const auto failure = writer.close())
        throw Failure{InterlaceFailed, *failure};
    progress.finish();
}

// Quilt frames, read ahead by a thread of their own (a video must be read in order).
class QuiltReader {
public:
    explicit QuiltReader(const std::string& file) : video_(isVideoName(file))
    {
        if (!video_) {
            std::string problem;
            still_ = loadViewImage(file, problem);
            if (still_.empty())
                throw Failure{InterlaceFailed, printable(file) + " cannot be read: " + problem};
            return;
        }
        if (!viewFileExists(file))
            throw Failure{InterlaceFailed, printable(file) + " does not exist"};
        capture_.open(file, cv::CAP_FFMPEG);
        if (!capture_.isOpened() || !capture_.read(still_) || still_.empty())
            throw Failure{InterlaceFailed, printable(file) + " cannot be read as a video"};
        fps_ = capture_.get(cv::CAP_PROP_FPS);
    }

    // The next quilt frame; empty when there are no more.
    cv::Mat next()
    {
        cv::Mat frame;
        if (!still_.empty())
            std::swap(frame, still_);
        else if (video_)
            capture_.read(frame);
        return frame;
    }

    cv::Size size() const { return still_.size(); }
    double fps() const { return fps_; }
    bool video() const { return video_; }
    // The frames the video says it has (it may hold more, or fewer).
    int frameCount() { return video_ ? static_cast<int>(capture_.get(cv::CAP_PROP_FRAME_COUNT)) : 1; }

private:
    bool video_;
    cv::VideoCapture capture_;
    cv::Mat still_;
    double fps_ = 0.0;
};

void checkTileCount(int columns, int rows)
{
    if (static_cast<long>(columns) * rows > MaxViews)
        throw Failure{InterlaceUsage, std::to_string(columns) + " x " + std::to_string(rows) + " tiles are more than " +
                                          std::to_string(MaxViews) + " views"};
}

void checkTilesDivide(const InterlaceOptions& options, cv::Size quilt, int columns, int rows)
{
    if (quilt.width % columns != 0 || quilt.height % rows != 0)
        throw Failure{InterlaceFailed, printable(options.quilt) + " is " + sizeText(quilt) + ", not divisible into " +
                                           std::to_string(columns) + " x " + std::to_string(rows) + " tiles"};
}

// One quilt frame's tiles at the panel's size, a few at a time, each few in one pass.
void composeQuiltFrame(const InterlaceOptions& options, const cv::Mat& image, int columns, int rows,
                       const std::vector<int>& viewOf, cv::Mat& frame)
{
    const Status status =
        addQuiltTiles(image, columns, rows, options.quiltTopLeft, options.calibration, viewOf, frame, options.nearestTiles);
    if (status != Status::Done)
        throw Failure{InterlaceFailed, std::string("interlacing failed: ") + statusText(status)};
}

void interlaceQuilt(const InterlaceOptions& options, OutputWriter& output, const Lines& lines)
{
    int columns = options.tileColumns;
    int rows = options.tileRows;
    if (columns == 0 && !tilesFromName(options.quilt, columns, rows))
        throw Failure{InterlaceUsage, "give the quilt's tiles: --tiles=CxR (or _qsCxR in its name)"};
    checkTileCount(columns, rows);
    QuiltReader reader(options.quilt);
    const cv::Size quilt = reader.size();
    checkTilesDivide(options, quilt, columns, rows);
    const int views = columns * rows;
    const cv::Size size = outputSize(options, {quilt.width / columns, quilt.height / rows}, true);
    checkComposition(options, size, views, lines.warnings);
    checkPanelSize(options, size, lines.warnings);
    const std::vector<int> viewOf = viewOfSource(views, options.reverse, options.viewOffset);
    std::vector<int> frameNumbers(std::max(1, reader.frameCount()));
    std::iota(frameNumbers.begin(), frameNumbers.end(), 0);
    std::string message;
    const double fps = options.fps > 0 ? options.fps : reader.fps();
    if (!output.prepare(options.output, frameNumbers, fps, options.force, options.allowLossy, message))
        throw Failure{InterlaceUsage, message};

    FrameWriter writer(output);
    Progress progress(lines.progress, frameNumbers.size());
    int index = 0;
    // Every frame the video holds, whatever its header said.
    for (cv::Mat image = reader.next(); !image.empty() && !writer.failed(); image = reader.next()) {
        if (image.size() != quilt)
            throw Failure{InterlaceFailed, "the quilt's frames change size"};
        cv::cvtColor(image, image, cv::COLOR_BGR2RGB); // subpixel order, once for every tile
        cv::Mat frame(size, CV_8UC3, cv::Scalar::all(0));
        composeQuiltFrame(options, image, columns, rows, viewOf, frame);
        writer.push(index, frame);
        progress.frameDone(static_cast<std::size_t>(++index));
    }
    if (const auto failure = writer.close())
        throw Failure{InterlaceFailed, *failure};
    progress.finish();
    if (static_cast<std::size_t>(index) < frameNumbers.size() && reader.video())
        throw Failure{InterlaceFailed, printable(options.quilt) + " ended after " + std::to_string(index) + " of the " +
                                           std::to_string(frameNumbers.size()) + " frames it declares"};
}

} // namespace

InterlaceExit runInterlace(const InterlaceOptions& options, std::FILE* messages, bool progress, std::string& message)
{
    OutputWriter output;
    const Lines lines{progress ? messages : nullptr, messages};
    try {
        if (options.quilt.empty())
            interlaceFiles(options, output, lines);
        else
            interlaceQuilt(options, output, lines);
        if (!output.finish(message)) {
            output.abandon();
            return InterlaceFailed;
        }
        return InterlaceDone;
    } catch (const Failure& failure) {
        output.abandon();
        message = failure.message;
        return failure.status;
    } catch (const std::bad_alloc&) {
        output.abandon();
        message = "out of memory";
        return InterlaceFailed;
    } catch (const cv::Exception& error) {
        output.abandon();
        message = "failed: " + printable(error.msg);
        return InterlaceFailed;
    }
}

} // namespace veltrane
