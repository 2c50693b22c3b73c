// Notices when a window of this process is destroyed behind the toolkit's
// back (xdotool windowclose, XKillClient of the window alone): highgui keeps
// believing in a window that no longer exists, so the X server is asked.
#pragma once

#include <string>

class X11WindowWatch {
public:
    X11WindowWatch() = default;
    ~X11WindowWatch();
    X11WindowWatch(const X11WindowWatch&) = delete;
    X11WindowWatch& operator=(const X11WindowWatch&) = delete;

    // Starts watching the top-level window of this process with that title
    // (made already, or soon); a call while one is watched does nothing.
    void watch(const std::string& title);

    // True once the watched window has been destroyed.
    bool destroyed();

private:
    bool find();

    void* display_ = nullptr; // Display*, opened on the first watch
    unsigned long window_ = 0;
    std::string title_;
    bool destroyed_ = false;
};
