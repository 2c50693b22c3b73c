// Writes a synthetic multi-view sequence for trying the view modes and the
// interlacer: a small scene whose objects shift with the view index by
// parallax (near objects one way, far ones the other), each view carrying its
// number; with --frame-count, an animation in which the near ball rolls along.
//
//   veltrane-sample-views [--dir=.] [--view-count=8] [--frame-count=1] [--size=640x512]
//
// The files are DIR/pic/blender_<frame, 5 digits>_<view>.jpg: frame 0 is
// pic/blender_00000_0.jpg, _1.jpg, ...
#include "exit_status.h"
#include "veltrane/process/command_line.h"
#include "veltrane/process/termination.h"
#include "veltrane/records/atomic_file.h"
#include "veltrane/records/limits.h"
#include "veltrane/records/value_text.h"

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using namespace veltrane;

const char* const Program = "veltrane-sample-views";

struct SampleOptions {
    std::string dir = ".";
    int views = 8;
    int frames = 1;
    cv::Size size{640, 512};
    bool force = false;
};

// Left in pic/ beside the views this program wrote: views found without it
// are someone's renders, kept unless --force.
const char* const SampleMark = ".veltrane-sample-views";

bool readCount(const std::string& text, const char* name, int most, int& count, std::string& message)
{
    long value = 0;
    if (text.empty())
        return true;
    if (!readWholeNumber(text, value) || value < 1 || value > most) {
        message = std::string("--") + name + " must be a whole number from 1 to " + std::to_string(most) +
                  ", got '" + printable(text) + "'";
        return false;
    }
    count = static_cast<int>(value);
    return true;
}

Parse parseSampleOptions(int argc, char** argv, SampleOptions& options, std::string& text)
{
    CommandLine line(Program, std::string(Program) + ": writes the views of a small scene whose objects shift "
                                                     "from view to view by parallax, each carrying its number, as "
                                                     "DIR/pic/blender_FFFFF_V.jpg, for trying the other programs.");
    std::string views, frames, size;
    line.option("--dir", options.dir, "the folder in which pic/ is written (default .)").valueName("DIR");
    line.option("--view-count", views, "the number of views, 1 to 64 (default 8)").valueName("N");
    line.option("--frame-count", frames, "the number of frames of an animation, 1 to 100 (default 1)")
        .valueName("N");
    line.option("--size", size, "each view's size, 16x16 to 16384x16384 (default 640x512)").valueName("WxH");
    line.flag("--force", options.force, "replace views in pic/ that an earlier sample did not write (your renders)");
    if (const Parse parsed = line.parse(argc, argv, text); parsed != Parse::Run)
        return parsed;
    if (!readCount(views, "view-count", 64, options.views, text) || !readCount(frames, "frame-count", 100, options.frames, text))
        return Parse::Invalid;
    if (!size.empty() && (!parseDimensions(size, options.size.width, options.size.height) ||
                          std::min(options.size.width, options.size.height) < 16 ||
                          std::max(options.size.width, options.size.height) > MaxImageSide)) {
        text = "--size must be WxH from 16x16 to 16384x16384, got '" + printable(size) + "'";
        return Parse::Invalid;
    }
    return Parse::Run;
}

// Horizontal shift of a layer in view i: layers behind the screen plane
// (depth > 0) move one way, layers in front of it the other.
int parallax(int view, int views, double depth, int width)
{
    const double centred = view - (views - 1) / 2.0;
    return static_cast<int>(centred * depth * width / 160.0);
}

