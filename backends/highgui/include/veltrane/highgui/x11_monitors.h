// The monitors of the X display, from RandR 1.5 (XRRGetMonitors), or the
// whole X screen as one monitor where RandR gives none.
#pragma once

#include "veltrane/display/monitors.h"

#include <string>
#include <vector>

namespace veltrane {

// False with a one-line message when the display cannot be opened.
bool queryMonitors(std::vector<Monitor>& monitors, std::string& message);

// What --list-screens prints (monitorList of the monitors found); false with
// a one-line message as queryMonitors.
bool listScreens(std::string& list, std::string& message);

} // namespace veltrane
