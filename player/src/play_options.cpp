#include "veltrane/player/play_options.h"

#include "veltrane/content/source_options.h"
#include "veltrane/records/calibration_record.h"
#include "veltrane/records/value_text.h"

#include <algorithm>
#include <cmath>


namespace veltrane {

namespace {

const char* const HelpText =
    "veltrane-play: shows views, animations, quilts or an interlaced image live on the lens display, composed as "
    "veltrane-interlace writes them, with the numbers tuned by keys (keys and the rest: docs/veltrane-play.md).";

// Where scikit-image's sample photograph of a face is on Debian (python3-skimage).
const char* const DebianFacePhoto = "/usr/lib/python3/dist-packages/skimage/data/astronaut.png";

// The farthest a virtual head stands: before the virtual webcam's wall.
constexpr double VirtualWallDistance = 2000.0;

struct TrackTexts {
    std::string track, ipd, cameraAt, fieldOfView;
};

void declareTrackOptions(CommandLine& line, TrackOptions& options, TrackTexts& texts)
{
    line.option("--track", texts.track,
                "follow the viewer's head with camera N (cv::VideoCapture's index), or with a virtual webcam: "
                "sim (a head swaying in front of the display) or sim:X,D[,Y] (a head still there, millimetres)")
        .valueName("N|sim[:X,D[,Y]]");
    line.option("--ipd", texts.ipd, "the viewer's eyes' spacing in millimetres, 40 to 90 (default 63)")
        .valueName("MM");
    line.option("--camera-at", texts.cameraAt,
                "where the tracking camera's lens is, millimetres right of and above the panel's middle "
                "(default the middle of its top edge)")
        .valueName("X,Y");
    line.option("--camera-fov", texts.fieldOfView,
                "the tracking camera's horizontal field of view in degrees, 20 to 150 (default 60)")
        .valueName("DEG");
    options.facePhoto = DebianFacePhoto;
    line.option("--face-photo", options.facePhoto,
                "the face the virtual webcam shows: a photograph from the front, eyes open (default "
                "scikit-image's astronaut, from python3-skimage)")
        .valueName("FILE");
}

bool readTrack(const std::string& text, TrackOptions& options)
{
    if (text == "sim" || text.rfind("sim:", 0) == 0) {
        options.simulated = true;
        if (text == "sim")
            return true;
        ViewerPlace place;
        if (!readViewerPlace(text.substr(4), place) || place.distance > VirtualWallDistance)
            return false;
        options.still = place;
        return true;
    }
    double camera = 0.0;
    if (!readNumber(text, camera) || camera < 0.0 || camera > 99.0 || camera != std::floor(camera) ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    options.camera = static_cast<int>(camera);
    return true;
}

bool readTrackOptions(const CommandLine& line, const TrackTexts& texts, PlayOptions& options, std::string& text)
{
    TrackOptions& track = options.track;
    const bool tuned = line.given("--ipd") || line.given("--camera-at") || line.given("--camera-fov") ||
                       line.given("--face-photo");
    if (!line.given("--track")) {
        if (tuned)
            text = "--ipd, --camera-at, --camera-fov and --face-photo are for --track: give it with them";
        return !tuned;
    }
    if (!readTrack(texts.track, track)) {
        text = "--track must be a camera's number (0 to 99), sim or sim:X,D[,Y] in millimetres (D from 10 to 2000), "
               "got '" +
               printable(texts.track) + "'";
        return false;
    }
    track.on = true;
    if (!track.simulated && line.given("--face-photo")) {
        text = "--face-photo is the virtual webcam's: give it with --track=sim";
        return false;
    }
    if (!texts.ipd.empty() && (!readNumber(texts.ipd, track.ipd) || track.ipd < 40.0 || track.ipd > 90.0)) {
        text = "--ipd must be millimetres from 40 to 90, got '" + printable(texts.ipd) + "'";
        return false;
    }
    if (!texts.fieldOfView.empty() &&
        (!readNumber(texts.fieldOfView, track.fieldOfView) || track.fieldOfView < 20.0 || track.fieldOfView > 150.0)) {
        text = "--camera-fov must be degrees from 20 to 150, got '" + printable(texts.fieldOfView) + "'";
        return false;
    }
    if (!texts.cameraAt.empty()) {
        const std::size_t comma = texts.cameraAt.find(',');
        ViewerPlace place; // X,Y read as a place X right and Y up, 1 m away
        if (comma == std::string::npos ||
            std::count(texts.cameraAt.begin(), texts.cameraAt.end(), ',') != 1 ||
            !readViewerPlace(texts.cameraAt.substr(0, comma) + ",1000," + texts.cameraAt.substr(comma + 1), place)) {
            text = "--camera-at must be X,Y in millimetres, got '" + printable(texts.cameraAt) + "'";
            return false;
        }
        track.cameraAt = cv::Point2d(place.offset, place.height);
    }
    if (!options.image.empty()) {
        text = "--track turns the numbers for the viewer's place: give it with views or a quilt, not --image";
        return false;
    }
    if (options.source.viewer) {
        text = "--track follows the viewer: give it without --viewer, a fixed seat";
        return false;
    }
    if (!sheetMeasures(options.source.measures)) {
        text = "--track needs the sheet's measures: a --calibration record with gap_mm, panel_width_mm and "
               "viewing_distance_mm";
        return false;
    }
    return true;
}

void declarePlayOptions(CommandLine& line, PlayOptions& options, std::string& fit)
{
    line.option("--image", options.image, "an interlaced image or video (the interlacer's .mkv), shown as it is, "
                                         "instead of views or a quilt (no calibration needed)")
        .valueName("FILE");
    line.option("--fit", fit, "views or tiles of another shape than the output: stretch (as veltrane-interlace) "
                              "or contain (whole, black around them) (default stretch)")
        .valueName("FIT");
    line.option("--screen", options.screen,
                "play full screen on monitor S: an index or name from --list-screens, or a geometry WxH+X+Y")
        .valueName("S");
    line.flag("--list-screens", options.listScreens, "list the monitors of the display and end");
    line.option("--save", options.save, "save the record of the numbers in force when the player ends")
        .valueName("FILE");
    line.flag("--gpu", options.gpu,
              "compose on the GPU (OpenGL 3.3 or ES 3.0) straight into the window, swapped at the vertical blank: "
              "the same bytes");
}

} // namespace

Parse parsePlayOptions(int argc, const char* const* argv, PlayOptions& options, std::string& text)
{
    CommandLine line("veltrane-play", HelpText);
    SourceTexts texts;
    std::string fit;
    TrackTexts track;
    options.source.nearestTiles = true; // the player's default: tiles through the view table
    declareSourceOptions(line, options.source, texts);
    declarePlayOptions(line, options, fit);
    declareTrackOptions(line, options.track, track);
    if (const Parse parsed = line.parse(argc, argv, text); parsed != Parse::Run)
        return parsed;
    if (options.listScreens)
        return Parse::Run;
    if (!fit.empty() && fit != "stretch" && fit != "contain") {
        text = "--fit must be stretch or contain, got '" + printable(fit) + "'";
        return Parse::Invalid;
    }
    options.contain = fit == "contain";
    if (options.gpu && !options.source.nearestTiles) {
        text = "--gpu reads a quilt's tiles to their nearest pixels: give it without --tile-sampling=smooth";
        return Parse::Invalid;
    }
    if (!options.image.empty() && (line.given("--views") || line.given("--quilt"))) {
        text = "--image shows an interlaced image as it is: give it without --views or --quilt";
        return Parse::Invalid;
    }
    // What composes views does nothing to an image shown as it is.
    for (const char* composing : {"--size", "--fit", "--reverse", "--no-reverse", "--view-offset", "--view-phase",
                                  "--weights", "--panel", "--frames", "--tiles", "--quilt-origin", "--tile-sampling",
                                  "--viewer"})
        if (!options.image.empty() && line.given(composing)) {
            text = std::string("--image shows an interlaced image as it is: ") + composing + " does not apply to it";
            return Parse::Invalid;
        }
    // An image is shown as it is: it needs a calibration only to be saved.
    const bool image = !options.image.empty();
    if (!readSourceOptions(line, texts, options.source, text,
                           image ? CalibrationNeed::Optional : CalibrationNeed::Required))
        return Parse::Invalid;
    if (image && !calibrationGiven(texts) && !options.save.empty()) {
        text = "--save keeps the numbers tuned: give --param or --calibration with --image to save them";
        return Parse::Invalid;
    }
    if (!readTrackOptions(line, track, options, text))
        return Parse::Invalid;
    if (!options.save.empty() && !veltrane::recordCanBeWritten(options.save, text))
        return Parse::Invalid;
    return Parse::Run;
}

} // namespace veltrane
