#include "app/highgui_backend.h"

#include <X11/Xlib.h>
#include <opencv2/highgui.hpp>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

// Autosize, and none of the Qt toolbar or wheel zoom: one image pixel must stay
// one screen pixel, and pointer coordinates must be image pixels.
constexpr int WindowFlags = cv::WINDOW_AUTOSIZE | cv::WINDOW_GUI_NORMAL;

bool startsWith(const char* text, const char* prefix)
{
    return text != nullptr && std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

} // namespace

void HighguiBackend::createWindow(const std::string& title)
{
    if (created_.insert(title).second)
        cv::namedWindow(title, WindowFlags);
}

void HighguiBackend::openWindow(const std::string& title, PointerHandler handler)
{
    createWindow(title);
    cv::setMouseCallback(title, handler, nullptr);
}

int HighguiBackend::waitKey(int delayMs)
{
    return cv::waitKeyEx(delayMs);
}

void HighguiBackend::showImage(const std::string& title, const cv::Mat& image)
{
    createWindow(title);
    cv::imshow(title, image);
}

bool displayAvailable(std::string& reason)
{
    const char* x11 = std::getenv("DISPLAY");
    if (x11 != nullptr && *x11 != '\0') {
        // A busy server can turn a connection away for a moment: a few tries.
        for (int attempt = 0; attempt < 5; ++attempt) {
            Display* display = XOpenDisplay(nullptr);
            if (display != nullptr) {
                XCloseDisplay(display);
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        reason = std::string("cannot open the X display \"") + x11 + "\"";
        return false;
    }
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if (wayland != nullptr && *wayland != '\0' && startsWith(std::getenv("QT_QPA_PLATFORM"), "wayland"))
        return true;
    reason = "no display: DISPLAY is not set (under Wayland without X, set QT_QPA_PLATFORM=wayland)";
    return false;
}