cv::Mat renderView(int view, int views, int frame, int width, int height)
{
    cv::Mat image(height, width, CV_8UC3);
    for (int y = 0; y < height; ++y) // sky to ground
        image.row(y).setTo(cv::Scalar(230 - 150 * y / height, 180 - 60 * y / height, 90 + 40 * y / height));
    const int unit = std::max(1, std::min(width, height) / 16);

    const int far = parallax(view, views, 1.0, width);
    cv::circle(image, {width * 3 / 4 + far, height / 4}, 2 * unit, cv::Scalar(80, 220, 255), cv::FILLED,
               cv::LINE_AA);
    for (int k = -1; k < 6; ++k) { // hills on the horizon
        const cv::Point top(k * width / 4 + far, height / 2);
        cv::ellipse(image, top + cv::Point(0, unit * 2), {width / 6, unit * 3}, 0, 180, 360,
                    cv::Scalar(60, 140, 70), cv::FILLED, cv::LINE_AA);
    }

    const int middle = parallax(view, views, 0.0, width);
    cv::rectangle(image, {width / 2 - 3 * unit + middle, height / 2 - unit},
                  {width / 2 + 3 * unit + middle, height / 2 + 4 * unit}, cv::Scalar(50, 60, 170), cv::FILLED);

    const int near = parallax(view, views, -1.5, width) + frame * unit;
    cv::circle(image, {width / 4 + near, height * 3 / 4}, 2 * unit, cv::Scalar(200, 80, 60), cv::FILLED,
               cv::LINE_AA);
    cv::putText(image, std::to_string(view), {width / 4 + near - unit, height * 3 / 4 + unit},
                cv::FONT_HERSHEY_SIMPLEX, unit / 12.0, cv::Scalar(255, 255, 255), std::max(1, unit / 6),
                cv::LINE_AA);
    return image;
}

// The sample's own file name: pic/blender_FFFFF_V.jpg.
std::string sampleName(int frame, int view)
{
    char stem[40];
    std::snprintf(stem, sizeof stem, "blender_%05d_%d.jpg", frame, view);
    return stem;
}

// Removes views of an earlier, larger sample: the views past this one's
// count in its frames, and whole frames past its last, as far as they run.
// What "disp >" and veltrane-interlace read is then this sample alone.
int removeOlderViews(const std::filesystem::path& folder, int views, int frames)
{
    int removed = 0;
    std::error_code error;
    for (int f = 0;; ++f) {
        int v = f < frames ? views : 0;
        if (!std::filesystem::exists(folder / sampleName(f, v), error))
            break;
        for (; std::filesystem::remove(folder / sampleName(f, v), error); ++v)
            ++removed;
    }
    return removed;
}

// A view file in the folder that no sample left there (none when the mark is).
std::string firstRender(const std::filesystem::path& folder)
{
    std::error_code error;
    if (std::filesystem::exists(folder / SampleMark, error))
        return "";
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        if (entry.path().filename().string().rfind("blender_", 0) == 0)
            return entry.path().string();
    return "";
}

} // namespace

int main(int argc, char** argv)
{
    SampleOptions options;
    std::string text;
    switch (parseSampleOptions(argc, argv, options, text)) {
    case Parse::Help:
        std::fputs(text.c_str(), stdout);
        return ExitDone;
    case Parse::Invalid:
        std::fprintf(stderr, "%s: %s\n", Program, text.c_str());
        return ExitUsage;
    case Parse::Run:
        break;
    }
    removeTemporariesOnTermination();
    const std::filesystem::path folder = std::filesystem::path(options.dir) / "pic";
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (const std::string render = firstRender(folder); !render.empty() && !options.force) {
        std::fprintf(stderr, "%s: %s is not a sample this program wrote: give --force to replace the views in %s, "
                             "or another --dir\n",
                     Program, printable(render).c_str(), printable(folder.string()).c_str());
        return ExitUsage;
    }
    const int removed = removeOlderViews(folder, options.views, options.frames);
    for (int f = 0; f < options.frames; ++f)
        for (int i = 0; i < options.views; ++i) {
            const std::string name = (folder / sampleName(f, i)).string();
            const cv::Mat view = renderView(i, options.views, f, options.size.width, options.size.height);
            std::vector<unsigned char> jpeg;
            AtomicFile file(name); // whole or not at all, whatever ends the run
            std::string problem;
            if (!cv::imencode(".jpg", view, jpeg, {cv::IMWRITE_JPEG_QUALITY, 92}) || !file.write(jpeg, problem) ||
                !file.commit(Replace::Allowed, problem)) {
                std::fprintf(stderr, "%s: cannot write %s: %s\n", Program, printable(name).c_str(), problem.c_str());
                return ExitFailed;
            }
        }
    std::ofstream(folder / SampleMark) << "views written by veltrane-sample-views\n";
    std::printf("wrote %d frame%s of %d views of %s to %s", options.frames, options.frames == 1 ? "" : "s",
                options.views, sizeText(options.size).c_str(), folder.string().c_str());
    if (removed > 0)
        std::printf(" (and removed %d views of an earlier, larger sample)", removed);
    std::printf("\n");
    return ExitDone;
}
