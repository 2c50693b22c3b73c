#include "veltrane/interlacer/frame_pipeline.h"

#include "veltrane/engine/interlace.h"
#include "veltrane/engine/viewer_place.h"
#include "veltrane/records/value_text.h"
#include "veltrane/records/view_files.h"
#include "veltrane/content/composition_check.h"
#include "veltrane/content/view_stream.h"
#include "veltrane/interlacer/output_writer.h"
#include "veltrane/content/quilt.h"
#include "veltrane/content/quilt_source.h"
#include "veltrane/content/view_order.h"
#include "veltrane/content/view_pattern.h"

#include "gpu_frames.h"

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
using Warnings = std::vector<std::string>; // without the program's name

// Below this share of the views' brightness an output gets a warning.
constexpr double DarkShare = 0.75;

// Views are added in groups, one pass over the frame a group: as many as fit
// this much memory (two views of 3840 x 2160), and at most MaxGroup, so that
// adding a frame's views goes on while its last views decode.
constexpr std::size_t MaxGroup = 4;

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
        const double seconds = std::chrono::duration<double>(Clock::now() - start_).count();
        const double rate = seconds > 0 ? done / seconds : 0.0;
        if (frames_ == 0) { // a count not known: no total, no time left
            std::fprintf(out_, "\rframe %zu  %.1f fps   ", done, rate);
        } else {
            frames_ = std::max(frames_, done); // a video that holds more frames than it said
            const double left = rate > 0 ? (frames_ - done) / rate : 0.0;
            std::fprintf(out_, "\rframe %zu/%zu  %.1f fps  %.0f s left   ", done, frames_, rate, left);
        }
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
// engine cannot draw are refused, and a warning when the views are too few
// to fill a lens, or (with the lines weighting) so many that the output
// comes out dark.
void checkComposition(const InterlaceOptions& options, cv::Size size, int views, Warnings& warnings)
{
    const Calibration& c = options.calibration;
    if (const std::string problem = compositionProblem(c, size, views, options.weighting); !problem.empty())
        throw Outcome::failed(problem);
    if (const std::string fill = lensFillWarning(c, views); !fill.empty())
        warnings.push_back(fill);
    const double kept = brightnessKept(c.pitch, views, options.weighting);
    if (kept < DarkShare) {
        char text[200];
        std::snprintf(text, sizeof text,
                      "%d views at pitch %.4f keep about %.0f%% of the views' brightness (each view's share "
                      "rounds down); fewer views give a brighter image",
                      views, c.pitch, 100.0 * kept);
        warnings.push_back(text);
    }
}

cv::Size outputSize(const InterlaceOptions& options, cv::Size views, bool quilt)
{
    if (options.width > 0)
        return {options.width, options.height};
    if (!quilt)
        return views;
    if (options.recordWidth > 0 && options.recordHeight > 0)
        return {options.recordWidth, options.recordHeight};
    throw Outcome::usage("give the output size of a quilt: --size=WxH (or a calibration record that has it)");
}

// The failure a stream reports, as one line.
Outcome failureOf(const StreamFault& fault, const StreamPlan& plan)
{
    const std::string name = printable(plan.files[fault.file]);
    switch (fault.kind) {
    case StreamFault::Kind::Unreadable:
        return Outcome::failed(name + " cannot be read: " + fault.problem);
    case StreamFault::Kind::WrongSize:
        return Outcome::failed(name + " is " + sizeText(fault.size) + ", view 0 is " + sizeText(plan.viewSize) +
                               ": views must share a size");
    case StreamFault::Kind::NoMemory:
    case StreamFault::Kind::None:
        break;
    }
    return Outcome::failed(std::string("interlacing failed: ") + statusText(fault.status));
}

// Where a run's lines go: progress (or none), and the warnings, said once
// the run has succeeded (a run that fails says its one line alone).
struct Lines {
    std::FILE* progress;
    Warnings* warnings;
};

