// The two weightings side by side, in one run: (a) 16 views composed at once
// (interlaceViews) and (b) a 45-view quilt's tiles through a view table
// compiled beforehand (the player's path), at 1920 x 1080 and 3840 x 2160,
// each composition checked against the reference engine in a smoke run.
// Arguments: the weighting (0 lines, 1 full) and the output's height.
#include "bench_support.h"

#include "veltrane/engine/view_table.h"

#include <opencv2/imgproc.hpp>

using namespace veltrane;

namespace {

const Calibration Lens{6, 1152, 8.0, true};

Weighting weightingOf(const benchmark::State& bench)
{
    return bench.range(0) == 0 ? Weighting::Lines : Weighting::Full;
}

cv::Size sizeOf(const benchmark::State& bench)
{
    const cv::Size size = bench.range(1) == 1080 ? cv::Size(1920, 1080) : cv::Size(3840, 2160);
    return smokeRun() ? cv::Size(size.width / 10, size.height / 10) : size;
}

std::vector<cv::Mat> randomImages(int count, cv::Size size)
{
    std::vector<cv::Mat> images;
    cv::RNG random(17);
    for (int v = 0; v < count; ++v) {
        images.emplace_back(size, CV_8UC3);
        random.fill(images.back(), cv::RNG::UNIFORM, 0, 256);
        cv::GaussianBlur(images.back(), images.back(), {5, 5}, 2);
    }
    return images;
}

void checkComposition(benchmark::State& bench, const cv::Mat& composed, const std::vector<cv::Mat>& views,
                      const EngineOptions& options)
{
    if (!smokeRun())
        return;
    cv::Mat reference;
    if (interlaceViewsReference(Lens, views, reference, options) != Status::Done)
        return bench.SkipWithError("the reference engine refused");
    checkAgainstReference(bench, composed.data, reference.data, reference.total() * 3);
}

void BM_WeightingViews(benchmark::State& bench)
{
    EngineOptions options;
    options.weighting = weightingOf(bench);
    const std::vector<cv::Mat> views = randomImages(16, sizeOf(bench));
    cv::Mat composed;
    for (auto _ : bench)
        if (interlaceViews(Lens, views, composed, options) != Status::Done)
            return bench.SkipWithError("not composed");
    checkComposition(bench, composed, views, options);
}

void BM_WeightingQuiltTable(benchmark::State& bench)
{
    EngineOptions options;
    options.weighting = weightingOf(bench);
    const cv::Size size = sizeOf(bench);
    const std::vector<cv::Mat> tiles = randomImages(45, {size.width / 6, size.height / 6});
    ViewTable table;
    if (table.compile(Lens, size, 45, options, std::size_t{2} << 30) != Status::Done)
        return bench.SkipWithError("no table");
    cv::Mat composed;
    for (auto _ : bench)
        if (table.compose(Lens, tiles, composed) != Status::Done)
            return bench.SkipWithError("not composed");
    bench.counters["table_bytes"] = static_cast<double>(table.bytes());
    if (!smokeRun())
        return;
    checkComposition(bench, composed, enlargedNearest(tiles, size), options);
}

} // namespace

BENCHMARK(BM_WeightingViews)->ArgsProduct({{0, 1}, {1080, 2160}})->Unit(benchmark::kMillisecond)->UseRealTime()
    ->Repetitions(smokeRun() ? 1 : 5)->ReportAggregatesOnly(true);
BENCHMARK(BM_WeightingQuiltTable)->ArgsProduct({{0, 1}, {1080, 2160}})->Unit(benchmark::kMillisecond)->UseRealTime()
    ->Repetitions(smokeRun() ? 1 : 5)->ReportAggregatesOnly(true);
