#include "veltrane/interlacer/interlace_options.h"

#include "veltrane/records/calibration_record.h"
#include "veltrane/records/value_text.h"
#include "veltrane/interlacer/view_pattern.h"

#include <CLI/CLI.hpp>

#include <cmath>
#include <cstdlib>

bool parseDimensions(const std::string& text, int& first, int& second)
{
    const std::size_t x = text.find('x');
    if (x == std::string::npos || x == 0 || x + 1 == text.size() || x > 6 || text.size() - x - 1 > 6)
        return false;
    const std::string a = text.substr(0, x);
    const std::string b = text.substr(x + 1);
    if (a.find_first_not_of("0123456789") != std::string::npos || b.find_first_not_of("0123456789") != std::string::npos)
        return false;
    first = std::atoi(a.c_str());
    second = std::atoi(b.c_str());
    return first > 0 && second > 0;
}

using namespace veltrane;

namespace {

bool parseFrames(const std::string& text, InterlaceOptions& options)
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
bool readCalibration(const std::string& param, const std::string& record, InterlaceOptions& options,
                     std::string& message)
{
    if (!param.empty()) {
        if (!parseParameterLine(param, options.calibration, message)) {
            message = "--param: " + message;
            return false;
        }
        return true;
    }
    CalibrationRecord loaded;
    if (!loadCalibrationRecord(record, loaded, message))
        return false;
    options.calibration = loaded.calibration;
    options.recordWidth = loaded.width;
    options.recordHeight = loaded.height;
    return true;
}

// What the content options ask for together: a pattern of view files that
// can be read, and frames only where there are frames to choose.
bool checkContent(const InterlaceOptions& options, const std::string& frames, std::string& message)
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

} // namespace

InterlaceParse parseInterlaceOptions(int argc, const char* const* argv, InterlaceOptions& options, std::string& text)
{
    CLI::App app{"Interlaces rendered views, animations and quilts for a slanted-lens display, with the numbers "
                 "veltrane-calibrator printed.",
                 "veltrane-interlace"};
    std::string param, record, tiles, origin = "bottom-left", size, frames;
    auto* paramOption = app.add_option("--param", param, "the calibrator's printed line, verbatim")
                            ->type_name("LINE");
    auto* recordOption =
        app.add_option("--calibration", record, "a calibration record saved by the calibrator")->type_name("FILE");
    paramOption->excludes(recordOption);
    auto* viewsOption = app.add_option("--views", options.viewsPattern,
                                       "view files: a pattern with {view}, and {frame} or {frame:05} for animations")
                            ->capture_default_str()
                            ->type_name("PATTERN");
    auto* quiltOption = app.add_option("--quilt", options.quilt, "a quilt image or video instead")->type_name("FILE");
    viewsOption->excludes(quiltOption);
    app.add_option("--tiles", tiles, "the quilt's tiles, columns x rows (else _qsCxR in its name)")
        ->type_name("CxR");
    app.add_option("--quilt-origin", origin, "where view 0 is in the quilt")
        ->check(CLI::IsMember({"bottom-left", "top-left"}))
        ->capture_default_str();
    app.add_option("--frames", frames, "the frames to interlace, first-last")->type_name("A-B");
    app.add_option("--size", size, "the output (panel) size; default the views'")->type_name("WxH");
    app.add_flag("--reverse", options.reverse, "views in reverse order (as \"disp <\")");
    app.add_option("--view-offset", options.viewOffset, "view v shows source (v + K) mod N")->type_name("K");
    app.add_option("-o,--output", options.output,
                   "PNG, a path with {frame} for one PNG a frame, or .mkv/.avi for lossless video (FFV1)")
        ->required()
        ->type_name("PATH");
    app.add_option("--fps", options.fps, "frames per second of a video output (default the quilt video's, or 24)")
        ->check(CLI::Range(0.1, 1000.0));
    app.add_flag("--force", options.force, "overwrite an existing output");
    app.add_flag("--allow-lossy", options.allowLossy, "allow a JPEG output");
    app.add_flag("--quiet", options.quiet, "no progress on standard error");
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        text = app.help();
        return InterlaceParse::Help;
    } catch (const CLI::ParseError& error) {
        text = printable(error.what());
        return InterlaceParse::Invalid;
    }
    options.quiltTopLeft = origin == "top-left";
    if (!options.output.empty() && options.output[0] == '=') {
        text = "-o takes its value after a space: -o " + printable(options.output.substr(1)) + " (or --output=" +
               printable(options.output.substr(1)) + ")";
        return InterlaceParse::Invalid;
    }
    if (std::isnan(options.fps)) {
        text = "--fps must be a number from 0.1 to 1000";
        return InterlaceParse::Invalid;
    }
    if (param.empty() && record.empty()) {
        text = "give the calibration: --param=\"param: -x ... -y ... -pitch ...\" or --calibration=FILE";
        return InterlaceParse::Invalid;
    }
    if (!tiles.empty() && !parseDimensions(tiles, options.tileColumns, options.tileRows)) {
        text = "--tiles must be columns x rows, such as 8x6, got '" + printable(tiles) + "'";
        return InterlaceParse::Invalid;
    }
    if (!size.empty() && (!parseDimensions(size, options.width, options.height) || options.width > MaxImageSide ||
                          options.height > MaxImageSide)) {
        text = "--size must be width x height, each 1 to 16384, such as 1920x1080, got '" + printable(size) + "'";
        return InterlaceParse::Invalid;
    }
    if (!frames.empty() && !parseFrames(frames, options)) {
        text = "--frames must be first-last, such as 1-120, got '" + printable(frames) + "'";
        return InterlaceParse::Invalid;
    }
    if (!checkContent(options, frames, text))
        return InterlaceParse::Invalid;
    if (!readCalibration(param, record, options, text))
        return InterlaceParse::Invalid;
    return InterlaceParse::Run;
}
