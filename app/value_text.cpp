#include "app/value_text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

bool pitchInRange(double pitch)
{
    if (!std::isfinite(pitch) || pitch < MinPitch || pitch >= PitchLimit)
        return false;
    char printed[32];
    std::snprintf(printed, sizeof printed, "%.4f", pitch);
    return std::strtod(printed, nullptr) < PitchLimit;
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
