// A window manager reduced to what the real-window suite needs to see: it
// maps and places windows as asked, and prints every _NET_WM_STATE request
// ("add _NET_WM_STATE_FULLSCREEN 0x400007") on standard output, one a line.
//
//   tiny-wm   (runs until killed)
#include <X11/Xlib.h>

#include <cstdio>

namespace {

int otherManager(Display*, XErrorEvent*)
{
    std::fprintf(stderr, "tiny-wm: another window manager runs\n");
    return 0;
}

void configure(Display* display, const XConfigureRequestEvent& request)
{
    XWindowChanges changes{};
    changes.x = request.x;
    changes.y = request.y;
    changes.width = request.width;
    changes.height = request.height;
    changes.border_width = request.border_width;
    changes.sibling = request.above;
    changes.stack_mode = request.detail;
    XConfigureWindow(display, request.window, static_cast<unsigned>(request.value_mask), &changes);
}

void report(Display* display, const XClientMessageEvent& message, Atom state)
{
    if (message.message_type != state)
        return;
    char* property = XGetAtomName(display, static_cast<Atom>(message.data.l[1]));
    const long action = message.data.l[0];
    std::printf("%s %s 0x%lx\n", action == 1 ? "add" : action == 0 ? "remove" : "toggle", property,
                static_cast<unsigned long>(message.window));
    std::fflush(stdout);
    XFree(property);
}

} // namespace

int main()
{
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "tiny-wm: cannot open the display\n");
        return 1;
    }
    XSetErrorHandler(otherManager);
    XSelectInput(display, DefaultRootWindow(display), SubstructureRedirectMask | SubstructureNotifyMask);
    XSync(display, False);
    const Atom state = XInternAtom(display, "_NET_WM_STATE", False);
    std::printf("ready\n");
    std::fflush(stdout);
    for (;;) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == MapRequest)
            XMapWindow(display, event.xmaprequest.window);
        else if (event.type == ConfigureRequest)
            configure(display, event.xconfigurerequest);
        else if (event.type == ClientMessage)
            report(display, event.xclient, state);
    }
}
