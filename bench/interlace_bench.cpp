// veltrane-interlace: an animation of 3 frames x 16 views of 1920 x 1080 (JPEG)
// against only decoding its files on all cores, a 45-view quilt frame made
// into a 3840 x 2160 panel image, and the peak memory of one frame of 45 views
// at 3840 x 2160 read from files.
#include "bench_support.h"

#include "veltrane/interlacer/frame_pipeline.h"
#include "veltrane/interlacer/output_writer.h"
#include "veltrane/interlacer/memory_reuse.h"
#include "veltrane/content/view_pattern.h"

#include <opencv2/core/utility.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <numeric>
#include <thread>
#include <vector>

#include <unistd.h>

using namespace veltrane;

namespace fs = std::filesystem;

namespace {

const veltrane::Calibration Calibration{84, 2250, 8.25, false};

cv::Mat photo(cv::Size size, int index, std::mt19937& random)
{
    cv::Mat image(size, CV_8UC3);
    for (int y = 0; y < image.rows; ++y)
        image.row(y).setTo(cv::Scalar(40 + y * 100 / size.height, 90 + index * 3, 200 - y * 120 / size.height));
    for (int k = 0; k < 30; ++k)
        cv::circle(image, {static_cast<int>(random() % size.width) + index * 3, static_cast<int>(random() % size.height)},
                   size.height / 40 + static_cast<int>(random() % (size.height / 8)),
                   cv::Scalar(random() % 256, random() % 256, random() % 256), cv::FILLED, cv::LINE_AA);
    cv::Mat noise(size, CV_8UC3);
    cv::randn(noise, 0, 6);
    return image + noise;
}

// A folder of its own for the files of one benchmark, made once.
class Folder {
public:
    explicit Folder(const std::string& name)
        : path_(fs::temp_directory_path() / ("veltrane-" + name + "-" + std::to_string(::getpid())))
    {
        fs::create_directories(path_);
    }
    ~Folder()
    {
        std::error_code error;
        fs::remove_all(path_, error);
    }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

private:
    fs::path path_;
};

struct Animation {
    Animation(int frames, int views, cv::Size size)
        : folder("animation-" + std::to_string(frames)), frames(frames), views(views), size(size)
    {
        std::mt19937 random(11);
        for (int f = 0; f < frames; ++f)
            for (int v = 0; v < views; ++v)
                cv::imwrite(expandPattern(pattern(), f, v), photo(size, v + f, random));
    }
    std::string pattern() const { return folder / "render_{frame:05}_{view}.jpg"; }

