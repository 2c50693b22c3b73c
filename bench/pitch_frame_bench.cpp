// The pitch-frame rebuild (yellow and magenta through the view masks) with
// the reference engine, the fast engine from two images (the calibrator's way
// until it composed the colours themselves) and from the two colours, against
// the floor of one pass over the same images (cv::add of two images into a
// third).
#include "bench_support.h"


#include <opencv2/core.hpp>

#include <algorithm>
#include <chrono>

#include <utility>
#include <vector>

namespace {

using namespace veltrane;

using Interlace = Status (*)(const Calibration&, int, const cv::Mat&, const cv::Mat&, cv::Mat&, const EngineOptions&);

const cv::Scalar Yellow(0, 255, 255);
const cv::Scalar Magenta(255, 0, 255);

// The composition of the colours themselves, in the shape of the others.
Status interlaceColours(const Calibration& calibration, int viewCount, const cv::Mat& yellow, const cv::Mat&,
                        cv::Mat& output, const EngineOptions& options)
{
    return interlaceTwoColours(calibration, viewCount, Yellow, Magenta, yellow.size(), output, options);
}

constexpr int UsualGeometry = -1;

// The rebuild of the calibrator's pitch frame at the benchmark's size, on the
// usual geometry or on one of the hard ones.
void rebuild(benchmark::State& bench, Interlace interlace, int geometry = UsualGeometry)
{
    const int width = static_cast<int>(bench.range(0));
    const int height = static_cast<int>(bench.range(1));
    const cv::Mat yellow(height, width, CV_8UC3, Yellow);
    const cv::Mat magenta(height, width, CV_8UC3, Magenta);
    // Written once before timing, as the calibrator's frame is, so that no
    // iteration pays for the first touch of its pages.
    cv::Mat output(height, width, CV_8UC3, cv::Scalar::all(0));
    PitchFrame frame = pitchModeFrame(width, height);
    if (geometry != UsualGeometry) {
        applyHardGeometry(frame, width, height, static_cast<HardGeometry>(geometry));
        bench.SetLabel(hardGeometryName(static_cast<HardGeometry>(geometry)));
    }
    PeakCounter counter;
    EngineOptions options;
    options.allocator = counter.allocator();
    for (auto _ : bench) {
        if (interlace(frame.calibration, frame.viewCount, yellow, magenta, output, options) != Status::Done)
            bench.SkipWithError("allocation failed");
        benchmark::DoNotOptimize(output.data);
    }
    bench.counters["peak_bytes"] = static_cast<double>(counter.peak());
    if (smokeRun()) {
        cv::Mat reference;
        interlaceTwoViewsReference(frame.calibration, frame.viewCount, yellow, magenta, reference);
        checkAgainstReference(bench, output.data, reference.data, reference.total() * 3);
    }
}

void BM_PitchFrameReference(benchmark::State& bench)
{
    rebuild(bench, interlaceTwoViewsReference);
}

void BM_PitchFrameFast(benchmark::State& bench)
{
    rebuild(bench, interlaceTwoViews);
}

void BM_PitchFrameColours(benchmark::State& bench)
{
    rebuild(bench, interlaceColours);
}

// The geometries the panel can reach that are hardest on the fast engine;
// each must stay within three times the same size's usual rebuild.
void BM_PitchFrameColoursHard(benchmark::State& bench)
{
    rebuild(bench, interlaceColours, static_cast<int>(bench.range(2)));
}

// The same rebuild from two images and from the colours, one after the
// other in every iteration (in turns, which goes first), so that a drift of
// the machine's speed falls on both: their medians and the median of the
// pairs' speed-ups.
void BM_PitchFrameImagesAgainstColours(benchmark::State& bench)
{
    const int width = static_cast<int>(bench.range(0));
    const int height = static_cast<int>(bench.range(1));
    const cv::Mat yellow(height, width, CV_8UC3, Yellow);
    const cv::Mat magenta(height, width, CV_8UC3, Magenta);
    cv::Mat fromImages(height, width, CV_8UC3, cv::Scalar::all(0));
    cv::Mat fromColours(height, width, CV_8UC3, cv::Scalar::all(0));
    const PitchFrame frame = pitchModeFrame(width, height);
    std::vector<double> images;
    std::vector<double> colours;
    auto timed = [](auto compose) {
        const auto start = std::chrono::steady_clock::now();
        const Status status = compose();
        return status == Status::Done
                   ? std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count()
                   : -1.0;
    };
    for (auto _ : bench) {
        auto imagesTime = [&] {
            return timed([&] { return interlaceTwoViews(frame.calibration, frame.viewCount, yellow, magenta, fromImages); });
        };
        auto coloursTime = [&] {
            return timed([&] { return interlaceColours(frame.calibration, frame.viewCount, yellow, magenta, fromColours, {}); });
        };
        const bool imagesFirst = images.size() % 2 == 0;
        const double first = imagesFirst ? imagesTime() : coloursTime();
        const double second = imagesFirst ? coloursTime() : imagesTime();
        images.push_back(imagesFirst ? first : second);
        colours.push_back(imagesFirst ? second : first);
        if (first < 0 || second < 0)
            bench.SkipWithError("allocation failed");
        bench.SetIterationTime(first + second);
    }
    auto median = [](std::vector<double> times) {
        std::nth_element(times.begin(), times.begin() + times.size() / 2, times.end());
        return times[times.size() / 2];
    };
    // The speed-up of each pair, taken a few milliseconds apart, and their
    // median: a drift slower than a pair falls out of it.
    std::vector<double> speedups;
    for (std::size_t i = 0; i < images.size(); ++i)
        speedups.push_back(images[i] / colours[i]);
    bench.counters["images_ms"] = 1000 * median(images);
    bench.counters["colours_ms"] = 1000 * median(colours);
    bench.counters["speedup"] = median(speedups);
    checkAgainstReference(bench, fromColours.data, fromImages.data, fromImages.total() * 3);
}

void BM_PitchFrameFloor(benchmark::State& bench)
{
    const int width = static_cast<int>(bench.range(0));
    const int height = static_cast<int>(bench.range(1));
    const cv::Mat first(height, width, CV_8UC3, cv::Scalar(0, 255, 255));
    const cv::Mat second(height, width, CV_8UC3, cv::Scalar(255, 0, 255));
    cv::Mat output(height, width, CV_8UC3, cv::Scalar::all(0));
    for (auto _ : bench) {
        cv::add(first, second, output);
        benchmark::DoNotOptimize(output.data);
    }
}

// The three measurements of a size run one after the other, so that a drift
// of the machine's speed during the run does not skew their ratios.
const bool Registered = [] {
    const struct {
        const char* name;
        void (*run)(benchmark::State&);
        int repetitions;
    } kinds[] = {{"BM_PitchFrameReference", BM_PitchFrameReference, 3},
                 {"BM_PitchFrameFast", BM_PitchFrameFast, 5},
                 {"BM_PitchFrameColours", BM_PitchFrameColours, 5},
                 {"BM_PitchFrameFloor", BM_PitchFrameFloor, 5}};
    const std::vector<std::pair<int, int>> sizes =
        smokeRun() ? std::vector<std::pair<int, int>>{{320, 240}}
                   : std::vector<std::pair<int, int>>{{640, 512}, {1920, 1080}, {3840, 2160}, {7680, 4320}};
    for (const auto& [width, height] : sizes) {
        for (const auto& kind : kinds)
            benchmark::RegisterBenchmark(kind.name, kind.run)
                ->Args({width, height})
                ->ArgNames({"w", "h"})
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime()
                ->Repetitions(smokeRun() ? 1 : kind.repetitions)
                ->ReportAggregatesOnly(true);
        if (width >= 3840 || smokeRun())
            benchmark::RegisterBenchmark("BM_PitchFrameImagesAgainstColours", BM_PitchFrameImagesAgainstColours)
                ->Args({width, height})
                ->ArgNames({"w", "h"})
                ->Unit(benchmark::kMillisecond)
                ->UseManualTime()
                ->Iterations(smokeRun() ? 2 : 31);
        if (width == 1920 || width == 3840 || smokeRun())
            for (int geometry = 0; geometry <= static_cast<int>(HardGeometry::SteepestLargestPitch); ++geometry)
                benchmark::RegisterBenchmark("BM_PitchFrameColoursHard", BM_PitchFrameColoursHard)
                    ->Args({width, height, geometry})
                    ->ArgNames({"w", "h", "geometry"})
                    ->Unit(benchmark::kMillisecond)
                    ->UseRealTime()
                    ->Repetitions(smokeRun() ? 1 : 5)
                    ->ReportAggregatesOnly(true);
    }
    return true;
}();

} // namespace
