// The window back end on OpenCV's highgui: the only code that calls it.
#pragma once

#include "veltrane/core/window_backend.h"
#include "veltrane/display/monitors.h"
#include "veltrane/highgui/x11_windows.h"

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>

namespace veltrane {

class QtKeyQueue;

class HighguiBackend : public WindowBackend {
public:
    // With glWindows, every window is an OpenGL one (showDrawn draws in it).
    explicit HighguiBackend(bool glWindows = false);
    ~HighguiBackend() override;
    HighguiBackend(const HighguiBackend&) = delete;
    HighguiBackend& operator=(const HighguiBackend&) = delete;

    // Puts every window on this monitor, at its origin and without frame or
    // title, full screen when the image has the monitor's size.
    void useScreen(const Monitor& monitor);

    void openWindow(const std::string& title, PointerHandler handler, void* userData) override;
    int waitKey(int delayMs) override;
    void showImage(const std::string& title, const cv::Mat& image) override;
    bool showDrawn(const std::string& title, cv::Size size, std::function<void()> draw) override;

private:
    static void onDraw(void* drawer);
    void fullscreenAtSize(const std::string& title, cv::Size size);
    static void onMouse(int highguiEvent, int x, int y, int flags, void* backend);
    static void onPictureMouse(int highguiEvent, int x, int y, int flags, void* picture);
    void createWindow(const std::string& title);
    bool goneFromServer(const std::string& title);
    void closeClickedPictures();

    bool exists(const std::string& title) const;

    void place(const std::string& title);
    void applyPendingHints();

    std::set<std::string> created_;
    std::set<std::string> fullscreen_;
    std::set<std::string> undecorating_; // placed, and still to lose their frame
    std::set<std::string> fullscreening_; // still to be asked for full screen
    std::set<std::string> moving_;        // on a part of the screen, still to be moved there
    std::set<std::string> onServer_;      // seen on the X server since they were made
    std::set<std::string> clicked_;       // pictures clicked, to be closed after the wait
    struct Picture {                      // what a picture's pointer callback is handed
        HighguiBackend* backend;
        std::string title;
    };
    std::map<std::string, Picture> pictures_; // by title; their addresses stay
    std::string main_;
    PointerHandler handler_ = nullptr;
    void* userData_ = nullptr;
    bool onScreen_ = false;
    Monitor screen_;
    X11Windows x11_;
    std::unique_ptr<QtKeyQueue> keys_; // every key typed reaches a wait, in order
    bool glWindows_ = false;
    std::map<std::string, std::function<void()>> drawers_; // by title; their addresses stay
    std::map<std::string, cv::Size> drawnSizes_;
};

// True when an X display can be opened for the windows (Qt is told to use
// X11 whatever Wayland variables are set). Otherwise it fills reason with a
// sentence for the user. Without gl, Qt is told not to load a GL driver.
bool displayAvailable(std::string& reason, bool gl = false);

} // namespace veltrane
