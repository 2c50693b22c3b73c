#include "veltrane/display/monitors.h"

#include "veltrane/records/value_text.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <sstream>

namespace veltrane {

namespace {

// A number at text[at], with an optional sign when signed; moves at past it.
bool readNumber(const std::string& text, std::size_t& at, bool withSign, int& value)
{
    const std::size_t start = at;
    if (withSign && at < text.size() && (text[at] == '+' || text[at] == '-'))
        ++at;
    const std::size_t digits = at;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9')
        ++at;
    if (at == digits || at - digits > 9)
        return false;
    value = std::atoi(text.substr(start, at - start).c_str());
    return true;
}

bool readIndex(const std::string& text, int& index)
{
    if (text.empty() || text.size() > 6 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    index = std::atoi(text.c_str());
    return true;
}

} // namespace

std::string geometryText(const Monitor& monitor)
{
    auto offset = [](int value) { return (value < 0 ? "-" : "+") + std::to_string(value < 0 ? -value : value); };
    return std::to_string(monitor.width) + "x" + std::to_string(monitor.height) + offset(monitor.x) + offset(monitor.y);
}

bool parseGeometry(const std::string& text, Monitor& monitor)
{
    std::size_t at = 0;
    Monitor read;
    if (!readNumber(text, at, false, read.width) || at >= text.size() || text[at++] != 'x' ||
        !readNumber(text, at, false, read.height) || at >= text.size() || (text[at] != '+' && text[at] != '-') ||
        !readNumber(text, at, true, read.x) || at >= text.size() || (text[at] != '+' && text[at] != '-') ||
        !readNumber(text, at, true, read.y) || at != text.size())
        return false;
    if (read.width <= 0 || read.height <= 0)
        return false;
    read.name = text;
    monitor = read;
    return true;
}

namespace {

bool overlaps(const Monitor& a, const Monitor& b)
{
    return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

// A geometry on the screen: a monitor when it is exactly one, a part of the
// screen when it overlaps one, refused when it lies off them all.
bool placeGeometry(Monitor& region, const std::vector<Monitor>& monitors, std::string& message)
{
    for (const Monitor& monitor : monitors)
        if (geometryText(monitor) == geometryText(region)) {
            region = monitor;
            return true;
        }
    for (const Monitor& monitor : monitors)
        if (overlaps(region, monitor)) {
            region.wholeMonitor = false;
            return true;
        }
    message = "the geometry " + geometryText(region) + " lies off every monitor, where no window can be seen (see --list-screens)";
    return false;
}

} // namespace

bool chooseMonitor(const std::string& choice, const std::vector<Monitor>& monitors, Monitor& chosen,
                   std::string& message)
{
    int index = 0;
    if (readIndex(choice, index)) {
        if (index < static_cast<int>(monitors.size())) {
            chosen = monitors[index];
            return true;
        }
        message = "there is no screen " + choice + ": the display has " + std::to_string(monitors.size()) +
                  " (see --list-screens)";
        return false;
    }
    for (const Monitor& monitor : monitors)
        if (monitor.name == choice) {
            chosen = monitor;
            return true;
        }
    if (parseGeometry(choice, chosen))
        return placeGeometry(chosen, monitors, message);
    message = "no screen is named '" + printable(choice) +
              "': give an index or a name from --list-screens, or a geometry such as 1920x1080+0+0";
    return false;
}

std::string monitorList(const std::vector<Monitor>& monitors)
{
    std::ostringstream list;
    for (std::size_t i = 0; i < monitors.size(); ++i)
        list << i << "  " << monitors[i].name << "  " << geometryText(monitors[i])
             << (monitors[i].primary ? "  primary" : "") << "\n";
    return list.str();
}

bool windowFits(int width, int height, const Monitor& monitor, std::string& message)
{
    if (width <= monitor.width && height <= monitor.height)
        return true;
    message = "a window of " + std::to_string(width) + " x " + std::to_string(height) + " does not fit screen " +
              printable(monitor.name) + " (" + geometryText(monitor) + ")";
    return false;
}

} // namespace veltrane
