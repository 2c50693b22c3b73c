// The contract between the calibrator and a window back end: open the main
// window with its pointer handler, wait for a key (pointer events are
// delivered to the handler inside that wait, on the caller's thread), and show
// an image in a window. Each back end translates its toolkit's keys and
// pointer events into the codes below.
#pragma once

#include <opencv2/core.hpp>

#include <functional>
#include <string>

namespace veltrane {

// The calibrator's own key codes: a printable key is its character; these
// are the rest.
constexpr int NoKey = -1;
constexpr int MainWindowClosed = -2; // reported once the main window has been closed
constexpr int KeyEscape = 27;
constexpr int KeyLeft = 0x110001;  // past every character
constexpr int KeyRight = 0x110002;

// The calibrator's pointer events (numbered as highgui numbers its own).
constexpr int PointerMove = 0;
constexpr int PointerLeftDown = 1;
constexpr int PointerLeftUp = 4;

// A pointer handler, fed the calibrator's pointer events in image pixel
// coordinates with the userData it was registered with; flags are not used.
using PointerHandler = void (*)(int event, int x, int y, int flags, void* userData);

class WindowBackend {
public:
    virtual ~WindowBackend() = default;

    // Creates the window and registers the pointer handler for it, called
    // with userData.
    virtual void openWindow(const std::string& title, PointerHandler handler, void* userData) = 0;

    // Waits up to delayMs for a key; NoKey when none came, MainWindowClosed
    // when the main window was closed by the window system. Pointer events
    // arrive here.
    virtual int waitKey(int delayMs) = 0;

    // Shows image in the named window, creating the window on its first use
    // (and again after it was closed). A window other than the main one is
    // a picture: a back end with real windows closes it on a click in it,
    // the way back from a picture that fills the calibrator's monitor.
    virtual void showImage(const std::string& title, const cv::Mat& image) = 0;

    // Shows a window of this size whose pixels draw paints with GL, the
    // window's context current (OpenGL, vsync on): now, and whenever the
    // window is painted again. Placed as showImage places an image of this
    // size. False for a back end without GL windows (the default), and when
    // the window has no GL context.
    virtual bool showDrawn(const std::string& title, cv::Size size, std::function<void()> draw)
    {
        (void)title, (void)size, (void)draw;
        return false;
    }
};

} // namespace veltrane
