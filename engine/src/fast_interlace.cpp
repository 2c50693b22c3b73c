#include "fast_interlace.h"

#include "blend.h"
#include "fast_frame.h"
#include "fast_workspace.h"
#include "full_rows.h"

#include <opencv2/core/utility.hpp>

#include <algorithm>
#include <atomic>
#include <vector>

namespace veltrane {

using namespace fast;

namespace {

// The reference path, for horizontal lines and empty frames; some views'
// shares are composed alone (the others black) and added.
Status interlaceByReference(const LensGeometry& lens, const unsigned char* const* sources,
                                  unsigned char* output, ViewSubset only, const MaskAllocator& allocator)
{
    if (only == nullptr)
        return interlaceViewsReference(lens, sources, output, allocator);
    const std::size_t bytes = static_cast<std::size_t>(std::max(lens.height, 0)) * std::max(lens.width, 0) * 3;
    std::vector<unsigned char> black(bytes, 0);
    std::vector<unsigned char> alone(bytes);
    std::vector<const unsigned char*> some(std::max(lens.viewCount, 0), black.data());
    for (std::size_t i = 0; i < only->size(); ++i)
        some[(*only)[i]] = sources[i];
    const Status status = interlaceViewsReference(lens, some.data(), alone.data(), allocator);
    if (status == Status::Done)
        for (std::size_t b = 0; b < bytes; ++b)
            output[b] = static_cast<unsigned char>(std::min(255, output[b] + alone[b]));
    return status;
}

// Frames the fast engine leaves to the reference, with solid colours: the
// reference reads images, so each colour is made one.
Status interlaceColoursByReference(const LensGeometry& lens, const unsigned char* const* colours,
                                   unsigned char* output, const MaskAllocator& allocator)
{
    const std::size_t pixels = static_cast<std::size_t>(std::max(lens.height, 0)) * std::max(lens.width, 0);
    std::vector<const unsigned char*> known;
    std::vector<std::vector<unsigned char>> images;
    std::vector<const unsigned char*> sources;
    for (int v = 0; v < std::max(lens.viewCount, 0); ++v) {
        const std::size_t i = std::find(known.begin(), known.end(), colours[v]) - known.begin();
        if (i == known.size()) {
            known.push_back(colours[v]);
            images.emplace_back(pixels * 3);
            for (std::size_t b = 0; b < pixels * 3; ++b)
                images.back()[b] = colours[v][b % 3];
        }
        sources.push_back(images[i].data());
    }
    return interlaceViewsReference(lens, sources.data(), output, allocator);
}

// The full weighting: a subset's sources at the places of their views, the others none.
Status composeFullOf(const LensGeometry& lens, const unsigned char* const* sources, unsigned char* output,
                     ViewSubset only)
{
    if (only == nullptr)
        return composeFull(lens, sources, output, false);
    std::vector<const unsigned char*> placed(lens.viewCount, nullptr);
    for (std::size_t i = 0; i < only->size(); ++i)
        placed[(*only)[i]] = sources[i];
    return composeFull(lens, placed.data(), output, true);
}

// A prepared frame composed (or its table compiled) by all threads.
Status run(Frame& frame, const MaskAllocator& allocator)
{
    const LensGeometry& lens = frame.lens;
    const int threads = lens.threads > 0 ? lens.threads : cv::getNumThreads();
    const int bandCount = std::max(1, std::min(threads, lens.height));
    std::vector<Strip> strips = cutStrips(frame, bandCount);
    if (frame.table != nullptr) {
        frame.table->strips = static_cast<int>(strips.size());
        frame.table->segments->resize(strips.size() * lens.height); // each keeps its memory
        for (ViewTableSegment& segment : *frame.table->segments)
            segment.starts.clear(); // a row no line reaches has no bytes
    }
    Workspace workspace(allocator);
    if (!workspace.allocate(frame, strips, bandCount))
        return Status::NoMaskMemory;
    describeLines(frame);
    std::atomic<int> next{0};
    cv::parallel_for_(cv::Range(0, bandCount), [&](const cv::Range& range) {
        for (int i = range.start; i < range.end; ++i)
            composeChunks(frame, workspace.bands[i], strips, next);
    }, bandCount);
    return Status::Done;
}

// The composition of all views, or with a subset the shares of those views
// alone (sources[i] for the i-th of them) added into the output.
Status interlace(const LensGeometry& lens, const unsigned char* const* sources, unsigned char* output,
                       ViewSubset only, const MaskAllocator& allocator)
{
    if (lens.viewCount <= 0 || lens.width <= 0 || lens.height <= 0)
        return interlaceByReference(lens, sources, output, only, allocator);
    if (lens.weighting == Weighting::Full)
        return composeFullOf(lens, sources, output, only);

    Frame frame;
    frame.lens = lens;
    frame.sources = sources;
    frame.output = output;
    frame.adding = only != nullptr;
    if (!prepareFrame(frame, only))
        return interlaceByReference(lens, sources, output, only, allocator);
    return run(frame, allocator);
}

} // namespace

Status compileViewTableFast(const LensGeometry& lens, TableRecord& table, const MaskAllocator& allocator)
{
    if (lens.viewCount <= 0 || lens.width <= 0 || lens.height <= 0)
        return Status::UnsupportedGeometry;
    if (lens.weighting == Weighting::Full)
        return compileFullTable(lens, table);
    const std::vector<const unsigned char*> none(lens.viewCount, nullptr);
    Frame frame;
    frame.lens = lens;
    frame.lens.subpixelOrder = !lens.panelBgr; // nothing to cross
    frame.sources = none.data();
    frame.table = &table;
    if (!prepareFrame(frame, nullptr))
        return Status::UnsupportedGeometry;
    frame.direct = false; // every view's bytes through its mask row
    const Status status = run(frame, allocator);
    if (status == Status::Done && table.tooSpread.load())
        return Status::UnsupportedGeometry;
    return status == Status::Done && table.tooLarge.load() ? Status::NoMaskMemory : status;
}

Status interlaceColoursFast(const LensGeometry& lens, const unsigned char* const* colours, unsigned char* output,
                            const MaskAllocator& allocator)
{
    if (lens.viewCount <= 0 || lens.width <= 0 || lens.height <= 0)
        return interlaceColoursByReference(lens, colours, output, allocator);
    if (lens.weighting == Weighting::Full)
        return composeFull(lens, colours, output, false, FullSources::Colours);
    Frame frame;
    frame.lens = lens;
    frame.sources = colours;
    frame.output = output;
    frame.solid = true;
    if (!prepareFrame(frame, nullptr))
        return interlaceColoursByReference(lens, colours, output, allocator);
    return run(frame, allocator);
}

Status interlaceViewsFast(const LensGeometry& lens, const unsigned char* const* sources, unsigned char* output,
                                const MaskAllocator& allocator)
{
    return interlace(lens, sources, output, nullptr, allocator);
}

Status addViewsFast(const LensGeometry& lens, const int* views, const unsigned char* const* sources, int count,
                          unsigned char* output, const MaskAllocator& allocator)
{
    // Ascending, once each, and only views the lenses have (others add nothing).
    std::vector<std::pair<int, const unsigned char*>> chosen;
    for (int i = 0; i < count; ++i)
        if (views[i] >= 0 && views[i] < lens.viewCount)
            chosen.emplace_back(views[i], sources[i]);
    std::sort(chosen.begin(), chosen.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    chosen.erase(std::unique(chosen.begin(), chosen.end(),
                             [](const auto& a, const auto& b) { return a.first == b.first; }),
                 chosen.end());
    if (chosen.empty())
        return Status::Done;
    std::vector<int> subset;
    std::vector<const unsigned char*> subsetSources;
    for (const auto& [view, source] : chosen) {
        subset.push_back(view);
        subsetSources.push_back(source);
    }
    return interlace(lens, subsetSources.data(), output, &subset, allocator);
}

} // namespace veltrane
