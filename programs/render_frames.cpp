// Renders what the calibrator shows after a scripted interaction, through the
// scripted window back end, and writes the last image of a window as PNG.
//
//   render-frames OUT.png [-w=W] [-h=H] [-p=P] [--window=DISP] STEP...
//
// Steps, one key wait each: idle, key:CODE (the calibrator's key code: a
// character's code, 97 for "a"), move:X,Y, press:X,Y, release:X,Y, click:X,Y.
// The script ends with one idle wait and Escape.
#include "veltrane/calibrator/main_loop.h"
#include "veltrane/calibrator/options.h"
#include "veltrane/calibrator/startup.h"
#include "veltrane/scripted/scripted_backend.h"

#include <opencv2/imgcodecs.hpp>

#include <cstdio>
#include <cstdlib>
#include <string>

using namespace veltrane;

namespace {

bool point(const std::string& text, int& x, int& y)
{
    return std::sscanf(text.c_str(), "%d,%d", &x, &y) == 2;
}

bool addStep(ScriptedBackend& windows, const std::string& step)
{
    const std::size_t colon = step.find(':');
    const std::string verb = step.substr(0, colon);
    const std::string argument = colon == std::string::npos ? "" : step.substr(colon + 1);
    int x = 0;
    int y = 0;
    if (verb == "idle")
        windows.idle();
    else if (verb == "key" && !argument.empty())
        windows.key(std::atoi(argument.c_str()));
    else if (!point(argument, x, y))
        return false;
    else if (verb == "move")
        windows.move(x, y);
    else if (verb == "press")
        windows.press(x, y);
    else if (verb == "release")
        windows.release(x, y);
    else if (verb == "click")
        windows.click(x, y);
    else
        return false;
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || !cv::haveImageWriter(argv[1])) {
        std::fprintf(stderr, "usage: render-frames OUT.png [-w=W] [-h=H] [-p=P] [--window=NAME] STEP...\n");
        return 2;
    }
    std::vector<const char*> optionArgs{argv[0]};
    std::string window = WindowTitle;
    ScriptedBackend windows;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--window=", 0) == 0)
            window = arg.substr(9);
        else if (arg[0] == '-')
            optionArgs.push_back(argv[i]);
        else if (!addStep(windows, arg)) {
            std::fprintf(stderr, "render-frames: bad step '%s'\n", arg.c_str());
            return 2;
        }
    }
    Options options;
    std::string message;
    if (parseOptions(static_cast<int>(optionArgs.size()), optionArgs.data(), options, message) !=
        OptionsResult::Run) {
        std::fprintf(stderr, "render-frames: %s\n", message.c_str());
        return 2;
    }
    Calibrator calibrator;
    startUp(calibrator, options, windows);
    runMainLoop(calibrator, windows);
    const cv::Mat frame = windows.lastShown(window);
    if (frame.empty() || !cv::imwrite(argv[1], frame)) {
        std::fprintf(stderr, "render-frames: nothing shown in '%s'\n", window.c_str());
        return 1;
    }
    return 0;
}
