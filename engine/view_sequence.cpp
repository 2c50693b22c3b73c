#include "engine/view_sequence.h"

#include "app/calibration_state.h"
#include "engine/blend.h"
#include "engine/view_files.h"
#include "engine/view_masks.h"

#include <cstdio>
#include <cstring>

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

// View 0 as JPEG, else as PNG (whose name is printed); empty when neither loads.
cv::Mat loadFirstView(std::string& extension)
{
    extension = ".jpg";
    cv::Mat first = loadViewImage(viewFileName(0, extension));
    if (!first.empty())
        return first;
    extension = ".png";
    const std::string name = viewFileName(0, extension);
    say(name);
    return loadViewImage(name);
}

// The number of consecutive views from 0 that load with view 0's size. A view
// of another size ends the sequence, with a line that says so.
int countViews(const std::string& extension, const cv::Mat& first)
{
    for (int i = 0;; ++i) {
        const std::string name = viewFileName(i, extension);
        const cv::Mat view = loadViewImage(name);
        if (view.empty())
            return i;
        if (view.size() != first.size()) {
            say(name + " is " + sizeText(view) + ", view 0 is " + sizeText(first) +
                ": the sequence ends before it");
            return i;
        }
    }
}

void blendView(const cv::Mat& view, cv::Mat& output, int mask)
{
    for (int y = 0; y < state.height; ++y)
        for (int x = 0; x < state.width; ++x)
            blendPixel(view.data, output.data, mask, x, y);
}

// Blends every view through its mask into output; false when a view no longer
// loads as it did while counting.
bool blendViews(const std::string& extension, cv::Mat& output)
{
    const bool reverse = state.mode == ModeViewsReverse;
    for (int i = 0; i < state.viewCount; ++i) {
        const std::string name = viewFileName(i, extension);
        const cv::Mat view = loadViewImage(name);
        if (view.size() != output.size()) {
            say(name + " no longer loads as it did a moment ago: nothing new is shown");
            return false;
        }
        blendView(view, output, reverse ? state.viewCount - 1 - i : i);
    }
    return true;
}

bool compose(cv::Mat& composed)
{
    std::string extension;
    cv::Mat output = loadFirstView(extension);
    if (output.empty())
        return false;
    state.width = output.cols;
    state.height = output.rows;
    state.viewCount = countViews(extension, output);
    if (state.viewCount == 0)
        return false; // view 0 vanished since it was first read

    const int result = allocateViewMasks();
    if (result != 0) {
        reportAllocationFailure(result);
        return false;
    }
    generateViewMasks();
    output.setTo(cv::Scalar::all(0));
    const bool blended = blendViews(extension, output);
    releaseViewMasks();
    if (blended)
        composed = output;
    return blended;
}

} // namespace

bool interlaceViewSequence(cv::Mat& composed)
{
    const int width = state.width;
    const int height = state.height;
    const int viewCount = state.viewCount;
    composed.release();
    const bool shown = compose(composed);
    state.viewCount = viewCount;
    state.height = height;
    state.width = width;
    state.mode = state.savedMode;
    return shown;
}
