// The player's frame: composed from decoded views as veltrane-interlace
// composes them, (a) 1920 x 1080 from 16 views of that size and (b)
// 3840 x 2160 from a 45-view quilt (9 x 5 tiles of 640 x 360, the tiles
// enlarged as the interlacer enlarges them, or already enlarged), by the
// streaming engine and through a view table compiled beforehand, with (c)
// the table's compilation after a tuning key, next to the floor of one
// cv::remap of the output size; each composition checked against the
// reference engine in a smoke run.
#include "bench_support.h"

#include "veltrane/content/quilt.h"
#include "veltrane/player/content.h"
#include "veltrane/player/player.h"
#include "veltrane/content/view_stream.h"
#include "veltrane/engine/view_table.h"

#include <opencv2/imgproc.hpp>

#include <random>

using namespace veltrane;

namespace {

const veltrane::Calibration Lens{6, 1152, 8.0, true};

cv::Size outputSize(int width, int height)
{
    return smokeRun() ? cv::Size(width / 10, height / 10) : cv::Size(width, height);
}

std::vector<cv::Mat> randomViews(int views, cv::Size size)
{
    std::mt19937 random(31);
    std::vector<cv::Mat> images;
    for (int v = 0; v < views; ++v) {
        images.emplace_back(size, CV_8UC3);
        cv::randu(images.back(), 0, 256);
        cv::GaussianBlur(images.back(), images.back(), {5, 5}, 2);
    }
    return images;
}

void checkFrame(benchmark::State& bench, const cv::Mat& composed, const std::vector<cv::Mat>& views,
                veltrane::ChannelOrder order, veltrane::Weighting weighting = veltrane::Weighting::Full)
{
    if (!smokeRun())
        return;
    std::vector<cv::Mat> bgr(views.size());
    for (std::size_t v = 0; v < views.size(); ++v)
        if (order == veltrane::ChannelOrder::Rgb)
            cv::cvtColor(views[v], bgr[v], cv::COLOR_RGB2BGR);
        else
            bgr[v] = views[v];
    cv::Mat reference;
    veltrane::EngineOptions options;
    options.weighting = weighting;
    veltrane::interlaceViewsReference(Lens, bgr, reference, options);
    checkAgainstReference(bench, composed.data, reference.data, reference.total() * 3);
}

// (a): 16 decoded views at the output size.
void BM_PlayerFrameFromViews(benchmark::State& bench)
{
    const cv::Size size = outputSize(1920, 1080);
    ContentFrame frame;
    frame.views = randomViews(16, size);
    Tuning tuning{Lens, false, 0};
    cv::Mat composed;
    for (auto _ : bench) {
        composed = composeFrame(frame, tuning, size);
        benchmark::DoNotOptimize(composed.data);
    }
    checkFrame(bench, composed, frame.views, frame.order);
}

// (b): a quilt's 45 tiles, enlarged to the output size while composing (Arg 1, as the player does, a few
// at a time) or enlarged beforehand (Arg 0: the composition alone).
void BM_PlayerFrameFromQuilt(benchmark::State& bench)
{
    const cv::Size size = outputSize(3840, 2160);
    const cv::Size tile(size.width / 6, size.height / 6);
    const std::vector<cv::Mat> tiles = randomViews(45, tile);
    cv::Mat quilt(tile.height * 5, tile.width * 9, CV_8UC3);
    for (int v = 0; v < 45; ++v)
        tiles[v].copyTo(quilt(cv::Rect(tile.width * (v % 9), tile.height * (4 - v / 9), tile.width, tile.height)));
    ContentFrame enlarged;
    enlarged.order = veltrane::ChannelOrder::Rgb;
    for (int v = 0; v < 45; ++v)
        enlarged.views.push_back(veltrane::atSize(quiltTile(quilt, 9, 5, v, false), size));
    ContentFrame tiled;
    tiled.quilt = {quilt, 9, 5, false};
    const ContentFrame& frame = bench.range(0) == 1 ? tiled : enlarged;
    Tuning tuning{Lens, false, 0};
    cv::Mat composed;
    for (auto _ : bench) {
        composed = composeFrame(frame, tuning, size);
        benchmark::DoNotOptimize(composed.data);
    }
    checkFrame(bench, composed, enlarged.views, enlarged.order);
}

// (a) through the view table compiled beforehand.
void BM_PlayerTableFromViews(benchmark::State& bench)
{
    const cv::Size size = outputSize(1920, 1080);
    const std::vector<cv::Mat> views = randomViews(16, size);
    veltrane::ViewTable table;
    if (table.compile(Lens, size, 16) != veltrane::Status::Done)
        return bench.SkipWithError("no table");
    cv::Mat composed;
    for (auto _ : bench) {
        table.compose(Lens, views, composed);
        benchmark::DoNotOptimize(composed.data);
    }
    bench.counters["table_bytes"] = static_cast<double>(table.bytes());
    checkFrame(bench, composed, views, veltrane::ChannelOrder::Bgr, veltrane::Weighting::Lines);
}

// A lens for the 45-view quilt at the benchmark's pitch (argument 0, in
// subpixel columns): 8 is the lens of the other benchmarks, 17 one of a
// 45-view display's usual pitches, 45 one view a column.
veltrane::Calibration quiltLens(const benchmark::State& bench)
{
    veltrane::Calibration lens = Lens;
    lens.pitch = static_cast<double>(bench.range(0));
    return lens;
}

// (b) through the view table, the quilt's tiles read in place (nearest pixels).
void BM_PlayerTableFromQuilt(benchmark::State& bench)
{
    const cv::Size size = outputSize(3840, 2160);
    const cv::Size tile(size.width / 6, size.height / 6);
    const std::vector<cv::Mat> tiles = randomViews(45, tile);
    const veltrane::Calibration lens = quiltLens(bench);
    veltrane::ViewTable table;
    veltrane::EngineOptions full;
    full.weighting = veltrane::Weighting::Full;
    if (table.compile(lens, size, 45, full, std::size_t{2} << 30) != veltrane::Status::Done)
        return bench.SkipWithError("no table");
    cv::Mat composed;
    for (auto _ : bench) {
        table.compose(lens, tiles, composed);
        benchmark::DoNotOptimize(composed.data);
    }
    bench.counters["table_bytes"] = static_cast<double>(table.bytes());
    if (!smokeRun())
        return;
    cv::Mat reference;
    veltrane::interlaceViewsReference(lens, enlargedNearest(tiles, size), reference, full);
    checkAgainstReference(bench, composed.data, reference.data, reference.total() * 3);
}

// (c) the table compiled again after a pitch key (0.0001 a time) at
// 3840 x 2160, 45 views, into the memory of the last one, as the player does.
void BM_PlayerTableCompile(benchmark::State& bench)
{
    const cv::Size size = outputSize(3840, 2160);
    veltrane::Calibration lens = quiltLens(bench);
    veltrane::ViewTable table;
    veltrane::EngineOptions full;
    full.weighting = veltrane::Weighting::Full;
    table.compile(lens, size, 45, full, std::size_t{2} << 30);
    for (auto _ : bench) {
        lens.pitch += 0.0001;
        if (table.compile(lens, size, 45, full, std::size_t{2} << 30) != veltrane::Status::Done)
            return bench.SkipWithError("no table");
    }
}

// The floor: one remap of the output size from one view (the work a GPU
// shader's nearest-view lookup amounts to on the processor).
void BM_PlayerRemapFloor(benchmark::State& bench)
{
    const cv::Size size = outputSize(bench.range(0), bench.range(1));
    const cv::Mat view = randomViews(1, size).front();
    cv::Mat mapX(size, CV_32FC1);
    cv::Mat mapY(size, CV_32FC1);
    for (int y = 0; y < size.height; ++y)
        for (int x = 0; x < size.width; ++x) {
            mapX.at<float>(y, x) = static_cast<float>((x * 7) % size.width);
            mapY.at<float>(y, x) = static_cast<float>(y);
        }
    cv::Mat out;
    for (auto _ : bench) {
        cv::remap(view, out, mapX, mapY, cv::INTER_NEAREST);
        benchmark::DoNotOptimize(out.data);
    }
}

BENCHMARK(BM_PlayerFrameFromViews)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(smokeRun() ? 1 : 5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_PlayerFrameFromQuilt)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()
    ->Repetitions(smokeRun() ? 1 : 5)->ReportAggregatesOnly(true);
BENCHMARK(BM_PlayerTableFromViews)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(smokeRun() ? 1 : 5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_PlayerTableFromQuilt)->Arg(8)->Arg(17)->Arg(45)->Unit(benchmark::kMillisecond)->UseRealTime()
    ->Repetitions(smokeRun() ? 1 : 5)->ReportAggregatesOnly(true);
BENCHMARK(BM_PlayerTableCompile)->Arg(8)->Arg(17)->Arg(45)->Unit(benchmark::kMillisecond)->UseRealTime()
    ->Repetitions(smokeRun() ? 1 : 3)->ReportAggregatesOnly(true);
BENCHMARK(BM_PlayerRemapFloor)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMillisecond)->UseRealTime()
    ->Repetitions(smokeRun() ? 1 : 5)->ReportAggregatesOnly(true);

} // namespace
