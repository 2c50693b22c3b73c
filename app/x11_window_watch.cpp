#include "app/x11_window_watch.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <unistd.h>

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

} // namespace

X11WindowWatch::~X11WindowWatch()
{
    if (display_ != nullptr)
        XCloseDisplay(asDisplay(display_));
}

void X11WindowWatch::watch(const std::string& title)
{
    if (display_ == nullptr) {
        display_ = XOpenDisplay(nullptr);
        title_ = title;
        if (display_ != nullptr)
            find(); // highgui has made the window by now; a miss is tried again later
    }
}

bool X11WindowWatch::find()
{
    Display* display = asDisplay(display_);
    XErrorHandler previous = XSetErrorHandler(ignoreErrors);
    window_ = search(display, DefaultRootWindow(display), title_, 2);
    if (window_ != 0)
        XSelectInput(display, window_, StructureNotifyMask);
    XSync(display, False);
    XSetErrorHandler(previous);
    return window_ != 0;
}

bool X11WindowWatch::destroyed()
{
    if (display_ == nullptr || destroyed_)
        return destroyed_;
    if (window_ == 0 && !find())
        return false;
    Display* display = asDisplay(display_);
    XEvent event;
    while (XCheckTypedWindowEvent(display, window_, DestroyNotify, &event))
        destroyed_ = true;
    // Other structure events of the window are of no interest.
    while (XCheckWindowEvent(display, window_, StructureNotifyMask, &event)) {
        if (event.type == DestroyNotify)
            destroyed_ = true;
    }
    return destroyed_;
}
