#include "veltrane/content/source_options.h"

#include "veltrane/records/calibration_record.h"
#include "veltrane/records/value_text.h"
#include "veltrane/content/view_pattern.h"

#include <climits>
#include <cmath>
#include <cstdlib>

namespace veltrane {

namespace {

bool parseFrames(const std::string& text, SourceOptions& options)
{
    const std::size_t dash = text.find('-');
    if (dash == std::string::npos || dash == 0 || dash + 1 == text.size())
        return false;
    const std::string a = text.substr(0, dash);
    const std::string b = text.substr(dash + 1);
    if (a.size() > 9 || b.size() > 9 || a.find_first_not_of("0123456789") != std::string::npos ||
        b.find_first_not_of("0123456789") != std::string::npos)
        return false;
    options.firstFrame = std::atoi(a.c_str());
    options.lastFrame = std::atoi(b.c_str());
    options.framesGiven = true;
    return options.firstFrame <= options.lastFrame;
}

// The calibration from --param or --calibration.
bool readCalibration(const SourceTexts& texts, SourceOptions& options, std::string& message)
{
    if (!texts.param.empty()) {
        if (!parseParameterLine(texts.param, options.calibration, message)) {
            message = "--param: " + message;
            return false;
        }
        return true;
    }
    CalibrationRecord loaded;
    if (!loadCalibrationRecord(texts.record, loaded, message))
        return false;
    options.calibration = loaded.calibration;
    options.recordWidth = loaded.width;
    options.recordHeight = loaded.height;
    options.measures = loaded.measures;
    // The views' order as it was saved, unless the command line says otherwise.
    options.reverse = !texts.forward && (options.reverse || loaded.reverse);
    if (texts.offset.empty())
        options.viewOffset = loaded.viewOffset;
    if (texts.weights.empty() && loaded.weighting)
        options.weighting = *loaded.weighting;
    return true;
}

// What the content options ask for together: a pattern of view files that
// can be read, and frames only where there are frames to choose.
bool checkContent(const SourceOptions& options, const std::string& frames, std::string& message)
{
    if (!options.quilt.empty()) {
        if (!frames.empty()) {
            message = "--frames chooses among numbered view files; a quilt is interlaced whole";
            return false;
        }
        return true;
    }
    PatternFields fields;
    if (!readViewsPattern(options.viewsPattern, fields, message)) {
        message = "--views: " + message;
        return false;
    }
    if (!frames.empty() && !fields.frame) {
        message = "--frames needs {frame} in --views, such as pic/blender_{frame:05}_{view}.jpg";
        return false;
    }
    return true;
}

void declareContent(CommandLine& line, SourceOptions& options, SourceTexts& texts)
{
    auto& views = line.option("--views", options.viewsPattern,
                              "view files: {view}, and {frame} or {frame:05} for animations "
                              "(default pic/blender_{frame:05}_{view}.jpg, else .png)")
                      .valueName("PATTERN");
    auto& quilt = line.option("--quilt", options.quilt, "a quilt image or video (every frame a quilt) instead of "
                                                        "view files")
                      .valueName("FILE");
    views.excludes(quilt);
    line.option("--tiles", texts.tiles, "the quilt's tiles (default from _qs{C}x{R} in its name)").valueName("CxR");
    line.option("--quilt-origin", texts.origin,
                "top-left: view 0 is the top-left tile (default bottom-left, views left to right, then upward)")
        .valueName("ORIGIN");
    line.option("--tile-sampling", texts.sampling,
                std::string("how tiles are enlarged (or shrunk) to the output size: smooth (bilinear, area when "
                            "shrinking) or nearest (the nearest tile pixel) (default ") +
                       (options.nearestTiles ? "nearest" : "smooth") + ")")
        .valueName("SAMPLING");
    line.option("--frames", texts.frames,
                "the frames to interlace (default: from the first that exists to the first missing)")
        .valueName("A-B");
}

// The options given as text, as numbers; false with the one line.
bool readTexts(const SourceTexts& texts, SourceOptions& options, std::string& text)
{
    double fps = 0.0;
    long offset = 0;
    if (texts.origin != "bottom-left" && texts.origin != "top-left") {
        text = "--quilt-origin must be bottom-left or top-left, got '" + printable(texts.origin) + "'";
        return false;
    }
    options.quiltTopLeft = texts.origin == "top-left";
    if (!texts.sampling.empty() && texts.sampling != "smooth" && texts.sampling != "nearest") {
        text = "--tile-sampling must be smooth or nearest, got '" + printable(texts.sampling) + "'";
        return false;
    }
    if (!texts.sampling.empty())
        options.nearestTiles = texts.sampling == "nearest";
    if (!texts.fps.empty() && (!readNumber(texts.fps, fps) || !(fps >= 0.1 && fps <= 1000.0))) {
        text = "--fps must be a number from 0.1 to 1000, got '" + printable(texts.fps) + "'";
        return false;
    }
    options.fps = fps;
    if (!texts.offset.empty() && (!readWholeNumber(texts.offset, offset) || offset < INT_MIN || offset > INT_MAX)) {
        text = "--view-offset must be a whole number, got '" + printable(texts.offset) + "'";
        return false;
    }
    options.viewOffset = static_cast<int>(offset);
    if (!texts.tiles.empty() && !parseDimensions(texts.tiles, options.tileColumns, options.tileRows)) {
        text = "--tiles must be columns x rows, such as 8x6, got '" + printable(texts.tiles) + "'";
        return false;
    }
    if (!texts.size.empty() && (!parseDimensions(texts.size, options.width, options.height) ||
                                options.width > MaxImageSide || options.height > MaxImageSide)) {
        text = "--size must be width x height, each 1 to 16384, such as 1920x1080, got '" + printable(texts.size) + "'";
        return false;
    }
    if (!texts.frames.empty() && !parseFrames(texts.frames, options)) {
        text = "--frames must be first-last, such as 1-120, got '" + printable(texts.frames) + "'";
        return false;
    }
    return true;
}

// --view-phase, --panel and --weights over what the record (or the line's defaults) says.
bool readDisplay(const SourceTexts& texts, SourceOptions& options, std::string& text)
{
    double phase = 0.0;
    if (!texts.phase.empty()) {
        if (!readNumber(texts.phase, phase) || std::fabs(phase) > MaxViewPhase) {
            text = "--view-phase must be a number of views from -" + std::to_string(MaxViewPhase) + " to " +
                   std::to_string(MaxViewPhase) + ", got '" + printable(texts.phase) + "'";
            return false;
        }
        options.calibration.viewPhase = phase;
    }
    if (!texts.panel.empty() && !readSubpixelOrder(texts.panel, options.calibration.subpixelOrder)) {
        text = "--panel must be rgb or bgr, got '" + printable(texts.panel) + "'";
        return false;
    }
    if (!texts.weights.empty() && !readWeighting(texts.weights, options.weighting)) {
        text = "--weights must be full or lines, got '" + printable(texts.weights) + "'";
        return false;
    }
    return true;
}

bool readSeat(const SourceTexts& texts, SourceOptions& options, std::string& text)
{
    if (texts.viewer.empty())
        return true;
    ViewerPlace place;
    if (!readViewerPlace(texts.viewer, place)) {
        text = "--viewer must be X,D or X,D,Y in millimetres, D from 10 to 100000, got '" + printable(texts.viewer) +
               "'";
        return false;
    }
    if (!sheetMeasures(options.measures)) {
        text = "--viewer needs the sheet's measures: a --calibration record with gap_mm, panel_width_mm and "
               "viewing_distance_mm";
        return false;
    }
    options.viewer = place;
    return true;
}

} // namespace

// The seat from "X,D" or "X,D,Y", each in millimetres: in front of the
// sheet, within 100 m of it either way.
bool readViewerPlace(const std::string& text, ViewerPlace& place)
{
    constexpr double Nearest = 10.0;
    constexpr double Farthest = 100000.0;
    const std::size_t first = text.find(',');
    if (first == std::string::npos)
        return false;
    const std::size_t second = text.find(',', first + 1);
    if (!readNumber(text.substr(0, first), place.offset) ||
        !readNumber(text.substr(first + 1, second == std::string::npos ? second : second - first - 1),
                    place.distance) ||
        (second != std::string::npos && !readNumber(text.substr(second + 1), place.height)))
        return false;
    return std::fabs(place.offset) <= Farthest && std::fabs(place.height) <= Farthest && place.distance >= Nearest &&
           place.distance <= Farthest;
}

void declareSourceOptions(CommandLine& line, SourceOptions& options, SourceTexts& texts)
{
    auto& param = line.option("--param", texts.param,
                              "the calibrator's printed line, verbatim (param: optional, any spacing)")
                      .valueName("LINE");
    auto& record = line.option("--calibration", texts.record,
                               "a saved calibration record instead (its width and height are the default size "
                               "of a quilt's output)")
                       .valueName("FILE");
    param.excludes(record);
    declareContent(line, options, texts);
    line.option("--size", texts.size,
                "the output (panel) size; views of another size are resized; a quilt with --param needs it")
        .valueName("WxH");
    line.flag("--reverse", options.reverse, "the views in reverse order, as \"disp <\" (default the record's)");
    line.flag("--no-reverse", texts.forward, "the views in their own order, as \"disp >\", where the record says "
                                             "reverse");
    line.option("--view-offset", texts.offset, "view v shows source (v + K) mod N: moves the viewing zone (default "
                                               "the record's, else 0)")
        .valueName("K");
    line.option("--view-phase", texts.phase,
                "which view a lens position shows, in views, fractions too (default the record's, else 0); "
                "a whole P is --view-offset P")
        .valueName("P");
    line.option("--panel", texts.panel, "the panel's subpixels from the left: rgb or bgr (default the record's, "
                                        "else rgb)")
        .valueName("ORDER");
    line.option("--weights", texts.weights,
                "how a subpixel's brightness is shared: full (every subpixel lit, by the two views whose lines lie "
                "nearest it) or lines (each view one line a lens, as the calibrator's DISP shows it) (default the "
                "record's, else full)")
        .valueName("WEIGHTS");
    line.option("--fps", texts.fps, "frames per second (default the quilt video's, or 24)").valueName("F");
    line.option("--viewer", texts.viewer,
                "the viewer's seat in millimetres: X right of the panel's middle, D from the sheet, Y above the "
                "middle (default 0); the numbers turned for it by the record's gap_mm, panel_width_mm and "
                "viewing_distance_mm")
        .valueName("X,D[,Y]");
}

bool calibrationGiven(const SourceTexts& texts)
{
    return !texts.param.empty() || !texts.record.empty();
}

bool readSourceOptions(const CommandLine& line, const SourceTexts& texts, SourceOptions& options, std::string& text,
                       CalibrationNeed need)
{
    options.viewsGiven = line.given("--views");
    if (options.reverse && texts.forward) {
        text = "--reverse and --no-reverse say opposite things: give one";
        return false;
    }
    const bool given = calibrationGiven(texts);
    if (!given && need == CalibrationNeed::Required) {
        text = "give the calibration: --param=\"param: -x ... -y ... -pitch ...\" or --calibration=FILE";
        return false;
    }
    return readTexts(texts, options, text) && checkContent(options, texts.frames, text) &&
           (!given || readCalibration(texts, options, text)) && readDisplay(texts, options, text) &&
           readSeat(texts, options, text);
}

} // namespace veltrane
