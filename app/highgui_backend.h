// The window back end on OpenCV's highgui: the only code that calls it.
#pragma once

#include "app/window_backend.h"
#include "app/x11_window_watch.h"

#include <set>
#include <string>

class HighguiBackend : public WindowBackend {
public:
    void openWindow(const std::string& title, PointerHandler handler) override;
    int waitKey(int delayMs) override;
    void showImage(const std::string& title, const cv::Mat& image) override;

private:
    void createWindow(const std::string& title);

    bool exists(const std::string& title) const;

    std::set<std::string> created_;
    std::string main_;
    X11WindowWatch mainWatch_;
};

// True when an X display can be opened for the windows (Qt is told to use
// X11 whatever Wayland variables are set). Otherwise it fills reason with a
// sentence for the user.
bool displayAvailable(std::string& reason);
