// The monitors of the X display, and the one that --screen names: by its
// index in the list, by its name, or by a geometry WxH+X+Y.
#pragma once

#include <string>
#include <vector>

namespace veltrane {

struct Monitor {
    std::string name;
    int width = 0;
    int height = 0;
    int x = 0;
    int y = 0;
    bool primary = false;
    bool wholeMonitor = true; // false for a geometry that is only part of the screen
};

// "1920x1080+0+0".
std::string geometryText(const Monitor& monitor);

// Reads WxH+X+Y (X and Y may also be written -N); false when it is not one.
bool parseGeometry(const std::string& text, Monitor& monitor);

// The monitor a --screen value names: an index into the list, a monitor's name, or
// a geometry (which needs no monitor of its own: a part of the X screen; one
// that is exactly a monitor's is that monitor). False with a one-line message
// when it names none, or a geometry that lies off every monitor.
bool chooseMonitor(const std::string& choice, const std::vector<Monitor>& monitors, Monitor& chosen,
                   std::string& message);

// True when a window of width x height fits the monitor; else false with the
// reason in one line.
bool windowFits(int width, int height, const Monitor& monitor, std::string& message);

// What --list-screens prints: a line a monitor, "0  HDMI-1  1920x1080+0+0  primary".
std::string monitorList(const std::vector<Monitor>& monitors);

} // namespace veltrane
