// veltrane-autocal: the pitch and slant of a lens display from photographs
// of a pattern it shows (on --screen, round after round, when given).
#include "exit_status.h"
#include "veltrane/autocal/autocal_options.h"
#include "veltrane/autocal/pattern.h"
#include "veltrane/display/monitors.h"
#include "veltrane/highgui/highgui_backend.h"
#include "veltrane/highgui/x11_monitors.h"
#include "veltrane/process/standard_streams.h"
#include "veltrane/process/termination.h"
#include "veltrane/records/parameter_line.h"
#include "veltrane/records/value_text.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

#include <unistd.h>

using namespace veltrane;

namespace {

const char* const Title = "Veltrane autocal";

std::FILE* messages = stderr;

int fail(int status, const std::string& message)
{
    std::fprintf(messages, "veltrane-autocal: %s\n", message.c_str());
    return status;
}

void noPointer(int, int, int, int, void*) {}

// Shows the pattern for the settling time; false once q or Escape is
// pressed in its window, or the window is closed.
bool showFor(HighguiBackend& windows, const cv::Mat& pattern, int settleMs)
{
    windows.showImage(Title, pattern);
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(settleMs);
    do {
        const int key = windows.waitKey(std::max(1, std::min(50, settleMs)));
        if (key == 'q' || key == KeyEscape || key == MainWindowClosed)
            return false;
    } while (std::chrono::steady_clock::now() < until);
    return true;
}

// Each round and the numbers it found, on a terminal.
void showRound(int round, int rounds, const Calibration& found)
{
    std::fprintf(messages, "veltrane-autocal: round %d of %d: %s\n", round, rounds, parameterLine(found).c_str());
    std::fflush(messages);
}

} // namespace

int main(int argc, char** argv)
{
    messages = prepareStandardStreams();
    removeTemporariesOnTermination();
    AutocalOptions options;
    std::string text;
    switch (parseAutocalOptions(argc, argv, options, text)) {
    case Parse::Help:
        std::fputs(text.c_str(), stdout);
        return 0;
    case Parse::Invalid:
        return fail(ExitUsage, text);
    case Parse::Run:
        break;
    }
    if (std::string list; options.listScreens) {
        if (!displayAvailable(text) || !listScreens(list, text))
            return fail(ExitFailed, text);
        std::fputs(list.c_str(), stdout);
        return 0;
    }
    if (!options.quiet && isatty(fileno(messages)) == 1)
        options.progress = showRound;
    std::unique_ptr<HighguiBackend> windows;
    ShowPattern show;
    if (!options.screen.empty() && options.pattern.empty()) {
        if (!displayAvailable(text))
            return fail(ExitFailed, text + "; --screen needs a graphical display");
        std::vector<Monitor> monitors;
        Monitor screen;
        if (!queryMonitors(monitors, text) || !chooseMonitor(options.screen, monitors, screen, text))
            return fail(ExitUsage, text);
        if (options.display.area() == 0)
            options.display = cv::Size(screen.width, screen.height);
        if (std::min(options.display.width, options.display.height) < SmallestPatternSide)
            return fail(ExitUsage, "the monitor '" + printable(screen.name) + "' is too small for the pattern");
        windows = std::make_unique<HighguiBackend>();
        windows->useScreen(screen);
        windows->openWindow(Title, noPointer, nullptr);
        show = [&](const cv::Mat& pattern) { return showFor(*windows, pattern, options.settleMs); };
    } else if (options.display.area() == 0 && options.photo.empty()) {
        return fail(ExitUsage, "give the display's size: --size=WxH (--screen is for showing the patterns)");
    }
    AutocalReport report;
    const Outcome outcome = runAutocal(options, show, report);
    if (!outcome)
        return fail(exitStatusOf(outcome), outcome.message);
    if (!report.line.empty())
        std::printf("%s\n", report.line.c_str());
    for (const std::string& note : report.notes)
        std::fprintf(messages, "veltrane-autocal: %s\n", note.c_str());
    return 0;
}
