#include "veltrane/calibrator/view_sequence.h"

#include "veltrane/calibrator/engine_messages.h"
#include "veltrane/records/value_text.h"
#include "veltrane/records/view_files.h"
#include "veltrane/content/view_stream.h"

#include <cstdio>
#include <filesystem>
#include <new>
#include <string>
#include <vector>

namespace veltrane {

using veltrane::loadViewImage;
using veltrane::viewFileExists;
using veltrane::viewFileName;

namespace {

void say(std::FILE* out, const std::string& line)
{
    std::fprintf(out, "%s\n", line.c_str());
    std::fflush(out);
}

void sayUnreadable(std::FILE* out, const std::string& name, const std::string& problem, const char* consequence)
{
    say(out, name + " cannot be read: " + problem + consequence);
}

std::string workingFolder()
{
    std::error_code error;
    const std::string folder = std::filesystem::current_path(error).string();
    return error ? std::string("the working folder") : folder;
}

// View 0 as JPEG, else as PNG (whose name is printed); empty when neither loads.
cv::Mat loadFirstView(std::string& extension, std::FILE* report)
{
    extension = ".jpg";
    std::string problem;
    cv::Mat first = loadViewImage(viewFileName(0, extension), problem);
    if (!first.empty())
        return first;
    if (!problem.empty())
        sayUnreadable(report, viewFileName(0, extension), problem, "");
    extension = ".png";
    const std::string name = viewFileName(0, extension);
    say(report, name);
    first = loadViewImage(name, problem);
    if (!problem.empty())
        sayUnreadable(report, name, problem, "");
    else if (first.empty() && !viewFileExists(viewFileName(0, ".jpg")))
        say(report, "no views: neither " + viewFileName(0, ".jpg") + " nor " + name + " is in " + workingFolder() +
            " (see \"Your own views\" in docs/veltrane-calibrator.md)");
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

// Views are added at most this many at a time (one pass over the output a
// group), while the next ones decode.
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
Pass addViews(const CalibrationState& state, const veltrane::MaskAllocator& allocator, const cv::Mat& first, int count,
              const std::string& extension, cv::Mat& output, std::FILE* report)
{
    // The composition has the views' size and count (the calibrator's own
    // width, height and view count stay as they are).
    veltrane::StreamPlan plan;
    for (int i = 0; i < count; ++i)
        plan.files.push_back(viewFileName(i, extension));
    plan.viewsPerFrame = count;
    plan.viewSize = first.size();
    plan.maxGroup = MaxGroup;
    plan.first = first;
    std::vector<int> viewOf(count); // reversed: image i through mask n - 1 - i
    for (int i = 0; i < count; ++i)
        viewOf[i] = state.mode == ModeViewsReverse ? count - 1 - i : i;
    veltrane::EngineOptions options;
    options.allocator = allocator;
    veltrane::ViewStream stream(plan);
    const veltrane::StreamFault fault = stream.composeFrame(calibrationInForce(state), count, viewOf, output, options);
    const int at = static_cast<int>(fault.file);
    switch (fault.kind) {
    case veltrane::StreamFault::Kind::None:
        return {count, false};
    case veltrane::StreamFault::Kind::Unreadable:
        sayUnreadable(report, plan.files[at], fault.problem, ": the sequence ends before it");
        return {at, false};
    case veltrane::StreamFault::Kind::WrongSize:
        say(report, plan.files[at] + " is " + sizeText(fault.size) + ", view 0 is " + sizeText(first.size()) +
            ": the sequence ends before it");
        return {at, false};
    case veltrane::StreamFault::Kind::NoMemory:
        break;
    }
    reportEngineFailure(fault.status, report);
    return {at, true};
}

bool compose(const CalibrationState& state, const veltrane::MaskAllocator& allocator, cv::Mat& composed,
             std::FILE* report)
{
    std::string extension;
    const cv::Mat first = loadFirstView(extension, report);
    if (first.empty())
        return false;
    int views = countFiles(extension);
    cv::Mat output(first.size(), CV_8UC3);
    for (;;) {
        output.setTo(cv::Scalar::all(0));
        const Pass pass = addViews(state, allocator, first, views, extension, output, report);
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

bool interlaceViewSequence(CalibrationState& state, const veltrane::MaskAllocator& allocator, cv::Mat& composed,
                           std::FILE* report)
{
    composed.release();
    bool shown = false;
    try {
        shown = compose(state, allocator, composed, report);
    } catch (const std::bad_alloc&) {
        reportEngineFailure(veltrane::Status::NoMaskArray, report); // "---out of memory---"
    } catch (const cv::Exception&) { // OpenCV's own allocations fail this way
        reportEngineFailure(veltrane::Status::NoMaskArray, report);
    }
    state.mode = state.savedMode;
    return shown;
}

} // namespace veltrane
