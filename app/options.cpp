#include "app/options.h"

#include "panel/panel_layout.h"

#include <opencv2/core/utility.hpp>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace {

const char* const OptionKeys = "{help ?  |     |show this help}"
                               "{w width |640  |width}"
                               "{h height|512  |height}"
                               "{p pitch |8.0  |pitch}";

bool knownName(const std::string& name, bool& takesValue)
{
    takesValue = name == "w" || name == "width" || name == "h" || name == "height" ||
                 name == "p" || name == "pitch";
    return takesValue || name == "help" || name == "?";
}

// Text of an argument fit for a one-line message: control characters and
// bytes outside ASCII are written as escapes (\n, \x1b).
std::string printable(const std::string& text)
{
    std::string shown;
    for (const unsigned char c : text) {
        if (c == '\n')
            shown += "\\n";
        else if (c == '\t')
            shown += "\\t";
        else if (c == '\r')
            shown += "\\r";
        else if (c < 0x20 || c >= 0x7f) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02x", c);
            shown += escape;
        } else
            shown += static_cast<char>(c);
    }
    return shown;
}

// The parser ignores what it does not know; a typing error must not pass unseen.
bool checkArgument(const std::string& argument, std::string& message)
{
    if (argument.empty() || argument[0] != '-') {
        message = "unexpected argument '" + printable(argument) + "': options are written -w=1920, --pitch=8.25";
        return false;
    }
    const std::size_t start = argument.find_first_not_of('-');
    const std::size_t equals = argument.find('=');
    const std::string name = start == std::string::npos ? "" : argument.substr(start, equals - start);
    bool takesValue = false;
    if (start > 2 || !knownName(name, takesValue)) {
        message = "unknown option '" + printable(argument) + "' (see --help)";
        return false;
    }
    if (takesValue && equals == std::string::npos) {
        message = "option '" + printable(argument) + "' needs a value after '=', for example -" + name.substr(0, 1) +
                  "=" + (name[0] == 'p' ? "8.25" : "1920");
        return false;
    }
    return true;
}

bool readWholeNumber(const std::string& text, long& value)
{
    if (text.empty())
        return false;
    errno = 0;
    char* end = nullptr;
    value = std::strtol(text.c_str(), &end, 10);
    return errno == 0 && *end == '\0';
}

bool readNumber(const std::string& text, double& value)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return *end == '\0';
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
    if (!readNumber(text, value) || !pitchInRange(value)) {
        message = "pitch must be a number of subpixel columns from 1 up to 999.9999, got '" + printable(text) + "'";
        return false;
    }
    pitch = value;
    return true;
}

} // namespace

bool pitchInRange(double pitch)
{
    if (!std::isfinite(pitch) || pitch < MinPitch || pitch >= PitchLimit)
        return false;
    char printed[32];
    std::snprintf(printed, sizeof printed, "%.4f", pitch);
    return std::strtod(printed, nullptr) < PitchLimit;
}

OptionsResult parseOptions(int argc, const char* const argv[], Options& options, std::string& message)
{
    for (int i = 1; i < argc; ++i)
        if (!checkArgument(argv[i], message))
            return OptionsResult::Invalid;

    const cv::CommandLineParser parser(argc, argv, OptionKeys);
    if (parser.has("help"))
        return OptionsResult::Help;

    if (!readSide(parser, "w", "width", MinWidth, options.width, message))
        return OptionsResult::Invalid;
    if (!readSide(parser, "h", "height", 1, options.height, message))
        return OptionsResult::Invalid;
    const int minimumHeight = 2 * panelBarHeight(options.width) + 1;
    if (options.height < minimumHeight) {
        message = "height must be at least " + std::to_string(minimumHeight) + " pixels for width " +
                  std::to_string(options.width) + " (room for the drag area between the two bars), got " +
                  std::to_string(options.height);
        return OptionsResult::Invalid;
    }
    if (!readPitch(parser, options.pitch, message))
        return OptionsResult::Invalid;
    return OptionsResult::Run;
}

std::string usageText(const char* program)
{
    std::ostringstream out;
    out << "Usage: " << program << " [-w=WIDTH] [-h=HEIGHT] [-p=PITCH]\n"
        << "Calibrates slant, pitch and mirror of a slanted-lens autostereoscopic display.\n\n"
        << "  -w=N, --width=N     width of the output image in pixels (default 640, 5 to 16384)\n"
        << "  -h=N, --height=N    height of the output image in pixels (default 512, up to 16384)\n"
        << "  -p=X, --pitch=X     lens pitch in subpixel columns (default 8.0, from 1 below 1000)\n"
        << "  -?, --help          show this help\n\n"
        << "Example: " << program << " -w=1920 -h=1080 --pitch=8.25\n";
    return out.str();
}
