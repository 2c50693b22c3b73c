#include "veltrane/highgui/x11_windows.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <unistd.h>

namespace veltrane {

namespace {

Display* asDisplay(void* display)
{
    return static_cast<Display*>(display);
}

bool ownedByThisProcess(Display* display, Window window)
{
    const Atom pidAtom = XInternAtom(display, "_NET_WM_PID", True);
    if (pidAtom == None)
        return false;
    Atom type = None;
    int format = 0;
    unsigned long items = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    bool owned = false;
    if (XGetWindowProperty(display, window, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &items, &after,
                           &data) == Success &&
        data != nullptr) {
        owned = format == 32 && items == 1 && *reinterpret_cast<unsigned long*>(data) == static_cast<unsigned long>(getpid());
    }
    if (data != nullptr)
        XFree(data);
    return owned;
}

bool named(Display* display, Window window, const std::string& title)
{
    char* name = nullptr;
    const bool same = XFetchName(display, window, &name) != 0 && name != nullptr && title == name;
    if (name != nullptr)
        XFree(name);
    return same;
}

// Depth-first over the window tree (a window manager puts top-level windows
// into frames of its own).
Window search(Display* display, Window parent, const std::string& title, int depth)
{
    Window root = 0;
    Window up = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display, parent, &root, &up, &children, &count) == 0)
        return 0;
    Window found = 0;
    for (unsigned int i = 0; i < count && found == 0; ++i) {
        if (named(display, children[i], title) && ownedByThisProcess(display, children[i]))
            found = children[i];
        else if (depth > 0)
            found = search(display, children[i], title, depth - 1);
    }
    if (children != nullptr)
        XFree(children);
    return found;
}

// Errors about windows that went away between two requests are expected here.
int ignoreErrors(Display*, XErrorEvent*)
{
    return 0;
}

Window findOwnWindow(Display* display, const std::string& title)
{
    XErrorHandler previous = XSetErrorHandler(ignoreErrors);
    const Window window = search(display, DefaultRootWindow(display), title, 2);
    XSync(display, False);
    XSetErrorHandler(previous);
    return window;
}

} // namespace

X11Windows::~X11Windows()
{
    if (display_ != nullptr)
        XCloseDisplay(asDisplay(display_));
}

bool X11Windows::connect()
{
    if (display_ == nullptr)
        display_ = XOpenDisplay(nullptr);
    return display_ != nullptr;
}

bool X11Windows::watch(const std::string& title)
{
    if (!connect())
        return true; // nothing to watch with
    if (watchedTitle_.empty())
        watchedTitle_ = title;
    return watched_ != 0 || findWatched();
}

bool X11Windows::findWatched()
{
    Display* display = asDisplay(display_);
    watched_ = findOwnWindow(display, watchedTitle_);
    if (watched_ != 0) {
        XErrorHandler previous = XSetErrorHandler(ignoreErrors);
        XSelectInput(display, watched_, StructureNotifyMask);
        XSync(display, False);
        XSetErrorHandler(previous);
    }
    return watched_ != 0;
}

bool X11Windows::destroyed()
{
    if (display_ == nullptr || watchedTitle_.empty() || destroyed_)
        return destroyed_;
    if (watched_ == 0 && !findWatched())
        return false;
    Display* display = asDisplay(display_);
    XEvent event;
    // Other structure events of the window are of no interest.
    while (XCheckWindowEvent(display, watched_, StructureNotifyMask, &event))
        if (event.type == DestroyNotify)
            destroyed_ = true;
    return destroyed_;
}

unsigned long X11Windows::ownWindow(const std::string& title)
{
    return connect() ? findOwnWindow(asDisplay(display_), title) : 0;
}

bool X11Windows::present(const std::string& title)
{
    return ownWindow(title) != 0;
}

bool X11Windows::undecorate(const std::string& title)
{
    const Window window = ownWindow(title);
    if (window == 0)
        return display_ == nullptr;
    Display* display = asDisplay(display_);
    // The Motif hints that every window manager reads: decorations, none.
    const Atom hints = XInternAtom(display, "_MOTIF_WM_HINTS", False);
    const long value[5] = {2, 0, 0, 0, 0}; // flags: decorations; functions; decorations: none
    XChangeProperty(display, window, hints, hints, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(value), 5);
    XFlush(display);
    return true;
}

bool X11Windows::moveTo(const std::string& title, int x, int y)
{
    const Window window = ownWindow(title);
    if (window == 0)
        return display_ == nullptr;
    XMoveWindow(asDisplay(display_), window, x, y);
    XFlush(asDisplay(display_));
    return true;
}

bool X11Windows::fullscreen(const std::string& title)
{
    const Window window = ownWindow(title);
    if (window == 0)
        return display_ == nullptr;
    Display* display = asDisplay(display_);
    // The window manager's full screen (EWMH), on the monitor the window is on.
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "_NET_WM_STATE", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = 1; // add
    event.xclient.data.l[1] = static_cast<long>(XInternAtom(display, "_NET_WM_STATE_FULLSCREEN", False));
    event.xclient.data.l[3] = 1; // from an application
    XSendEvent(display, DefaultRootWindow(display), False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XFlush(display);
    return true;
}

} // namespace veltrane
