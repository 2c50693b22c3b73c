// veltrane-play: views, animations, quilts or an interlaced image live on the
// lens display, composed as veltrane-interlace writes them, the view phase,
// pitch, slant, order and the panel's subpixel order tuned by keys.
#include "exit_status.h"
#include "veltrane/display/monitors.h"
#include "veltrane/highgui/highgui_backend.h"
#include "veltrane/highgui/x11_monitors.h"
#include "veltrane/content/composition_check.h"
#include "veltrane/player/content.h"
#include "veltrane/player/gpu_presenter.h"
#include "veltrane/player/head_tracking.h"
#include "veltrane/player/play_options.h"
#include "veltrane/player/player.h"
#include "veltrane/process/standard_streams.h"
#include "veltrane/process/termination.h"
#include "veltrane/records/calibration_record.h"
#include "veltrane/records/value_text.h"
#include "veltrane/content/view_stream.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

using namespace veltrane;

namespace {

const char* const Program = "veltrane-play";
std::FILE* messages = stderr;

int fail(int status, const std::string& message)
{
    std::fprintf(messages, "%s: %s\n", Program, message.c_str());
    return status;
}

// The monitor of --screen; the frames take its size unless --size gives one.
bool chooseScreen(PlayOptions& options, Monitor& screen, std::string& message)
{
    std::vector<Monitor> monitors;
    if (!queryMonitors(monitors, message) || !chooseMonitor(options.screen, monitors, screen, message))
        return false;
    if (options.source.width == 0) {
        options.source.width = screen.width;
        options.source.height = screen.height;
    }
    return windowFits(options.source.width, options.source.height, screen, message);
}

CalibrationRecord recordOf(const Tuning& tuning, cv::Size size, const std::string& screen,
                           const RecordedMeasures& measures)
{
    CalibrationRecord record;
    record.calibration = tuning.calibration;
    record.calibration.pitch = printedPitch(record.calibration.pitch); // 8.5003, as the overlay and the line print it
    record.width = size.width;
    record.height = size.height;
    record.screen = screen;
    record.reverse = tuning.reverse;
    record.viewOffset = tuning.viewOffset;
    record.weighting = tuning.weighting;
    record.measures = measures; // the numbers stay those of the measures' place, whatever the seat
    return record;
}

} // namespace

int main(int argc, char** argv)
{
    messages = prepareStandardStreams();
    PlayOptions options;
    std::string message;
    switch (parsePlayOptions(argc, argv, options, message)) {
    case Parse::Help:
        std::fputs(message.c_str(), stdout);
        return 0;
    case Parse::Invalid:
        return fail(ExitUsage, message);
    case Parse::Run:
        break;
    }
    if (!displayAvailable(message, options.gpu))
        return fail(ExitFailed, message + "; the player needs a graphical display");
    if (std::string list; options.listScreens) {
        if (!listScreens(list, message))
            return fail(ExitFailed, message);
        std::fputs(list.c_str(), stdout);
        return ExitDone;
    }
    Monitor screen;
    if (!options.screen.empty() && !chooseScreen(options, screen, message))
        return fail(ExitUsage, message);
    Content content;
    if (const Outcome opened = content.open(options); !opened)
        return fail(exitStatusOf(opened), opened.message);
    if (!options.screen.empty() && !windowFits(content.size().width, content.size().height, screen, message))
        return fail(ExitUsage, message); // an image larger than its monitor, shown cut

    HighguiBackend windows(options.gpu);
    if (!options.screen.empty())
        windows.useScreen(screen);
    Tuning tuning{options.source.calibration, options.source.reverse, options.source.viewOffset,
                  options.source.weighting};
    // Said once the content has played: a run that fails says its one line alone.
    const std::string fill = content.views() > 0 ? lensFillWarning(tuning.calibration, content.views()) : "";
    const bool stretched = content.views() > 0 && !options.contain && aspectDiffers(content.sourceSize(), content.size());
    SteadyClock clock;
    GpuPresenter gpu;
    std::unique_ptr<HeadTracker> tracker; // outlives the player that follows it
    Player player(content, tuning, clock, nullptr, options.gpu ? &gpu : nullptr);
    player.endWhen(requestEndOnTermination());
    if (options.source.viewer)
        player.seatViewer(*sheetMeasures(options.source.measures), *options.source.viewer);
    if (options.track.on) {
        const SheetMeasures sheet = *sheetMeasures(options.source.measures);
        const WebcamPlace camera = trackingCamera(options.track, content.size(), sheet.panelWidth);
        tracker = startTracking(options.track, camera, ViewerPlace{0.0, 0.0, sheet.distance}, message);
        if (!tracker)
            return fail(ExitFailed, message);
        player.followHead(*tracker, sheet);
        player.onNotice([](const std::string& notice) { std::fprintf(messages, "%s: note: %s\n", Program, notice.c_str()); });
    }
    const bool played = player.run(windows);
    // Refused before anything was shown: nothing to report or save.
    if (player.framesShown() == 0 || (options.gpu && gpu.drawn() == 0 && !gpu.problem().empty()))
        return fail(ExitFailed, player.problem().empty() ? "nothing could be shown" : player.problem());
    std::printf("%s: %ld frame%s shown, %ld dropped (too late)\n", Program, player.framesShown(),
                player.framesShown() == 1 ? "" : "s", player.dropped());
    if (tracker)
        std::printf("%s: a face in %ld of %ld camera frames; %.0f ms from a camera frame to the numbers composed\n",
                    Program, tracker->facesFound(), tracker->framesSeen(), 1000.0 * player.trackingLatency());
    std::fflush(stdout);
    if (!options.save.empty() &&
        !saveCalibrationRecord(options.save, recordOf(player.tuning(), content.size(), options.screen.empty() ? "" : screen.name,
                                                       options.source.measures),
                               isoTimeNow(), message))
        return fail(ExitFailed, message);
    if (!played)
        return fail(ExitFailed, player.problem());
    if (!fill.empty())
        std::fprintf(messages, "%s: warning: %s\n", Program, fill.c_str());
    if (stretched)
        std::fprintf(messages, "%s: note: the %s views were stretched to %s (--fit=contain keeps their shape)\n",
                     Program, sizeText(content.sourceSize()).c_str(), sizeText(content.size()).c_str());
    return ExitDone;
}
