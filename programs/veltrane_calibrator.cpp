// veltrane-calibrator: finds slant, pitch and mirror of a slanted-lens
// autostereoscopic display by eye, and prints them as -x -y -pitch -mirror.
#include "veltrane/records/calibration_record.h"
#include "veltrane/records/value_text.h"
#include "veltrane/calibrator/engine_messages.h"
#include "veltrane/highgui/highgui_backend.h"
#include "veltrane/calibrator/main_loop.h"
#include "veltrane/display/monitors.h"
#include "veltrane/calibrator/options.h"
#include "veltrane/calibrator/resume.h"
#include "veltrane/calibrator/startup.h"
#include "veltrane/highgui/x11_monitors.h"
#include "veltrane/process/standard_streams.h"
#include "veltrane/process/termination.h"

#include <cstdio>
#include <string>
#include <vector>

using namespace veltrane;

namespace {

constexpr int UsageError = 2;
constexpr int RuntimeError = 1;
const char* const Program = "veltrane-calibrator";

// Where the program's own lines go: standard error, once the libraries' lines are kept off it.
std::FILE* messages = stderr;

int fail(int status, const std::string& message)
{
    std::fprintf(messages, "%s: %s\n", Program, message.c_str());
    return status;
}

// The same after the loop (whose last line has been ended).
int failAfterLoop(const std::string& message)
{
    return fail(RuntimeError, message);
}

// The record of the calibration in force, as the last parameter line has it.
veltrane::CalibrationRecord currentRecord(const Options& options, const CalibrationState& state,
                                         const std::string& screen)
{
    veltrane::CalibrationRecord record;
    record.calibration = calibrationInForce(state);
    record.calibration.pitch = printedPitch(record.calibration.pitch); // 8.2500, not 8.2499999999999982
    record.width = state.width;
    record.height = state.height;
    record.screen = screen;
    record.reverse = options.recordReverse;
    record.viewOffset = options.recordViewOffset;
    record.measures = options.recordMeasures;
    return record;
}

// After the loop, however it ended: the last line ended and the record saved.
int finish(const Options& options, const CalibrationState& state, PassResult result, const std::string& screen)
{
    // The last parameter line ends in a carriage return, for the next pass to
    // overwrite it; ended with a newline, the shell's prompt cannot.
    std::fputc('\n', messages);
    int status = 0;
    if (result == PassResult::OutOfMemory)
        status = failAfterLoop("the pitch pattern could not get its memory; the calibrator ends");
    std::string message;
    if (!options.save.empty() &&
        !saveCalibrationRecord(options.save, currentRecord(options, state, screen), isoTimeNow(), message))
        status = failAfterLoop(message);
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    // Before anything can open a file or a connection: a closed standard
    // stream would otherwise be taken by the X connection.
    messages = prepareStandardStreams();

    Options options;
    std::string message;
    switch (parseOptions(argc, argv, options, message)) {
    case OptionsResult::Help:
        std::fputs(usageText(Program).c_str(), stdout);
        return 0;
    case OptionsResult::Invalid:
        return fail(UsageError, message);
    case OptionsResult::Run:
        break;
    }
    if (!displayAvailable(message))
        return fail(RuntimeError, message + "; the calibrator needs a graphical display");

    if (std::string list; options.listScreens) {
        if (!listScreens(list, message))
            return fail(RuntimeError, message);
        std::fputs(list.c_str(), stdout);
        return 0;
    }
    std::vector<Monitor> monitors;
    if (!options.screen.empty() && !queryMonitors(monitors, message))
        return fail(RuntimeError, message);
    Monitor screen;
    const bool onScreen = !options.screen.empty();
    if (onScreen && (!chooseMonitor(options.screen, monitors, screen, message) ||
                     !settleWindowSize(options, &screen, message)))
        return fail(UsageError, message);

    HighguiBackend windows;
    if (onScreen)
        windows.useScreen(screen);
    Calibrator calibrator;
    calibrator.messages = messages;
    calibrator.endRequested = requestEndOnTermination(); // ends as a quit does: the record is saved
    startUp(calibrator, options, windows);
    if (options.resume)
        resumeCalibration(calibrator.state, options.start, options.pitchGiven, calibrator.report);
    const PassResult result = runMainLoop(calibrator, windows);
    return finish(options, calibrator.state, result, onScreen ? screen.name : "");
}
