#include "veltrane/records/parameter_line.h"

#include "veltrane/records/value_text.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <vector>

namespace veltrane {

namespace {

bool wholeNumber(const std::string& text, int& value)
{
    long read = 0;
    if (!readWholeNumber(text, read) || read < 0 || read > MaxSlantTerm)
        return false;
    value = static_cast<int>(read);
    return true;
}

} // namespace

bool parseParameterLine(const std::string& text, Calibration& calibration, std::string& message)
{
    std::istringstream words(text);
    std::vector<std::string> tokens;
    for (std::string word; words >> word;) // any white space, the carriage return included
        tokens.push_back(word);
    if (!tokens.empty() && tokens.front() == "param:")
        tokens.erase(tokens.begin());

    Calibration read;
    bool haveX = false;
    bool haveY = false;
    bool havePitch = false;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const std::string& name = tokens[i];
        if (name == "-mirror" && !read.mirror) {
            read.mirror = true;
            continue;
        }
        const bool valued = name == "-x" || name == "-y" || name == "-pitch";
        if (!valued || i + 1 == tokens.size()) {
            message = "not a parameter line: expected -x N -y N -pitch P [-mirror], as the calibrator prints it";
            return false;
        }
        const std::string& value = tokens[++i];
        bool good = false;
        if (name == "-x" && !haveX)
            good = haveX = wholeNumber(value, read.x);
        else if (name == "-y" && !haveY)
            good = haveY = wholeNumber(value, read.y) && read.y > 0;
        else if (name == "-pitch" && !havePitch)
            good = havePitch = readNumber(value, read.pitch) && pitchInRange(read.pitch);
        if (!good) {
            message = "parameter line: " + name + " '" + printable(value) + "' is not a value the calibrator prints";
            return false;
        }
    }
    if (!haveX || !haveY || !havePitch) {
        message = "parameter line: it needs -x, -y and -pitch, as the calibrator prints them";
        return false;
    }
    calibration = read;
    return true;
}

std::string parameterLine(const Calibration& calibration)
{
    char line[96];
    std::snprintf(line, sizeof line, "param: -x %5d -y %5d -pitch %8.4f%s", calibration.x, calibration.y,
                  calibration.pitch, calibration.mirror ? " -mirror" : "");
    return line;
}

} // namespace veltrane
