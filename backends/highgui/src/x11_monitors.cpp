#include "veltrane/highgui/x11_monitors.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

namespace veltrane {

namespace {

std::string atomName(Display* display, Atom atom)
{
    char* name = atom != None ? XGetAtomName(display, atom) : nullptr;
    const std::string text = name != nullptr ? name : "";
    if (name != nullptr)
        XFree(name);
    return text;
}

void readRandrMonitors(Display* display, std::vector<Monitor>& monitors)
{
    int event = 0;
    int error = 0;
    int major = 0;
    int minor = 0;
    if (!XRRQueryExtension(display, &event, &error) || !XRRQueryVersion(display, &major, &minor) ||
        major * 100 + minor < 105)
        return;
    int count = 0;
    XRRMonitorInfo* info = XRRGetMonitors(display, DefaultRootWindow(display), True, &count);
    for (int i = 0; info != nullptr && i < count; ++i) {
        Monitor monitor;
        monitor.name = atomName(display, info[i].name);
        monitor.width = info[i].width;
        monitor.height = info[i].height;
        monitor.x = info[i].x;
        monitor.y = info[i].y;
        monitor.primary = info[i].primary != 0;
        if (monitor.name.empty())
            monitor.name = "monitor-" + std::to_string(i);
        monitors.push_back(monitor);
    }
    if (info != nullptr)
        XRRFreeMonitors(info);
}

} // namespace

bool queryMonitors(std::vector<Monitor>& monitors, std::string& message)
{
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        message = "cannot open the X display to list its screens";
        return false;
    }
    monitors.clear();
    readRandrMonitors(display, monitors);
    if (monitors.empty()) {
        const int screen = DefaultScreen(display);
        monitors.push_back({"screen", DisplayWidth(display, screen), DisplayHeight(display, screen), 0, 0, true});
    }
    XCloseDisplay(display);
    return true;
}

bool listScreens(std::string& list, std::string& message)
{
    std::vector<Monitor> monitors;
    if (!queryMonitors(monitors, message))
        return false;
    list = monitorList(monitors);
    return true;
}

} // namespace veltrane
