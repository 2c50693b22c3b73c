// What highgui cannot do with this process's windows, done through Xlib on a
// connection of its own: notice a window destroyed behind the toolkit's back
// (xdotool windowclose, a killed window), and ask the window manager for a
// window without frame or title, or full screen.
#pragma once

#include <string>

namespace veltrane {

class X11Windows {
public:
    X11Windows() = default;
    ~X11Windows();
    X11Windows(const X11Windows&) = delete;
    X11Windows& operator=(const X11Windows&) = delete;

    // Starts watching the top-level window of this process with that title;
    // false while the X server does not show it yet (call again). A call
    // once one is watched does nothing.
    bool watch(const std::string& title);

    // True once the watched window has been destroyed.
    bool destroyed();

    // Asks the window manager to draw no frame or title around the window;
    // false while the X server does not show the window yet.
    bool undecorate(const std::string& title);

    // Asks the window manager to show the window full screen on the monitor
    // it stands on; false while the X server does not show the window yet.
    bool fullscreen(const std::string& title);

    // True while the X server has this process's window of that title.
    bool present(const std::string& title);

    // Moves the window's top-left corner to x, y of the screen (a window
    // manager places a new window where it likes); false while the X server
    // does not show the window yet.
    bool moveTo(const std::string& title, int x, int y);

private:
    bool connect();
    unsigned long ownWindow(const std::string& title); // 0 when not (yet) there
    bool findWatched();

    void* display_ = nullptr; // Display*, opened on first use
    unsigned long watched_ = 0;
    std::string watchedTitle_;
    bool destroyed_ = false;
};

} // namespace veltrane
