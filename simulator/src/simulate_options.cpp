#include "veltrane/simulator/simulate_options.h"

#include "veltrane/process/command_line.h"
#include "veltrane/records/calibration_record.h"
#include "veltrane/records/parameter_line.h"
#include "veltrane/records/image_file.h"
#include "veltrane/records/value_text.h"

#include <cmath>

namespace veltrane {

namespace {

const char* const HelpText =
    "veltrane-simulate: what an eye sees through a slanted lens sheet laid over a panel showing an image. "
    "Lengths are in subpixel columns (a third of a pixel).";

struct Texts {
    std::string param, record, angle, views, phase, panel, gap, spot;
    std::vector<std::string> eyes;
};

void declare(CommandLine& line, SimulateOptions& options, Texts& texts)
{
    line.option("--image", options.image, "what the panel shows (an interlaced frame, a calibrator frame, ...)")
        .required()
        .valueName("FILE");
    auto& sheet = line.option("--param", texts.param, "the true sheet as veltrane-calibrator prints it "
                                                      "(\"-x 6 -y 1152 -pitch 8.25 -mirror\")")
                      .valueName("LINE");
    auto& record = line.option("--calibration", texts.record,
                               "the true sheet from a calibration record (its view phase and subpixel order too)")
                       .valueName("FILE");
    sheet.excludes(record);
    line.option("--angle", texts.angle, "the sheet's slant as an angle instead, degrees from upright, as a "
                                        "record's angle_degrees (negative: leaning as -mirror)")
        .valueName("DEG");
    line.option("--view-count", texts.views, "the views the view phase is counted in (default 1: lens widths)")
        .valueName("N");
    line.option("--view-phase", texts.phase, "the sheet's view phase, in views (default the record's, else 0)")
        .valueName("P");
    line.option("--panel", texts.panel, "the panel's subpixels from the left: rgb or bgr (default the record's, "
                                        "else rgb)")
        .valueName("ORDER");
    line.option("--gap", texts.gap, "from the lenses to the panel: the lenses' focal length")
        .required()
        .valueName("G");
    line.option("--eye", texts.eyes, "an eye: its distance from the sheet, and how far right of and above the "
                                     "panel's middle (default 0); repeatable")
        .required()
        .valueName("D[,X[,Y]]");
    line.option("--spot", texts.spot, "the width of panel seen through a lens (default 1: sharp; wider: "
                                      "defocused)")
        .valueName("W");
    line.option("-o,--output", options.output, "the PNG of what the eye sees; with several eyes a path with "
                            "{eye} (0, 1, ...)")
        .required()
        .valueName("PATH");
    line.flag("--force", options.force, "overwrite an existing output");
    line.flag("--quiet", options.quiet, "no progress (each eye as it is written, shown only on a terminal)");
}

// A slant as an angle: lines that move tan(angle) pixels sideways a row,
// as the fraction x / y over a y fine enough for any display.
bool readAngle(const std::string& angle, Calibration& calibration, std::string& text)
{
    constexpr int FineY = 100000;
    double degrees = 0.0;
    if (!readNumber(angle, degrees) || !(std::fabs(degrees) < 60.0)) {
        text = "--angle must be a number of degrees between -60 and 60, got '" + printable(angle) + "'";
        return false;
    }
    const double across = std::tan(degrees * CV_PI / 180.0);
    calibration.y = FineY;
    calibration.x = static_cast<int>(std::lround(std::fabs(across) * FineY));
    calibration.mirror = across < 0.0 && calibration.x != 0; // as a record's angle_degrees
    return true;
}

bool readSheet(const Texts& texts, SimulateOptions& options, std::string& text)
{
    Calibration& calibration = options.sheet.calibration;
    if (texts.param.empty() && texts.record.empty()) {
        text = "give the true sheet: --param=LINE or --calibration=FILE";
        return false;
    }
    if (!texts.param.empty() && !parseParameterLine(texts.param, calibration, text))
        return false;
    CalibrationRecord record;
    if (!texts.record.empty()) {
        if (!loadCalibrationRecord(texts.record, record, text))
            return false;
        calibration = record.calibration;
    }
    if (!texts.angle.empty() && !readAngle(texts.angle, calibration, text))
        return false;
    long views = 1;
    if (!texts.views.empty() && (!readWholeNumber(texts.views, views) || views < 1 || views > MaxViews)) {
        text = "--view-count must be a whole number from 1 to " + std::to_string(MaxViews) + ", got '" +
               printable(texts.views) + "'";
        return false;
    }
    options.sheet.viewCount = static_cast<int>(views);
    if (!texts.phase.empty() &&
        (!readNumber(texts.phase, calibration.viewPhase) || std::fabs(calibration.viewPhase) > 1e6)) {
        text = "--view-phase must be a number, got '" + printable(texts.phase) + "'";
        return false;
    }
    if (!texts.panel.empty() && !readSubpixelOrder(texts.panel, calibration.subpixelOrder)) {
        text = "--panel must be rgb or bgr, got '" + printable(texts.panel) + "'";
        return false;
    }
    if (!readNumber(texts.gap, options.sheet.gap) || !(options.sheet.gap >= 0.0 && options.sheet.gap <= 1e9)) {
        text = "--gap must be a number from 0 to 1e9, got '" + printable(texts.gap) + "'";
        return false;
    }
    return true;
}

bool readEyes(const Texts& texts, SimulateOptions& options, std::string& text)
{
    for (const std::string& eye : texts.eyes) {
        const std::size_t comma = eye.find(',');
        const std::size_t second = comma == std::string::npos ? comma : eye.find(',', comma + 1);
        Eye read;
        if (!readNumber(eye.substr(0, comma), read.distance) ||
            (comma != std::string::npos && !readNumber(eye.substr(comma + 1, second - comma - 1), read.offset)) ||
            (second != std::string::npos && !readNumber(eye.substr(second + 1), read.height)) ||
            !(read.distance > 0.0 && read.distance <= 1e12) || !(std::fabs(read.offset) <= 1e12) ||
            !(std::fabs(read.height) <= 1e12)) {
            text = "--eye must be D, D,X or D,X,Y with a distance above 0, got '" + printable(eye) + "'";
            return false;
        }
        options.eyes.push_back(read);
    }
    if (options.eyes.size() > 1000) {
        text = "at most 1000 eyes, got " + std::to_string(options.eyes.size());
        return false;
    }
    if (!pngName(options.output)) {
        text = "-o: what an eye sees is written as PNG: the output must end in .png, got '" +
               printable(options.output) + "'";
        return false;
    }
    if (options.eyes.size() > 1 && options.output.find("{eye}") == std::string::npos) {
        text = "several eyes need an output with {eye}, got '" + printable(options.output) + "'";
        return false;
    }
    if (!texts.spot.empty() &&
        (!readNumber(texts.spot, options.seeing.spot) || !(options.seeing.spot >= 0.01 && options.seeing.spot <= 3000))) {
        text = "--spot must be a number from 0.01 to 3000, got '" + printable(texts.spot) + "'";
        return false;
    }
    return true;
}

} // namespace

std::string eyeOutput(const std::string& pattern, std::size_t eye)
{
    std::string name = pattern;
    for (std::size_t at = name.find("{eye}"); at != std::string::npos; at = name.find("{eye}", at))
        name.replace(at, 5, std::to_string(eye));
    return name;
}

Parse parseSimulateOptions(int argc, const char* const* argv, SimulateOptions& options, std::string& text)
{
    CommandLine line("veltrane-simulate", HelpText);
    Texts texts;
    declare(line, options, texts);
    if (const Parse parsed = line.parse(argc, argv, text); parsed != Parse::Run)
        return parsed;
    return readSheet(texts, options, text) && readEyes(texts, options, text) ? Parse::Run
                                                                               : Parse::Invalid;
}

} // namespace veltrane
