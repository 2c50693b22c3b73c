// The pitch-frame rebuild (yellow and magenta through the view masks) with
// the reference engine and the fast engine, against the floor of one pass
// over the same images (cv::add of two images into a third).
#include "bench_support.h"


#include <opencv2/core.hpp>

#include <utility>
#include <vector>

namespace {

using namespace veltrane;

using Interlace = Status (*)(const Calibration&, int, const cv::Mat&, const cv::Mat&, cv::Mat&, const EngineOptions&);

constexpr int UsualGeometry = -1;

// The rebuild of the calibrator's pitch frame at the benchmark's size, on the
// usual geometry or on one of the hard ones.
void rebuild(benchmark::State& bench, Interlace interlace, int geometry = UsualGeometry)
{
    const int width = static_cast<int>(bench.range(0));
    const int height = static_cast<int>(bench.range(1));
    const cv::Mat yellow(height, width, CV_8UC3, cv::Scalar(0, 255, 255));
    const cv::Mat magenta(height, width, CV_8UC3, cv::Scalar(255, 0, 255));
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

// The geometries the panel can reach that are hardest on the fast engine;
// each must stay within three times the same size's usual rebuild.
void BM_PitchFrameFastHard(benchmark::State& bench)
{
    rebuild(bench, interlaceTwoViews, static_cast<int>(bench.range(2)));
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
        if (width == 1920 || width == 3840 || smokeRun())
            for (int geometry = 0; geometry <= static_cast<int>(HardGeometry::SteepestLargestPitch); ++geometry)
                benchmark::RegisterBenchmark("BM_PitchFrameFastHard", BM_PitchFrameFastHard)
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