// A warning when the output is not the size of the panel the calibration was made on.
void checkPanelSize(const InterlaceOptions& options, cv::Size size, Warnings& warnings)
{
    if (options.recordWidth <= 0 || options.recordHeight <= 0 ||
        size == cv::Size(options.recordWidth, options.recordHeight))
        return;
    char text[300];
    std::snprintf(text, sizeof text,
                  "the output is %d x %d, the calibration was made on a %d x %d window; give --size=%dx%d for "
                  "frames of the panel's size",
                  size.width, size.height, options.recordWidth, options.recordHeight, options.recordWidth,
                  options.recordHeight);
    warnings.push_back(text);
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

// True for Done; else false with the status said as --gpu's failure.
bool gpuStatusIs(GpuStatus status, std::string& message)
{
    if (status == GpuStatus::Done)
        return true;
    message = std::string("--gpu: ") + gpuStatusText(status);
    return false;
}

// The options with the numbers turned for the viewer's seat, if one is
// given, once the output's size and the views are known.
InterlaceOptions seated(const InterlaceOptions& given, cv::Size size, int views)
{
    InterlaceOptions options = given;
    if (!given.viewer)
        return options;
    const std::optional<SheetMeasures> sheet = sheetMeasures(given.measures);
    const Status status = sheet ? numbersForViewer(given.calibration, *sheet, size, views, *given.viewer, 0.0,
                                                   options.calibration)
                                : Status::InvalidPlace;
    if (status != Status::Done)
        throw Outcome::failed(std::string("the numbers cannot be turned for the viewer's seat: ") +
                              statusText(status));
    return options;
}

// Views from numbered files.
void interlaceFiles(const InterlaceOptions& given, OutputWriter& output, const Lines& lines)
{
    ViewSequenceFiles files;
    std::string message;
    const std::string pattern = viewFilesPattern(given.viewsPattern, given.viewsGiven, given.framesGiven,
                                                 given.firstFrame, given.lastFrame);
    if (!findViewFiles(pattern, given.framesGiven, given.firstFrame, given.lastFrame, files, message))
        throw Outcome::failed(message);
    keepShard(given, files.frames);
    if (files.frames.empty())
        return; // a shard with no frame of the range: nothing to do
    StreamPlan plan;
    std::string problem;
    if (!viewImageSize(files.file(pattern, 0, 0), plan.viewSize, problem))
        throw Outcome::failed(printable(files.file(pattern, 0, 0)) + " cannot be read: " + problem);
    const cv::Size size = outputSize(given, plan.viewSize, false);
    const InterlaceOptions options = seated(given, size, files.views);
    checkComposition(options, size, files.views, *lines.warnings);
    checkPanelSize(options, size, *lines.warnings);
    const std::vector<int> viewOf = viewOfSource(files.views, options.reverse, options.viewOffset);
    if (!output.prepare(options.output, files.frames, options.fps, options.force, options.allowLossy, message))
        throw Outcome::usage(message);

    for (std::size_t f = 0; f < files.frames.size(); ++f)
        for (int v = 0; v < files.views; ++v)
            plan.files.push_back(files.file(pattern, f, v));
    plan.viewsPerFrame = files.views;
    plan.maxGroup = MaxGroup;
    ViewStream stream(plan);
    EngineOptions engine;
    engine.weighting = options.weighting;
    engine.threads = 1; // the decoders and the writer have the other processors
    std::optional<GpuFrames> gpu;
    if (options.gpu) {
        gpu.emplace();
        if (!gpu->open(options.calibration, size, files.views, engine, message) ||
            !gpuStatusIs(gpu->compositor().prepareViews(files.views, size, ChannelOrder::Rgb), message))
            throw Outcome::failed(message);
    }
    FrameWriter writer(output);
    Progress progress(lines.progress, files.frames.size());
    for (std::size_t f = 0; f < files.frames.size() && !writer.failed(); ++f) {
        cv::Mat frame(size, CV_8UC3, cv::Scalar::all(0));
        if (gpu) {
            const auto upload = [&](int i, const cv::Mat& view) {
                return gpu->compositor().setView(viewOf[i], view) == GpuStatus::Done;
            };
            if (const StreamFault fault = stream.takeFrame(size, upload))
                throw failureOf(fault, plan);
            if (!gpu->frame(frame, message))
                throw Outcome::failed(message);
        } else if (const StreamFault fault =
                       stream.composeFrame(options.calibration, files.views, viewOf, frame, engine)) {
            throw failureOf(fault, plan);
        }
        writer.push(files.frames[f], frame);
        progress.frameDone(f + 1);
    }
    if (const auto failure = writer.close())
        throw Outcome::failed(*failure);
    progress.finish();
}

// One quilt frame's tiles at the panel's size, a few at a time, each few in one pass.
void composeQuiltFrame(const InterlaceOptions& options, const cv::Mat& image, int columns, int rows,
                       const std::vector<int>& viewOf, cv::Mat& frame)
{
    const Status status =
        addQuiltTiles(image, columns, rows, options.quiltTopLeft, options.calibration, viewOf, frame, options.nearestTiles,
                      options.weighting);
    if (status != Status::Done)
        throw Outcome::failed(std::string("interlacing failed: ") + statusText(status));
}

void interlaceQuilt(const InterlaceOptions& given, OutputWriter& output, const Lines& lines)
{
    QuiltSource source;
    if (const Outcome opened = source.open(given.quilt, given.tileColumns, given.tileRows); !opened)
        throw opened;
    const int columns = source.columns();
    const int rows = source.rows();
    const cv::Size quilt = source.size();
    const int views = source.views();
    const cv::Size size = outputSize(given, {quilt.width / columns, quilt.height / rows}, true);
    const InterlaceOptions options = seated(given, size, views);
    checkComposition(options, size, views, *lines.warnings);
    checkPanelSize(options, size, *lines.warnings);
    const std::vector<int> viewOf = viewOfSource(views, options.reverse, options.viewOffset);
    // The frames the header declares; of a video that declares none, the
    // first (each later one's name is checked as it is written).
    const int declared = source.declaredFrames();
    std::vector<int> frameNumbers(std::max(1, declared));
    std::iota(frameNumbers.begin(), frameNumbers.end(), 0);
    std::string message;
    const double fps = options.fps > 0 ? options.fps : source.fps();
    if (!output.prepare(options.output, frameNumbers, fps, options.force, options.allowLossy, message))
        throw Outcome::usage(message);

    std::optional<GpuFrames> gpu;
    if (options.gpu) {
        EngineOptions engine;
        engine.weighting = options.weighting;
        gpu.emplace();
        if (!gpu->open(options.calibration, size, views, engine, message))
            throw Outcome::failed(message);
    }
    FrameWriter writer(output);
    Progress progress(lines.progress, declared > 0 ? frameNumbers.size() : 0);
    int index = 0;
    // Every frame the video holds, whatever its header said.
    for (cv::Mat image; !writer.failed() && source.read(index, image, message);) {
        cv::Mat frame(size, CV_8UC3, cv::Scalar::all(0));
        if (!gpu)
            composeQuiltFrame(options, image, columns, rows, viewOf, frame);
        else if (!gpuStatusIs(gpu->compositor().setQuilt(image, columns, rows, options.quiltTopLeft, viewOf), message) ||
                 !gpu->frame(frame, message))
            throw Outcome::failed(message);
        writer.push(index, frame);
        progress.frameDone(static_cast<std::size_t>(++index));
    }
    if (!message.empty())
        throw Outcome::failed(message);
    if (const auto failure = writer.close())
        throw Outcome::failed(*failure);
    progress.finish();
    if (declared > 0 && index < declared && source.video())
        throw Outcome::failed(printable(options.quilt) + " ended after " + std::to_string(index) + " of the " +
                              std::to_string(frameNumbers.size()) + " frames it declares");
}

} // namespace

Outcome runInterlace(const InterlaceOptions& options, std::FILE* messages, bool progress)
{
    OutputWriter output;
    Warnings warnings;
    const Lines lines{progress ? messages : nullptr, &warnings};
    try {
        if (options.quilt.empty())
            interlaceFiles(options, output, lines);
        else
            interlaceQuilt(options, output, lines);
        std::string message;
        if (!output.finish(message)) {
            output.abandon();
            return Outcome::failed(message);
        }
        for (const std::string& warning : warnings)
            if (messages != nullptr)
                std::fprintf(messages, "veltrane-interlace: warning: %s\n", warning.c_str());
        return Outcome::done();
    } catch (const Outcome& failure) {
        output.abandon();
        return failure;
    } catch (const std::bad_alloc&) {
        output.abandon();
        return Outcome::failed("out of memory");
    } catch (const cv::Exception& error) {
        output.abandon();
        return Outcome::failed("failed: " + printable(error.msg));
    }
}

} // namespace veltrane
