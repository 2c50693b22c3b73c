#include "veltrane/autocal/autocal_options.h"
#include "veltrane/autocal/pattern.h"

#include "veltrane/process/command_line.h"
#include "veltrane/records/atomic_file.h"
#include "veltrane/records/calibration_record.h"
#include "veltrane/records/parameter_line.h"
#include "veltrane/records/image_file.h"
#include "veltrane/records/limits.h"
#include "veltrane/records/value_text.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <sstream>

namespace veltrane {

namespace {

const char* const HelpText =
    "veltrane-autocal: the pitch and slant of a lens display from photographs of a pattern it shows, starting from "
    "a guess a few per cent off.";

struct Texts {
    std::string param, record, size, camera, rounds, settle, distance, fov, viewCount;
};

void declare(CommandLine& line, AutocalOptions& options, Texts& texts)
{
    auto& param = line.option("--param", texts.param, "the guess as veltrane-calibrator prints it (its -y is the "
                                                      "display's)")
                      .valueName("LINE");
    auto& record = line.option("--calibration", texts.record, "the guess from a calibration record (its size too)")
                       .valueName("FILE");
    param.excludes(record);
    line.option("--size", texts.size, "the display's size (default the record's)").valueName("WxH");
    auto& pattern = line.option("--pattern", options.pattern, "write the pattern for the guess, to show on the "
                                                              "display (veltrane-play --image), and stop; with "
                                                              "--photo, the next round's (FILE-2.png, -3...)")
                        .valueName("FILE");
    auto& photo = line.option("--photo", options.photo, "one round from a photo of the display showing the "
                                                        "pattern (the guess and the size are read from its code)")
                      .valueName("FILE");
    auto& camera = line.option("--camera", texts.camera, "the photos from camera N (one round, or every round "
                                                         "with --screen), or from the virtual camera "
                                                         "sim:pitch=P,x=X,...")
                       .valueName("N|sim:...");
    pattern.excludes(camera);
    photo.excludes(camera);
    line.option("--screen", options.screen, "show each round's pattern full screen on this monitor (an index or "
                                            "name from --list-screens, or WxH+X+Y) before its photo is taken; q or "
                                            "Escape in it stops")
        .valueName("S");
    line.flag("--list-screens", options.listScreens, "list the monitors of the display and end");
    line.option("--settle", texts.settle, "with --screen: how long a pattern shows before its photo, for the "
                                          "panel and the camera's exposure (default 700)")
        .valueName("MS");
    line.option("--rounds", texts.rounds, "rounds at most, with a camera on --screen or the virtual camera "
                                          "(default 3)")
        .valueName("N");
    line.option("--save", options.save, "write the calibration record of the numbers found").valueName("FILE");
    line.option("--distance", texts.distance,
                "the camera's distance from the display's middle in millimetres, 10 to 100000 (tape-measured): "
                "saved as the record's viewing distance; with a --calibration record found from a fifth or more "
                "nearer or farther, the sheet's gap is measured and saved too")
        .valueName("MM");
    line.option("--camera-fov", texts.fov,
                "the camera's horizontal field of view in degrees, 10 to 150: the camera's distance read off the "
                "display's size in the photo, as --distance (needs a --calibration record with the panel's width)")
        .valueName("DEG");
    line.option("--view-count", texts.viewCount,
                "measure the view phase for content of N views at the camera's place, from one more photo, of a "
                "pattern that codes the views (with --camera=sim:... or a camera on --screen)")
        .valueName("N");
    line.flag("--force", options.force, "overwrite an existing pattern file");
    line.flag("--quiet", options.quiet, "no progress (each round and its numbers, shown only on a terminal)");
}

bool readGuess(const Texts& texts, AutocalOptions& options, std::string& text)
{
    options.guessGiven = !texts.param.empty() || !texts.record.empty();
    if (!options.guessGiven && options.photo.empty()) {
        text = "give the guess: --param=LINE or --calibration=FILE";
        return false;
    }
    if (!texts.param.empty() && !parseParameterLine(texts.param, options.guess, text))
        return false;
    if (!texts.record.empty()) {
        CalibrationRecord record;
        if (!loadCalibrationRecord(texts.record, record, text))
            return false;
        options.guess = record.calibration;
        options.display = cv::Size(record.width, record.height);
        options.reverse = record.reverse;
        options.viewOffset = record.viewOffset;
        options.measures = {std::nullopt, record.measures.gap, record.measures.panelWidth};
        options.guessDistance = record.measures.viewingDistance;
    }
    // The pattern's frame and fields need a display of some size.
    constexpr int SmallestSide = SmallestPatternSide;
    int width = 0;
    int height = 0;
    if (!texts.size.empty() &&
        (!parseDimensions(texts.size, width, height) || std::min(width, height) < SmallestSide ||
         std::max(width, height) > MaxImageSide)) {
        text = "--size must be WxH from " + std::to_string(SmallestSide) + "x" + std::to_string(SmallestSide) + " to " +
               std::to_string(MaxImageSide) + "x" + std::to_string(MaxImageSide) + ", got '" + printable(texts.size) +
               "'";
        return false;
    }
    if (!texts.size.empty())
        options.display = cv::Size(width, height);
    else if (options.display.area() != 0 && std::min(options.display.width, options.display.height) < SmallestSide) {
        text = "the record's display of " + std::to_string(options.display.width) + "x" +
               std::to_string(options.display.height) + " is too small for the pattern: give --size=WxH from " +
               std::to_string(SmallestSide) + "x" + std::to_string(SmallestSide);
        return false;
    }
    if (options.display.area() == 0 && options.screen.empty() && options.photo.empty()) {
        text = "give the display's size: --size=WxH (or a calibration record that has it, or --screen)";
        return false;
    }
    return true;
}

bool readDistance(const Texts& texts, AutocalOptions& options, std::string& text)
{
    if (texts.distance.empty())
        return true;
    double distance = 0.0;
    if (!readNumber(texts.distance, distance) || !(distance >= 10.0 && distance <= 100000.0)) {
        text = "--distance must be millimetres from 10 to 100000, got '" + printable(texts.distance) + "'";
        return false;
    }
    if (options.photo.empty() && options.camera < 0 && !options.simulated) {
        text = "--distance is the camera's: give it with --photo or --camera";
        return false;
    }
    options.distance = distance;
    return true;
}

bool readFieldOfView(const Texts& texts, AutocalOptions& options, std::string& text)
{
    if (texts.fov.empty())
        return true;
    if (!readNumber(texts.fov, options.cameraFov) || !(options.cameraFov >= 10.0 && options.cameraFov <= 150.0)) {
        text = "--camera-fov must be degrees from 10 to 150, got '" + printable(texts.fov) + "'";
        return false;
    }
    if (options.distance) {
        text = "--camera-fov gives the camera's distance: give it or --distance, not both";
        return false;
    }
    if (options.photo.empty() && options.camera < 0 && !options.simulated) {
        text = "--camera-fov is the camera's: give it with --photo or --camera";
        return false;
    }
    if (!options.measures.panelWidth) {
        text = "--camera-fov needs the panel's width: give a --calibration record that has panel_width_mm";
        return false;
    }
    return true;
}

bool readViewCount(const Texts& texts, AutocalOptions& options, std::string& text)
{
    if (texts.viewCount.empty())
        return true;
    long count = 0;
    if (!readWholeNumber(texts.viewCount, count) || count < 2 || count > MaxViews) {
        text = "--view-count must be a whole number from 2 to " + std::to_string(MaxViews) + ", got '" +
               printable(texts.viewCount) + "'";
        return false;
    }
    if (!options.simulated && (options.camera < 0 || options.screen.empty())) {
        text = "--view-count needs a photo of the views' code, which this program shows: give it with "
               "--camera=sim:... or --camera=N --screen=S";
        return false;
    }
    options.viewCount = static_cast<int>(count);
    return true;
}

bool readSource(const Texts& texts, AutocalOptions& options, std::string& text)
{
    long rounds = 3;
    if (!texts.rounds.empty() && (!readWholeNumber(texts.rounds, rounds) || rounds < 1 || rounds > 10)) {
        text = "--rounds must be a whole number from 1 to 10, got '" + printable(texts.rounds) + "'";
        return false;
    }
    options.rounds = static_cast<int>(rounds);
    long settle = options.settleMs;
    if (!texts.settle.empty() && (!readWholeNumber(texts.settle, settle) || settle < 0 || settle > 60000)) {
        text = "--settle must be a number of milliseconds from 0 to 60000, got '" + printable(texts.settle) + "'";
        return false;
    }
    options.settleMs = static_cast<int>(settle);
    if (texts.camera.rfind("sim:", 0) == 0) {
        options.simulated = true;
        return parseVirtualCamera(texts.camera.substr(4), options.guess, options.virtualCamera, text);
    }
    long camera = -1;
    if (!texts.camera.empty() && (!readWholeNumber(texts.camera, camera) || camera < 0 || camera > 63)) {
        text = "--camera must be a camera's number (0 to 63) or sim:..., got '" + printable(texts.camera) + "'";
        return false;
    }
    options.camera = static_cast<int>(camera);
    // A photo is one round, taken already: rounds and settling are a camera's.
    if (!options.photo.empty() && (!texts.rounds.empty() || !texts.settle.empty())) {
        text = std::string(texts.rounds.empty() ? "--settle" : "--rounds") +
               " is for a camera's rounds: a --photo is one round";
        return false;
    }
    if (options.pattern.empty() && options.photo.empty() && options.camera < 0) {
        text = "give where the photos come from: --photo=FILE, --camera=N or --camera=sim:... (or --pattern=FILE)";
        return false;
    }
    return true;
}

} // namespace

bool parseVirtualCamera(const std::string& text, const Calibration& guess, VirtualCamera& camera,
                        std::string& message)
{
    camera = VirtualCamera();
    Calibration& sheet = camera.sheet.calibration;
    sheet = guess;
    sheet.viewPhase = 0.0;
    camera.sheet.viewCount = 8;
    camera.sheet.gap = 3.0 * guess.pitch;
    std::map<std::string, double*> numbers = {
        {"pitch", &sheet.pitch},          {"phase", &sheet.viewPhase}, {"gap", &camera.sheet.gap},
        {"distance", &camera.distance},   {"yaw", &camera.yaw},        {"tilt", &camera.tilt},
        {"roll", &camera.roll},           {"blur", &camera.blur},      {"noise", &camera.noise},
        {"gamma", &camera.gamma},         {"vignetting", &camera.vignetting}, {"fov", &camera.fieldOfView},
        {"surround", &camera.surround},   {"glare", &camera.glare},    {"reflection", &camera.reflection}};
    std::stringstream pairs(text);
    std::string pair;
    while (std::getline(pairs, pair, ',')) {
        const std::size_t equals = pair.find('=');
        const std::string key = pair.substr(0, equals);
        const std::string value = equals == std::string::npos ? "" : pair.substr(equals + 1);
        double number = 0.0;
        const bool read = readNumber(value, number) && std::fabs(number) <= 1e9;
        if (read && numbers.count(key) != 0) {
            *numbers[key] = number;
        } else if (read && key == "x" && number >= 0 && number <= 1e6 && number == std::floor(number)) {
            sheet.x = static_cast<int>(number);
        } else if (read && key == "mirror" && (number == 0 || number == 1)) {
            sheet.mirror = number == 1;
        } else if (read && key == "textured" && (number == 0 || number == 1)) {
            camera.textured = number == 1;
        } else if (read && key == "jpeg" && number >= 0 && number <= 100 && number == std::floor(number)) {
            camera.jpegQuality = static_cast<int>(number);
        } else if (read && key == "seed" && number >= 0 && number <= 4e9) {
            camera.seed = static_cast<unsigned>(number);
        } else if (key == "panel" && readSubpixelOrder(value, sheet.subpixelOrder)) {
        } else {
            message = "--camera=sim: cannot use '" + printable(pair) + "' (keys: pitch, x, mirror, phase, panel, gap, "
                      "distance, yaw, tilt, roll, blur, noise, gamma, vignetting, fov, surround, textured, glare, reflection, "
                      "jpeg, seed)";
            return false;
        }
    }
    if (!pitchInRange(sheet.pitch) || !(camera.distance > 0.0) || !(camera.sheet.gap >= 0.0) ||
        !(camera.gamma > 0.0 && camera.gamma <= 10.0) || !(camera.blur >= 0.0 && camera.blur <= 50.0) ||
        !(camera.noise >= 0.0 && camera.noise <= 255.0) || !(camera.vignetting >= 0.0 && camera.vignetting < 1.0) ||
        !(camera.fieldOfView == 0.0 || (camera.fieldOfView >= 10.0 && camera.fieldOfView <= 150.0)) ||
        !(camera.surround >= 0.0 && camera.surround <= 1.0) || !(camera.glare >= 0.0 && camera.glare <= 1.0) ||
        !(camera.reflection >= 0.0 && camera.reflection <= 2.0) || std::fabs(camera.yaw) > 60.0 ||
        std::fabs(camera.tilt) > 60.0 || std::fabs(camera.roll) > 60.0) {
        message = "--camera=sim: a value is out of range ('" + printable(text) + "')";
        return false;
    }
    return true;
}

Parse parseAutocalOptions(int argc, const char* const* argv, AutocalOptions& options, std::string& text)
{
    CommandLine line("veltrane-autocal", HelpText);
    Texts texts;
    declare(line, options, texts);
    if (const Parse parsed = line.parse(argc, argv, text); parsed != Parse::Run || options.listScreens)
        return parsed;
    if (!options.pattern.empty() && !pngName(options.pattern)) {
        text = "--pattern is written as PNG: its name must end in .png, got '" + printable(options.pattern) + "'";
        return Parse::Invalid;
    }
    if (!options.pattern.empty() && options.photo.empty() && !options.force && nameTaken(options.pattern)) {
        text = "'" + printable(options.pattern) + "' exists: give --force to overwrite it";
        return Parse::Invalid;
    }
    if (!options.pattern.empty() && options.photo.empty() && !options.save.empty()) {
        text = "--save is for the numbers found: give it with --photo or --camera";
        return Parse::Invalid;
    }
    // A record that cannot be written is refused before any photo is taken
    // (a folder that is not there, as the other programs refuse it).
    const bool saveable = options.save.empty() || recordCanBeWritten(options.save, text);
    return readGuess(texts, options, text) && readSource(texts, options, text) &&
                   readDistance(texts, options, text) && readFieldOfView(texts, options, text) &&
                   readViewCount(texts, options, text) && saveable
               ? Parse::Run
                                                                                           : Parse::Invalid;
}

} // namespace veltrane