    Folder folder;
    int frames;
    int views;
    cv::Size size;
};

cv::Size animationSize()
{
    return smokeRun() ? cv::Size(320, 180) : cv::Size(1920, 1080);
}

// 3 or 12 frames of 16 views (4 in a smoke run), made once each.
Animation& animation(int frames)
{
    static Animation three(3, smokeRun() ? 4 : 16, animationSize());
    static Animation twelve(smokeRun() ? 3 : 12, smokeRun() ? 4 : 16, animationSize());
    return frames == 3 ? three : twelve;
}

InterlaceOptions optionsFor(const std::string& output)
{
    InterlaceOptions options;
    options.calibration = Calibration;
    options.output = output;
    options.force = true;
    return options;
}

// Runs the interlacer as the benchmark's loop asks; frames the frames a run writes.
void runEachIteration(benchmark::State& bench, const InterlaceOptions& options, double frames)
{
    for (auto _ : bench) {
        const Outcome outcome = runInterlace(options, nullptr, false);
        if (!outcome)
            bench.SkipWithError(outcome.message.c_str());
    }
    bench.counters["frames_per_second"] = benchmark::Counter(frames, benchmark::Counter::kIsIterationInvariantRate);
}

// The frame the reference engine makes of frame f's files, against the file written.
void checkFrame(benchmark::State& bench, const InterlaceOptions& options, const std::string& written, int f, int views)
{
    std::vector<cv::Mat> images;
    for (int v = 0; v < views; ++v)
        images.push_back(cv::imread(expandPattern(options.viewsPattern, f, v)));
    cv::Mat reference;
    veltrane::EngineOptions engine;
    engine.weighting = options.weighting;
    veltrane::interlaceViewsReference(Calibration, images, reference, engine);
    const cv::Mat output = cv::imread(written);
    if (output.size() != reference.size())
        bench.SkipWithError("the interlaced frame has another size");
    else
        checkAgainstReference(bench, output.data, reference.data, reference.total() * 3);
}

void BM_InterlaceAnimation(benchmark::State& bench)
{
    keepLargeBlocks(); // as veltrane-interlace does at start
    Animation& input = animation(static_cast<int>(bench.range(0)));
    InterlaceOptions options = optionsFor(input.folder / "out_{frame}.png");
    options.viewsPattern = input.pattern();
    runEachIteration(bench, options, static_cast<double>(input.frames));
    if (smokeRun())
        checkFrame(bench, options, input.folder / "out_2.png", 2, input.views);
}

// The floor: decoding the same files once, on all cores.
void BM_InterlaceAnimationDecodeOnly(benchmark::State& bench)
{
    Animation& input = animation(static_cast<int>(bench.range(0)));
    const int files = input.frames * input.views;
    for (auto _ : bench) {
        std::atomic<int> next{0};
        std::vector<std::thread> threads;
        for (int t = 0; t < cv::getNumberOfCPUs(); ++t)
            threads.emplace_back([&] {
                for (int i = next++; i < files; i = next++) {
                    const cv::Mat image = cv::imread(expandPattern(input.pattern(), i / input.views, i % input.views));
                    benchmark::DoNotOptimize(image.data);
                }
            });
        for (std::thread& thread : threads)
            thread.join();
    }
}

// A 45-view quilt (9 x 5 tiles) made into one panel image of 3840 x 2160.
void BM_InterlaceQuiltFrame(benchmark::State& bench)
{
    static Folder folder("quilt");
    const cv::Size tile = smokeRun() ? cv::Size(64, 36) : cv::Size(640, 360);
    const cv::Size panel = smokeRun() ? cv::Size(384, 216) : cv::Size(3840, 2160);
    const std::string file = folder / "scene_qs9x5.png";
    if (!fs::exists(file)) {
        std::mt19937 random(12);
        cv::imwrite(file, photo({tile.width * 9, tile.height * 5}, 0, random));
    }
    InterlaceOptions options = optionsFor(folder / "panel.png");
    options.quilt = file;
    options.width = panel.width;
    options.height = panel.height;
    runEachIteration(bench, options, 1.0);
}

// A 45-view quilt video of 8 frames (9 x 5 tiles of 640 x 360) to FFV1 video of 3840 x 2160.
void BM_InterlaceQuiltVideo(benchmark::State& bench)
{
    static Folder folder("quilt-video");
    const cv::Size tile = smokeRun() ? cv::Size(64, 36) : cv::Size(640, 360);
    const cv::Size panel = smokeRun() ? cv::Size(384, 216) : cv::Size(3840, 2160);
    const std::string file = folder / "scene_qs9x5.mkv";
    if (!fs::exists(file)) {
        std::mt19937 random(13);
        OutputWriter writer;
        std::string message;
        std::vector<int> frames(8);
        std::iota(frames.begin(), frames.end(), 0);
        if (!writer.prepare(file, frames, 24, false, false, message))
            return bench.SkipWithError(message.c_str());
        for (int f = 0; f < 8; ++f)
            if (!writer.write(f, photo({tile.width * 9, tile.height * 5}, f, random), message))
                return bench.SkipWithError(message.c_str());
        if (!writer.finish(message))
            return bench.SkipWithError(message.c_str());
    }
    InterlaceOptions options = optionsFor(folder / "panel.mkv");
    options.quilt = file;
    options.width = panel.width;
    options.height = panel.height;
    runEachIteration(bench, options, 8.0);
}

std::size_t peakResidentBytes()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stoull(line.substr(6)) * 1024;
    return 0;
}

// One frame of 45 views at 3840 x 2160, read from files, to a PNG (0) or to
// FFV1 video (1): the most memory the process held while interlacing it (the
// peak is reset before the run).
void BM_InterlaceFrameMemory(benchmark::State& bench)
{
    const cv::Size size = smokeRun() ? cv::Size(384, 216) : cv::Size(3840, 2160);
    const int views = smokeRun() ? 5 : 45;
    static Folder folder("memory");
    const std::string pattern = folder / "view_{view}.jpg";
    if (!fs::exists(expandPattern(pattern, 0, views - 1))) {
        std::mt19937 random(13);
        for (int v = 0; v < views; ++v)
            cv::imwrite(expandPattern(pattern, 0, v), photo(size, v, random));
    }
    InterlaceOptions options = optionsFor(folder / (bench.range(0) == 0 ? "frame.png" : "frame.mkv"));
    options.viewsPattern = pattern;
    std::size_t peak = 0;
    for (auto _ : bench) {
        std::ofstream("/proc/self/clear_refs") << "5"; // the peak resident size starts again from here
        const std::size_t before = peakResidentBytes();
        const Outcome outcome = runInterlace(options, nullptr, false);
        if (!outcome)
            bench.SkipWithError(outcome.message.c_str());
        peak = std::max(peak, peakResidentBytes() - before);
    }
    bench.counters["peak_rss_above_start"] = static_cast<double>(peak);
    bench.counters["peak_rss"] = static_cast<double>(peakResidentBytes());
}

BENCHMARK(BM_InterlaceAnimation)->Arg(3)->Arg(12)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(smokeRun() ? 1 : 5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_InterlaceAnimationDecodeOnly)->Arg(3)->Arg(12)->Unit(benchmark::kMillisecond)->UseRealTime()
    ->Repetitions(smokeRun() ? 1 : 5)->ReportAggregatesOnly(true);
BENCHMARK(BM_InterlaceQuiltFrame)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(smokeRun() ? 1 : 5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_InterlaceQuiltVideo)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)
    ->Repetitions(smokeRun() ? 1 : 3)->ReportAggregatesOnly(true);
BENCHMARK(BM_InterlaceFrameMemory)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)
    ->Repetitions(smokeRun() ? 1 : 3)->ReportAggregatesOnly(true);

} // namespace
