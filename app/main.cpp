// veltrane-calibrator: finds slant, pitch and mirror of a slanted-lens
// autostereoscopic display by eye, and prints them as -x -y -pitch -mirror.
#include "app/calibration_state.h"
#include "app/highgui_backend.h"
#include "app/main_loop.h"
#include "app/options.h"
#include "app/process_setup.h"
#include "app/startup.h"

#include <opencv2/core/utils/logger.hpp>

#include <cstdio>
#include <string>

namespace {

constexpr int UsageError = 2;
constexpr int RuntimeError = 1;
const char* const Program = "veltrane-calibrator";

} // namespace

int main(int argc, char** argv)
{
    // Before anything can open a file or a connection: a closed standard
    // stream would otherwise be taken by the X connection.
    openStandardStreams();
    ignoreBrokenPipes();

    Options options;
    std::string message;
    switch (parseOptions(argc, argv, options, message)) {
    case OptionsResult::Help:
        std::fputs(usageText(Program).c_str(), stdout);
        return 0;
    case OptionsResult::Invalid:
        std::fprintf(stderr, "%s: %s\n", Program, message.c_str());
        return UsageError;
    case OptionsResult::Run:
        break;
    }
    if (!displayAvailable(message)) {
        std::fprintf(stderr, "%s: %s; the calibrator needs a graphical display\n", Program, message.c_str());
        return RuntimeError;
    }

    // Standard error carries the parameter line; library warnings would break it.
    cv::utils::logging::setLogLevel(cv::utils::logging::LOG_LEVEL_ERROR);
    HighguiBackend windows;
    WorkingImages images;
    startUp(options, images, windows);
    if (runMainLoop(windows, images) == PassResult::OutOfMemory) {
        std::fprintf(stderr, "\n%s: the pitch pattern could not get its memory; the calibrator ends\n", Program);
        return RuntimeError;
    }
    return 0;
}
