// Composition on the GPU beside the processor's, in one run: a quilt of 16
// or 45 views (tiles a fifth of the panel's sides, read to their nearest
// pixels) composed at 1920 x 1080, 3840 x 2160 and 7680 x 4320 into a
// framebuffer (the time until the GPU has finished), and a recompilation
// after a geometry key (the table compiled, laid out and uploaded), each
// beside the processor's view table doing the same. The GPU's frames are
// checked against the processor's in a smoke run; GL_RENDERER is printed
// first. bench/gpu.sh runs these alone.
#include "bench_support.h"

#include "veltrane/content/quilt.h"
#include "veltrane/egl/headless_context.h"
#include "veltrane/engine/view_table.h"
#include "veltrane/gpu/gpu_compositor.h"
#include "veltrane/gpu/gpu_framebuffer.h"

#include <epoxy/gl.h>

#include <cstdio>
#include <numeric>

using namespace veltrane;

namespace {

const Calibration Lens{6, 1152, 8.0, true, 0.4};
// An 8K table of 45 views takes a few gigabytes (the GPU's layout as much again).
constexpr std::size_t TableBudget = std::size_t{8} << 30;

// The headless context and compositor every GPU benchmark shares.
struct Gpu {
    HeadlessContext context;
    GpuCompositor compositor;
    GpuFramebuffer framebuffer;
    bool ready = false;

