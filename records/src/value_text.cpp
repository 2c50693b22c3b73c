#include "veltrane/records/value_text.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace veltrane {

bool pitchInRange(double pitch)
{
    if (!std::isfinite(pitch) || pitch < MinPitch || pitch >= PitchLimit)
        return false;
    char printed[32];
    std::snprintf(printed, sizeof printed, "%.4f", pitch);
    return std::strtod(printed, nullptr) < PitchLimit;
}

double printedPitch(double pitch)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.4f", pitch);
    return std::strtod(text, nullptr);
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
    // NaN and infinity are no number a program can use (strtod takes them).
    return *end == '\0' && std::isfinite(value);
}

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

bool readSubpixelOrder(const std::string& text, ChannelOrder& order)
{
    if (text != "rgb" && text != "bgr")
        return false;
    order = text == "bgr" ? ChannelOrder::Bgr : ChannelOrder::Rgb;
    return true;
}

bool readWeighting(const std::string& text, Weighting& weighting)
{
    if (text != "lines" && text != "full")
        return false;
    weighting = text == "lines" ? Weighting::Lines : Weighting::Full;
    return true;
}

const char* weightingName(Weighting weighting)
{
    return weighting == Weighting::Lines ? "lines" : "full";
}

std::string sizeText(cv::Size size)
{
    return std::to_string(size.width) + " x " + std::to_string(size.height);
}

} // namespace veltrane
