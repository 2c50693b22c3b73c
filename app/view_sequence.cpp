#include "app/view_sequence.h"

#include "app/calibration_state.h"
#include "app/calibrator_lens.h"
#include "app/mask_memory.h"
#include "app/view_files.h"
#include "engine/fast_interlace.h"
#include "engine/simd_kernels.h"

#include <opencv2/core/utility.hpp>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <thread>
#include <vector>

#include <sys/mman.h>

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

// One block for every decoded view, kept in subpixel order, on huge pages where the system gives
// them: decoding a long sequence then does not fault in page after page.
class ViewStore {
public:
    ViewStore(int views, cv::Size size) : size_(size), imageBytes_(size.area() * std::size_t{3})
    {
        constexpr std::size_t HugePage = std::size_t{2} << 20;
        bytes_ = (imageBytes_ * views + HugePage - 1) / HugePage * HugePage;
        data_ = static_cast<unsigned char*>(std::aligned_alloc(HugePage, bytes_));
        if (data_ != nullptr)
            madvise(data_, bytes_, MADV_HUGEPAGE);
    }
    ~ViewStore() { std::free(data_); }
    ViewStore(const ViewStore&) = delete;
    ViewStore& operator=(const ViewStore&) = delete;

    bool valid() const { return data_ != nullptr; }
    cv::Mat view(int i) const { return cv::Mat(size_, CV_8UC3, data_ + imageBytes_ * i); }

private:
    cv::Size size_;
    std::size_t imageBytes_;
    std::size_t bytes_ = 0;
    unsigned char* data_ = nullptr;
};

// The number of files from view 0 on that exist, as far as the sequence goes.
int countFiles(const std::string& extension)
{
    int count = 1;
    while (viewFileExists(viewFileName(count, extension)))
        ++count;
    return count;
}

// Decodes views 1 to count - 1 into the store, one thread per processor, and
// returns how many views from 0 on loaded with view 0's size. A view that
// cannot be read or has another size ends the sequence, with a line that
// says so.
int loadViews(const ViewStore& store, int count, const std::string& extension)
{
    std::vector<char> loaded(count, 0);
    std::vector<cv::Mat> others(count);
    std::vector<std::string> problems(count);
    const int threads = std::max(1, std::min(count - 1, cv::getNumberOfCPUs()));
    auto decode = [&](int first) {
        for (int i = first; i < count; i += threads) {
            cv::Mat target = store.view(i);
            loaded[i] = loadViewInto(viewFileName(i, extension), target, others[i], problems[i]) ? 1 : 0;
        }
    };
    std::vector<std::thread> helpers;
    for (int t = 2; t <= threads; ++t)
        helpers.emplace_back(decode, t);
    decode(1);
    for (std::thread& helper : helpers)
        helper.join();

    int views = 1;
    while (views < count && loaded[views])
        ++views;
    if (views < count && !problems[views].empty())
        sayUnreadable(viewFileName(views, extension), problems[views], ": the sequence ends before it");
    else if (views < count && !others[views].empty())
        say(viewFileName(views, extension) + " is " + sizeText(others[views]) + ", view 0 is " +
            sizeText(store.view(0)) + ": the sequence ends before it");
    return views;
}

void sayOutOfMemory()
{
    std::printf("\n---out of memory---\n");
    std::fflush(stdout);
}

bool compose(cv::Mat& composed)
{
    std::string extension;
    cv::Mat first;
    {
        const QuietStandardError quiet;
        first = loadFirstView(extension);
    }
    if (first.empty())
        return false;
    const int files = countFiles(extension);
    const ViewStore store(files, first.size());
    if (!store.valid()) {
        sayOutOfMemory();
        return false;
    }
    crossSubpixelOrder(first.data, store.view(0).data, first.total() * 3);
    int views = 0;
    {
        const QuietStandardError quiet;
        views = loadViews(store, files, extension);
    }
    // The composition has the views' size and count; the calibrator's own
    // width, height and view count stay as they are.
    const LensGeometry lens = calibratorLens(first.cols, first.rows, views, true);

    // Image i goes through mask i, or through mask n - 1 - i in reverse.
    const bool reverse = state.mode == ModeViewsReverse;
    std::vector<const unsigned char*> sources(views);
    for (int i = 0; i < views; ++i)
        sources[reverse ? views - 1 - i : i] = store.view(i).data;
    cv::Mat output(first.size(), CV_8UC3);
    const EngineStatus status = interlaceViewsFast(lens, sources.data(), output.data, calibratorAllocator());
    if (status != EngineStatus::Done) {
        reportEngineFailure(static_cast<int>(status));
        return false;
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
        sayOutOfMemory();
    } catch (const cv::Exception&) { // OpenCV's own allocations fail this way
        sayOutOfMemory();
    }
    state.mode = state.savedMode;
    return shown;
}