    Gpu()
    {
        std::string problem;
        ready = context.open(problem) && compositor.start() == GpuStatus::Done;
        if (ready)
            std::printf("GL_RENDERER: %s\n", compositor.renderer().c_str());
        else
            std::printf("no GPU context: %s %s\n", problem.c_str(), compositor.log().c_str());
    }
};

Gpu& gpu()
{
    static Gpu shared;
    return shared;
}

cv::Size panel(int width)
{
    const cv::Size size(width, width * 9 / 16);
    return smokeRun() ? cv::Size(size.width / 10, size.height / 10) : size;
}

struct Quilt {
    cv::Mat image;
    int columns = 0;
    int rows = 0;
    std::vector<int> viewOf;
};

Quilt quiltFor(cv::Size size, int views)
{
    Quilt quilt;
    quilt.columns = views == 45 ? 9 : 4;
    quilt.rows = views / quilt.columns;
    quilt.image.create(size.height / 5 * quilt.rows, size.width / 5 * quilt.columns, CV_8UC3);
    cv::randu(quilt.image, 0, 256);
    quilt.viewOf.resize(static_cast<std::size_t>(views));
    std::iota(quilt.viewOf.begin(), quilt.viewOf.end(), 0);
    return quilt;
}

cv::Mat onTheProcessor(const ViewTable& table, const Quilt& quilt)
{
    cv::Mat frame;
    table.compose(Lens, tilesByView(quilt.image, quilt.columns, quilt.rows, false, quilt.viewOf), frame,
                  ChannelOrder::Rgb);
    return frame;
}

void BM_GpuComposeQuilt(benchmark::State& state)
{
    Gpu& g = gpu();
    const cv::Size size = panel(static_cast<int>(state.range(0)));
    const int views = static_cast<int>(state.range(1));
    const Quilt quilt = quiltFor(size, views);
    if (!g.ready)
        return state.SkipWithError("no GPU context");
    GpuStatus status = g.compositor.compile(Lens, size, views, {}, TableBudget);
    if (status == GpuStatus::Done)
        status = g.compositor.setQuilt(quilt.image, quilt.columns, quilt.rows, false, quilt.viewOf);
    if (status == GpuStatus::Done)
        status = g.framebuffer.make(size);
    if (status != GpuStatus::Done)
        return state.SkipWithError(gpuStatusText(status));
    GpuTarget target;
    target.topRowFirst = true;
    for (auto _ : state) {
        g.compositor.compose(Lens, target);
        glFinish();
    }
    if (smokeRun()) {
        ViewTable table;
        table.compile(Lens, size, views, {}, TableBudget);
        cv::Mat frame;
        g.framebuffer.read(frame);
        const cv::Mat expected = onTheProcessor(table, quilt);
        checkAgainstReference(state, frame.data, expected.data, expected.total() * 3);
    }
}

void BM_CpuComposeQuilt(benchmark::State& state)
{
    const cv::Size size = panel(static_cast<int>(state.range(0)));
    const int views = static_cast<int>(state.range(1));
    const Quilt quilt = quiltFor(size, views);
    ViewTable table;
    if (table.compile(Lens, size, views, {}, TableBudget) != Status::Done)
        return state.SkipWithError("no table for this");
    for (auto _ : state)
        benchmark::DoNotOptimize(onTheProcessor(table, quilt).data);
}

// A tuning key's new geometry after the first: the table compiled and laid
// out (on the player's thread of its own) and uploaded (on the GL thread).
void BM_GpuRecompile(benchmark::State& state)
{
    Gpu& g = gpu();
    const cv::Size size = panel(static_cast<int>(state.range(0)));
    const int views = static_cast<int>(state.range(1));
    Calibration tuned = Lens;
    if (!g.ready)
        return state.SkipWithError("no GPU context");
    ViewTable compiled; // kept, as the player's thread keeps them
    GpuTable table;
    // The first compilation allocates; every key after it writes where it wrote.
    if (compiled.compile(tuned, size, views, {}, TableBudget) != Status::Done ||
        layOutTable(compiled, tuned, table, TableBudget) != GpuStatus::Done ||
        g.compositor.useTable(table) != GpuStatus::Done)
        return state.SkipWithError("the table could not be had");
    for (auto _ : state) {
        tuned.pitch += 0.0001;
        GpuStatus status = compiled.compile(tuned, size, views, {}, TableBudget) == Status::Done
                               ? layOutTable(compiled, tuned, table, TableBudget)
                               : GpuStatus::NoMemory;
        if (status == GpuStatus::Done)
            status = g.compositor.useTable(table);
        if (status != GpuStatus::Done)
            return state.SkipWithError(gpuStatusText(status));
        glFinish();
    }
}

// Of that, what the thread of its own does: the table compiled and laid out.
void BM_GpuTableOffThread(benchmark::State& state)
{
    const cv::Size size = panel(static_cast<int>(state.range(0)));
    const int views = static_cast<int>(state.range(1));
    Calibration tuned = Lens;
    ViewTable compiled;
    GpuTable table;
    if (compiled.compile(tuned, size, views, {}, TableBudget) != Status::Done ||
        layOutTable(compiled, tuned, table, TableBudget) != GpuStatus::Done)
        return state.SkipWithError("the table could not be had");
    for (auto _ : state) {
        tuned.pitch += 0.0001;
        const GpuStatus status = compiled.compile(tuned, size, views, {}, TableBudget) == Status::Done
                                     ? layOutTable(compiled, tuned, table, TableBudget)
                                     : GpuStatus::NoMemory;
        if (status != GpuStatus::Done)
            return state.SkipWithError(gpuStatusText(status));
    }
}

void BM_CpuRecompile(benchmark::State& state)
{
    const cv::Size size = panel(static_cast<int>(state.range(0)));
    const int views = static_cast<int>(state.range(1));
    Calibration tuned = Lens;
    ViewTable table;
    if (table.compile(tuned, size, views, {}, TableBudget) != Status::Done)
        return state.SkipWithError("the table could not be had");
    for (auto _ : state) {
        tuned.pitch += 0.0001;
        if (table.compile(tuned, size, views, {}, TableBudget) != Status::Done)
            return state.SkipWithError("the table could not be had");
    }
}

void sizes(benchmark::internal::Benchmark* bench)
{
    for (const int width : {1920, 3840, 7680})
        for (const int views : {16, 45})
            bench->Args({width, views});
    bench->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(smokeRun() ? 1 : 3);
}

} // namespace

BENCHMARK(BM_GpuComposeQuilt)->Apply(sizes);
BENCHMARK(BM_CpuComposeQuilt)->Apply(sizes);
BENCHMARK(BM_GpuRecompile)->Apply(sizes);
BENCHMARK(BM_GpuTableOffThread)->Apply(sizes);
BENCHMARK(BM_CpuRecompile)->Apply(sizes);
