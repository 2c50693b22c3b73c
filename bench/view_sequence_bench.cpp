// The view-sequence composition of 16 JPEG views of 1920 x 1080, against
// decoding the same 16 files once, one after the other.
#include "bench_support.h"

#include "veltrane/core/calibration_state.h"
#include "veltrane/records/view_files.h"
#include "veltrane/calibrator/view_sequence.h"
#include "veltrane/calibrator/engine_messages.h"

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <filesystem>
#include <random>

#include <unistd.h>

using namespace veltrane;

namespace {

constexpr int Views = 16;

// A temporary folder holding pic/ with the 16 views, made once per run.
class SequenceFolder {
public:
    SequenceFolder() : previous_(std::filesystem::current_path())
    {
        root_ = std::filesystem::temp_directory_path() / ("veltrane-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(root_ / "pic");
        std::filesystem::current_path(root_);
        std::mt19937 random(7);
        for (int i = 0; i < Views; ++i)
            cv::imwrite(veltrane::viewFileName(i, ".jpg"), view(i, random));
    }
    ~SequenceFolder()
    {
        std::error_code error;
        std::filesystem::current_path(previous_, error);
        std::filesystem::remove_all(root_, error);
    }

private:
    // A photograph-like view: smooth gradients, shapes and some noise.
    static cv::Mat view(int index, std::mt19937& random)
    {
        cv::Mat image(1080, 1920, CV_8UC3);
        for (int y = 0; y < image.rows; ++y)
            image.row(y).setTo(cv::Scalar(40 + y / 8, 90 + index * 5, 200 - y / 6));
        for (int k = 0; k < 40; ++k) {
            const cv::Point centre(static_cast<int>(random() % 1920) + index * 3, static_cast<int>(random() % 1080));
            cv::circle(image, centre, 20 + static_cast<int>(random() % 120),
                       cv::Scalar(random() % 256, random() % 256, random() % 256), cv::FILLED, cv::LINE_AA);
        }
        cv::Mat noise(image.size(), CV_8UC3);
        cv::randn(noise, 0, 6);
        image += noise;
        return image;
    }

    std::filesystem::path previous_;
    std::filesystem::path root_;
};

SequenceFolder& folder()
{
    static SequenceFolder instance;
    return instance;
}

void BM_ViewSequenceComposition(benchmark::State& bench)
{
    folder();
    PeakCounter counter;
    cv::Mat composed;
    CalibrationState state;
    for (auto _ : bench) {
        state = pitchModeState(1920, 1080);
        state.mode = ModeViewsForward;
        state.savedMode = ModeSlant;
        if (!interlaceViewSequence(state, counter.allocator(), composed, stdout))
            bench.SkipWithError("nothing composed");
        benchmark::DoNotOptimize(composed.data);
    }
    bench.counters["peak_bytes"] = static_cast<double>(counter.peak());
    if (smokeRun()) { // the same files through the reference engine
        std::vector<cv::Mat> images;
        for (int i = 0; i < Views; ++i)
            images.push_back(cv::imread(veltrane::viewFileName(i, ".jpg"), cv::IMREAD_COLOR));
        cv::Mat reference;
        veltrane::interlaceViewsReference(calibrationInForce(state), images, reference);
        checkAgainstReference(bench, composed.data, reference.data, reference.total() * 3);
    }
}

void BM_ViewSequenceDecodeOnce(benchmark::State& bench)
{
    folder();
    for (auto _ : bench) {
        for (int i = 0; i < Views; ++i) {
            cv::Mat image = cv::imread(veltrane::viewFileName(i, ".jpg"), cv::IMREAD_COLOR);
            benchmark::DoNotOptimize(image.data);
        }
    }
}

BENCHMARK(BM_ViewSequenceComposition)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(smokeRun() ? 1 : 5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_ViewSequenceDecodeOnce)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(smokeRun() ? 1 : 5)
    ->ReportAggregatesOnly(true);

} // namespace
