#include "veltrane/calibrator/options.h"

#include "veltrane/calibrator/pitch_adjustment.h"
#include "veltrane/records/calibration_record.h"
#include "veltrane/records/value_text.h"
#include "veltrane/display/monitors.h"
#include "veltrane/panel/panel_layout.h"

#include <opencv2/core/utility.hpp>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <sstream>
#include <vector>
#include <algorithm>

namespace veltrane {

namespace {

const char* const OptionKeys = "{help ?  |     |show this help}"
                               "{w width |640  |width}"
                               "{h height|512  |height}"
                               "{p pitch |8.0  |pitch}";

// The options OpenCV's parser reads, and those read here.
bool parserOption(const std::string& name)
{
    return name == "w" || name == "width" || name == "h" || name == "height" || name == "p" || name == "pitch";
}

bool textOption(const std::string& name)
{
    return name == "screen" || name == "from" || name == "param" || name == "calibration" || name == "save" ||
           name == "panel" || name == "size";
}

bool knownName(const std::string& name, bool& takesValue)
{
    takesValue = parserOption(name) || textOption(name);
    return takesValue || name == "help" || name == "?" || name == "list-screens";
}

} // namespace

namespace {

// The parser ignores what it does not know; a typing error must not pass
// unseen. name is the option's name without its dashes.
bool checkArgument(const std::string& argument, std::string& name, std::string& message)
{
    if (argument.empty() || argument[0] != '-') {
        message = "unexpected argument '" + printable(argument) + "': options are written -w=1920, --pitch 8.25";
        return false;
    }
    const std::size_t start = argument.find_first_not_of('-');
    const std::size_t equals = argument.find('=');
    name = start == std::string::npos ? "" : argument.substr(start, equals - start);
    bool takesValue = false;
    if (start > 2 || !knownName(name, takesValue)) {
        message = "unknown option '" + printable(argument) + "' (see --help)";
        return false;
    }
    if (takesValue && equals == std::string::npos) {
        const std::string example = name[0] == 'p' ? "8.25" : name[0] == 'h' ? "1080" : "1920";
        message = "option '" + printable(argument) + "' needs a value after '=' or a space" +
                  (parserOption(name) ? ", for example -" + name.substr(0, 1) + "=" + example +
                                            (name[0] == 'h' ? " (the help is --help)" : "")
                                      : std::string());
        return false;
    }
    if (!takesValue && equals != std::string::npos) {
        message = "option '" + printable(argument) + "' takes no value";
        return false;
    }
    return true;
}

// What an option after its '=' says: the rest of the argument, verbatim.
std::string valueOf(const std::string& argument)
{
    return argument.substr(argument.find('=') + 1);
}

// What --from (or --param), --calibration, --panel and --size say, read once all are known.
struct StartTexts {
    std::string from;
    std::string calibration;
    std::string panel;
    std::string size;
};

// --screen, --from or --param, --calibration, --save, --panel and --size, each at most once.
bool takeTextOption(const std::string& name, const std::string& value, Options& options, StartTexts& texts,
                    std::string& message)
{
    std::string& slot = name == "screen"                      ? options.screen
                        : name == "from" || name == "param"   ? texts.from
                        : name == "calibration"               ? texts.calibration
                        : name == "panel"                     ? texts.panel
                        : name == "size"                      ? texts.size
                                                              : options.save;
    if (!slot.empty()) {
        message = name == "from" || name == "param" ? std::string("--from and --param are the same line: give it once")
                                                    : "--" + name + " is given twice";
        return false;
    }
    if (value.empty()) {
        message = "--" + name + " needs a value after '='";
        return false;
    }
    slot = value;
    return true;
}

// -w/--width, -h/--height and -p/--pitch noted as given: each at most once
// (the parser would quietly keep one of two).
bool takeNumberOption(const std::string& name, Options& options, std::string& message)
{
    bool* given = name == "w" || name == "width"    ? &options.widthGiven
                  : name == "h" || name == "height" ? &options.heightGiven
                  : name == "p" || name == "pitch"  ? &options.pitchGiven
                                                    : nullptr;
    if (given == nullptr)
        return true;
    if (*given) {
        message = "-" + name.substr(0, 1) + " (--" + (name[0] == 'w' ? "width" : name[0] == 'h' ? "height" : "pitch") +
                  ") is given twice";
        return false;
    }
    *given = true;
    return true;
}

// The calibration to start from: a printed line or a saved record.
bool readStart(const std::string& from, const std::string& calibration, Options& options, std::string& message)
{
    if (!from.empty() && !calibration.empty()) {
        message = "--from (or --param) and --calibration both give the calibration to start from: give one";
        return false;
    }
    if (!from.empty()) {
        options.resume = parseParameterLine(from, options.start, message);
        if (!options.resume)
            message = "--from: " + message;
        return options.resume;
    }
    if (!calibration.empty()) {
        CalibrationRecord record;
        options.resume = loadCalibrationRecord(calibration, record, message);
        options.start = record.calibration;
        options.recordWidth = record.width;
        options.recordHeight = record.height;
        options.recordReverse = record.reverse;
        options.recordViewOffset = record.viewOffset;
        options.recordMeasures = {std::nullopt, record.measures.gap, record.measures.panelWidth};
        return options.resume;
    }
    return true;
}

// The panel's subpixel order: --panel, else the record's, else red first.
bool readPanel(const std::string& panel, Options& options, std::string& message)
{
    if (panel.empty()) {
        options.subpixelOrder = options.resume ? options.start.subpixelOrder : veltrane::ChannelOrder::Rgb;
        return true;
    }
    if (!veltrane::readSubpixelOrder(panel, options.subpixelOrder)) {
        message = "--panel must be rgb or bgr (the order of the panel's subpixels from the left), got '" +
                  printable(panel) + "'";
        return false;
    }
    return true;
}

// A start below the floor of the pitch adjustments could not be adjusted:
// refused unless -p gives the pitch to start from instead.
bool checkStartPitch(const Options& options, std::string& message)
{
    if (!options.resume || options.pitchGiven || options.start.pitch >= PitchFloor)
        return true;
    char pitch[32];
    std::snprintf(pitch, sizeof pitch, "%.4f", options.start.pitch);
    message = std::string("the pitch to start from is ") + pitch +
              ", below 2, where the keys and drags stop: give -p=PITCH to start from another";
    return false;
}

bool checkHeight(const Options& options, std::string& message)
{
    const int minimumHeight = 2 * panelBarHeight(options.width) + 1;
    if (options.height >= minimumHeight)
        return true;
    message = "height must be at least " + std::to_string(minimumHeight) + " pixels for width " +
              std::to_string(options.width) + " (room for the drag area between the two bars), got " +
              std::to_string(options.height);
    return false;
}

bool readSide(const cv::CommandLineParser& parser, const char* key, const char* what, int minimum,
              int& side, std::string& message)
{
    const std::string text = parser.get<std::string>(key);
    long value = 0;
    if (!readWholeNumber(text, value)) {
        message = std::string(what) + " must be a whole number of pixels, got '" + printable(text) + "'";
        return false;
    }
    if (value < minimum || value > MaxImageSide) {
        message = std::string(what) + " must be from " + std::to_string(minimum) + " to " +
                  std::to_string(MaxImageSide) + " pixels, got " + printable(text);
        return false;
    }
    side = static_cast<int>(value);
    return true;
}

bool readPitch(const cv::CommandLineParser& parser, double& pitch, std::string& message)
{
    const std::string text = parser.get<std::string>("p");
    double value = 0.0;
    if (!readNumber(text, value) || !pitchInRange(value) || value < PitchFloor) {
        message = "pitch must be a number of subpixel columns from 2 up to 999.9999 (the keys and drags stop at 2), "
                  "got '" + printable(text) + "'";
        return false;
    }
    pitch = value;
    return true;
}

// An option and its value typed as two arguments ("-w 1920", "--from LINE")
// joined into the one the parser reads ("-w=1920"); i moves past the value.
// No option takes a next argument that is a long option itself (--save
// --list-screens is a save without its file), and a number's option none
// that begins with a dash.
std::string joinedValue(int argc, const char* const argv[], int& i)
{
    std::string argument = argv[i];
    std::string name;
    std::string unused;
    if (i + 1 >= argc || argument.find('=') != std::string::npos || argument.rfind("-", 0) != 0 ||
        !checkArgument(argument + "=", name, unused) || std::string(argv[i + 1]).rfind("--", 0) == 0 ||
        (parserOption(name) && argv[i + 1][0] == '-'))
        return argument;
    return argument + "=" + argv[++i];
}

// --size=WxH: the width and height the parser reads, as -w= and -h= would give them.
bool readSize(const std::string& size, Options& options, std::deque<std::string>& arguments,
              std::vector<const char*>& parserArguments, std::string& message)
{
    int width = 0;
    int height = 0;
    if (options.widthGiven || options.heightGiven) {
        message = "--size and -w/-h both give the size: give one";
        return false;
    }
    if (!parseDimensions(size, width, height)) {
        message = "--size must be WxH, for example --size=1920x1080, got '" + printable(size) + "'";
        return false;
    }
    options.widthGiven = options.heightGiven = true;
    parserArguments.push_back(arguments.emplace_back("-w=" + std::to_string(width)).c_str());
    parserArguments.push_back(arguments.emplace_back("-h=" + std::to_string(height)).c_str());
    return true;
}

} // namespace

OptionsResult parseOptions(int argc, const char* const argv[], Options& options, std::string& message)
{
    std::vector<const char*> parserArguments{argc > 0 ? argv[0] : "veltrane-calibrator"};
    std::deque<std::string> arguments; // as -w=1920, however typed; their texts stay where they are
    StartTexts texts;
    for (int i = 1; i < argc; ++i) {
        std::string name;
        const std::string& argument = arguments.emplace_back(joinedValue(argc, argv, i));
        if (!checkArgument(argument, name, message))
            return OptionsResult::Invalid;
        if (textOption(name)) {
            if (!takeTextOption(name, valueOf(argument), options, texts, message))
                return OptionsResult::Invalid;
            continue;
        }
        if (!takeNumberOption(name, options, message))
            return OptionsResult::Invalid;
        options.listScreens = options.listScreens || name == "list-screens";
        if (name != "list-screens")
            parserArguments.push_back(argument.c_str());
    }
    if (!texts.size.empty() && !readSize(texts.size, options, arguments, parserArguments, message))
        return OptionsResult::Invalid;

    const cv::CommandLineParser parser(static_cast<int>(parserArguments.size()), parserArguments.data(), OptionKeys);
    if (parser.has("help"))
        return OptionsResult::Help;

    if (!readSide(parser, "w", "width", MinWidth, options.width, message) ||
        !readSide(parser, "h", "height", 1, options.height, message) ||
        !readPitch(parser, options.pitch, message) || !readStart(texts.from, texts.calibration, options, message) ||
        !readPanel(texts.panel, options, message) || !checkStartPitch(options, message))
        return OptionsResult::Invalid;
    if (!options.save.empty() && !recordCanBeWritten(options.save, message))
        return OptionsResult::Invalid;
    // With a screen or a record, the size is settled once they are known.
    if (options.screen.empty() && !settleWindowSize(options, nullptr, message))
        return OptionsResult::Invalid;
    return OptionsResult::Run;
}

bool settleWindowSize(Options& options, const Monitor* screen, std::string& message)
{
    if (screen != nullptr) {
        if (!options.widthGiven)
            options.width = std::min(screen->width, MaxImageSide);
        if (!options.heightGiven)
            options.height = std::min(screen->height, MaxImageSide);
        if (!windowFits(options.width, options.height, *screen, message))
            return false;
    } else {
        if (!options.widthGiven && options.recordWidth >= MinWidth)
            options.width = options.recordWidth;
        if (!options.heightGiven && options.recordHeight > 0)
            options.height = options.recordHeight;
    }
    if (options.width < MinWidth) {
        message = "width must be at least " + std::to_string(MinWidth) + " pixels, got " + std::to_string(options.width);
        return false;
    }
    return checkHeight(options, message);
}

std::string usageText(const char* program)
{
    std::ostringstream out;
    out << "Usage: " << program << " [-w=WIDTH -h=HEIGHT | --size=WxH] [-p=PITCH] [--screen=S]"
        << " [--param=LINE | --calibration=FILE] [--save=FILE]\n"
        << "Calibrates slant, pitch and mirror of a slanted-lens autostereoscopic display.\n\n"
        << "  -w=N, --width=N       width of the output image in pixels (default 640, or the screen's; 5 to 16384)\n"
        << "  -h=N, --height=N      height of the output image in pixels (default 512, or the screen's;\n"
        << "                        more than twice the panel bar height, up to 16384)\n"
        << "  --size=WxH            width and height at once, as -w and -h\n"
        << "  -p=X, --pitch=X       lens pitch in subpixel columns (default 8.0, from 2 to 999.9999)\n"
        << "  --list-screens        list the monitors of the display and end\n"
        << "  --screen=S            calibrate full screen on monitor S: an index or name from\n"
        << "                        --list-screens, or a geometry WxH+X+Y\n"
        << "  --param=LINE          start from a printed line, \"param: -x 6 -y 1152 -pitch 8.0000 -mirror\"\n"
        << "  --from=LINE           the same as --param\n"
        << "  --calibration=FILE    start from a saved calibration record (without --screen, -w and -h\n"
        << "                        default to the window size saved in it)\n"
        << "  --panel=ORDER         the panel's subpixels from the left: rgb or bgr (default the record's,\n"
        << "                        else rgb); the frames are drawn for it and the record keeps it\n"
        << "  --save=FILE           save the calibration record when the calibrator ends, a file in an\n"
        << "                        existing folder (YAML, or JSON for a name ending in .json)\n"
        << "  -?, --help            show this help\n"
        << "A value follows its option after '=' or a space (-w=1920, -w 1920). Escape or \"quit\" ends.\n\n"
        << "Example: " << program << " --screen=1 --calibration=lens.yml --save=lens.yml\n";
    return out.str();
}

} // namespace veltrane
