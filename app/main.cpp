// veltrane-calibrator: finds slant, pitch and mirror of a slanted-lens
// autostereoscopic display by eye, and prints them as -x -y -pitch -mirror.
#include "app/calibration_state.h"
#include "app/highgui_backend.h"
#include "app/main_loop.h"
#include "app/options.h"
#include "app/startup.h"

#include <opencv2/core/utils/logger.hpp>

#include <cstdio>
#include <string>

namespace {

constexpr int UsageError = 2;
constexpr int NoDisplay = 1;

} // namespace

int main(int argc, char** argv)
{
    Options options;
    std::string message;
    const char* program = "veltrane-calibrator";
    switch (parseOptions(argc, argv, options, message)) {
    case OptionsResult::Help:
        std::fputs(usageText(program).c_str(), stdout);
        return 0;
    case OptionsResult::Invalid:
        std::fprintf(stderr, "%s: %s\n", program, message.c_str());
        return UsageError;
    case OptionsResult::Run:
        break;
    }
    if (!displayAvailable(message)) {
        std::fprintf(stderr, "%s: %s; the calibrator needs a graphical display\n", program, message.c_str());
        return NoDisplay;
    }

    // Standard error carries the parameter line; library warnings would break it.
    cv::utils::logging::setLogLevel(cv::utils::logging::LOG_LEVEL_ERROR);
    HighguiBackend windows;
    WorkingImages images;
    startUp(options, images, windows);
    runMainLoop(windows, images);
    return 0;
}
