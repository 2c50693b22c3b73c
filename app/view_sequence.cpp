#include "app/view_sequence.h"

#include "app/calibration_state.h"
#include "app/calibrator_lens.h"
#include "app/mask_memory.h"
#include "app/view_decoder.h"
#include "app/view_files.h"
#include "engine/fast_interlace.h"

#include <opencv2/core/utility.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <vector>

namespace {

void say(const std::string& line)
{
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

std::string sizeText(const cv::Mat& image)
{
    return std::to_string(image.cols) + " x " + std::to_string(image.rows);
}

void sayUnreadable(const std::string& name, const std::string& problem, const char* consequence)
{
    say(name + " cannot be read: " + problem + consequence);
}

// View 0 as JPEG, else as PNG (whose name is printed); empty when neither loads.
cv::Mat loadFirstView(std::string& extension)
{
    extension = ".jpg";
    std::string problem;
    cv::Mat first = loadViewImage(viewFileName(0, extension), problem);
    if (!first.empty())
        return first;
    if (!problem.empty())
        sayUnreadable(viewFileName(0, extension), problem, "");
    extension = ".png";
    const std::string name = viewFileName(0, extension);
    say(name);
    first = loadViewImage(name, problem);
    if (!problem.empty())
        sayUnreadable(name, problem, "");
    return first;
}

// The number of files from view 0 on that exist, as far as the sequence goes.
int countFiles(const std::string& extension)
{
    int count = 1;
    while (viewFileExists(viewFileName(count, extension)))
        ++count;
    return count;
}


// Views are added a few at a time (one pass over the output a group), as
// many as fit this much memory, while the next ones decode.
constexpr std::size_t GroupBudget = std::size_t{64} << 20;
constexpr std::size_t MaxGroup = 8;

// How a pass over the views ended: all added, a view that cannot be used
// (the sequence ends before it), or no memory.
struct Pass {
    int views;   // the views that can be used
    bool failed; // no memory (message printed)
};

// Adds view 0 and views 1 to count - 1 into output, streamed. A view that
// cannot be read or has another size ends the sequence, with a line that
// says so; the views before it were added for a sequence of count views, so
// the caller composes again with fewer.
Pass addViews(const cv::Mat& first, int count, const std::string& extension, cv::Mat& output)
{
    // The composition has the views' size and count (the calibrator's own
    // width, height and view count stay as they are), and takes the views in
    // subpixel order: the decoders cross them, view 0 is crossed here.
    const LensGeometry lens = calibratorLens(first.cols, first.rows, count, true);
    const bool reverse = state.mode == ModeViewsReverse; // image i through mask n - 1 - i
    std::vector<std::string> names;
    for (int i = 1; i < count; ++i)
        names.push_back(viewFileName(i, extension));
    const std::size_t group =
        std::clamp<std::size_t>(GroupBudget / (first.total() * std::size_t{3}), 1, MaxGroup);
    const int threads = std::max(1, cv::getNumberOfCPUs());
    ViewDecoder decoder(names, threads, threads + static_cast<int>(group), true);

    cv::Mat crossed;
    cv::cvtColor(first, crossed, cv::COLOR_BGR2RGB);
    std::vector<cv::Mat> images{crossed};
    std::vector<int> masks{reverse ? count - 1 : 0};
    for (int i = 1; i <= count; ++i) {
        if (i == count || images.size() == group) {
            std::vector<const unsigned char*> sources;
            for (const cv::Mat& image : images)
                sources.push_back(image.data);
            const EngineStatus status = addViewsFast(lens, masks.data(), sources.data(), static_cast<int>(masks.size()),
                                                     output.data, calibratorAllocator());
            if (status != EngineStatus::Done) {
                reportEngineFailure(static_cast<int>(status));
                return {i, true};
            }
            images.clear();
            masks.clear();
        }
        if (i == count)
            break;
        std::string problem;
        const cv::Mat image = decoder.take(i - 1, problem);
        if (image.empty()) {
            sayUnreadable(viewFileName(i, extension), problem, ": the sequence ends before it");
            return {i, false};
        }
        if (image.size() != first.size()) {
            say(viewFileName(i, extension) + " is " + sizeText(image) + ", view 0 is " + sizeText(first) +
                ": the sequence ends before it");
            return {i, false};
        }
        images.push_back(image);
        masks.push_back(reverse ? count - 1 - i : i);
    }
    return {count, false};
}

bool compose(cv::Mat& composed)
{
    const QuietStandardError quiet; // while the image libraries decode
    std::string extension;
    const cv::Mat first = loadFirstView(extension);
    if (first.empty())
        return false;
    int views = countFiles(extension);
    cv::Mat output(first.size(), CV_8UC3);
    for (;;) {
        output.setTo(cv::Scalar::all(0));
        const Pass pass = addViews(first, views, extension, output);
        if (pass.failed)
            return false;
        if (pass.views == views)
            break;
        views = pass.views; // the masks depend on the number of views: once more with fewer
    }
    composed = output;
    return true;
}

} // namespace

bool interlaceViewSequence(cv::Mat& composed)
{
    composed.release();
    bool shown = false;
    try {
        shown = compose(composed);
    } catch (const std::bad_alloc&) {
        reportEngineFailure(static_cast<int>(EngineStatus::NoMaskArray)); // "---out of memory---"
    } catch (const cv::Exception&) { // OpenCV's own allocations fail this way
        reportEngineFailure(static_cast<int>(EngineStatus::NoMaskArray));
    }
    state.mode = state.savedMode;
    return shown;
}
