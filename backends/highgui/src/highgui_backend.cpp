#include "veltrane/highgui/highgui_backend.h"

#include "gl_swap.h"
#include "highgui_input.h"
#include "qt_focus.h"
#include "qt_key_queue.h"

#include <X11/Xlib.h>
#include <opencv2/highgui.hpp>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <thread>

namespace veltrane {

namespace {

// Autosize, and none of the Qt toolbar or wheel zoom: one image pixel must stay
// one screen pixel, and pointer coordinates must be image pixels.
constexpr int WindowFlags = cv::WINDOW_AUTOSIZE | cv::WINDOW_GUI_NORMAL;
constexpr int WatchWaits = 300; // of 10 ms

} // namespace

HighguiBackend::HighguiBackend(bool glWindows) : keys_(std::make_unique<QtKeyQueue>()), glWindows_(glWindows) {}

HighguiBackend::~HighguiBackend() = default;

bool HighguiBackend::exists(const std::string& title) const
{
    return cv::getWindowProperty(title, cv::WND_PROP_VISIBLE) > 0;
}

// A window destroyed on the X server by someone else (not closed through the
// window manager, which highgui notices) still exists for highgui, which
// would go on drawing into nothing.
bool HighguiBackend::goneFromServer(const std::string& title)
{
    if (onServer_.count(title) == 0 || x11_.present(title))
        return false;
    onServer_.erase(title);
    cv::destroyWindow(title);
    return true;
}

// A window closed by the window system is gone from highgui; showing an image
// in it again would make one with highgui's default flags, so it is made anew.
// Every window but the main one is a picture: a click in it closes it (the
// way back from a full-screen "DISP" over the calibrator).
void HighguiBackend::createWindow(const std::string& title)
{
    if (created_.insert(title).second || !exists(title) || goneFromServer(title)) {
        cv::namedWindow(title, WindowFlags | (glWindows_ ? cv::WINDOW_OPENGL : 0));
        fullscreen_.erase(title);
        onServer_.erase(title);
        keepKeysAtWindow(title); // the arrows reach the key wait after a click too
        keys_->install();
        if (!main_.empty() && title != main_)
            cv::setMouseCallback(title, onPictureMouse, &pictures_.insert({title, {this, title}}).first->second);
        place(title);
    }
}

void HighguiBackend::onPictureMouse(int highguiEvent, int, int, int, void* picture)
{
    const auto* clicked = static_cast<const Picture*>(picture);
    if (highguiEvent == cv::EVENT_LBUTTONUP)
        clicked->backend->clicked_.insert(clicked->title);
}

// Closed outside the toolkit's handling of the click that asked for it.
void HighguiBackend::closeClickedPictures()
{
    for (const std::string& title : clicked_)
        if (exists(title))
            cv::destroyWindow(title);
    clicked_.clear();
}

void HighguiBackend::useScreen(const Monitor& monitor)
{
    onScreen_ = true;
    screen_ = monitor;
}

void HighguiBackend::place(const std::string& title)
{
    if (!onScreen_)
        return;
    cv::moveWindow(title, screen_.x, screen_.y);
    // The hints go to the window on the X server, which highgui makes when
    // its events are next handled: at the next key wait.
    undecorating_.insert(title);
    // A part of the screen is no monitor for a window manager to make the
    // window full screen on: the window is moved there once it is shown.
    if (!screen_.wholeMonitor)
        moving_.insert(title);
}

// What waits for a window to be on the X server, tried at every key wait.
void HighguiBackend::applyPendingHints()
{
    for (const std::string& title : created_)
        if (onServer_.count(title) == 0 && exists(title) && x11_.present(title))
            onServer_.insert(title);
    for (auto title = undecorating_.begin(); title != undecorating_.end();)
        title = x11_.undecorate(*title) ? undecorating_.erase(title) : std::next(title);
    for (auto title = fullscreening_.begin(); title != fullscreening_.end();)
        title = x11_.fullscreen(*title) ? fullscreening_.erase(title) : std::next(title);
    for (auto title = moving_.begin(); title != moving_.end();)
        title = x11_.moveTo(*title, screen_.x, screen_.y) ? moving_.erase(title) : std::next(title);
}

// highgui's mouse callback: its events, translated, to the calibrator's handler.
void HighguiBackend::onMouse(int highguiEvent, int x, int y, int flags, void* backend)
{
    int event = 0;
    auto* self = static_cast<HighguiBackend*>(backend);
    if (calibratorPointerEvent(highguiEvent, event))
        self->handler_(event, x, y, flags, self->userData_);
}

void HighguiBackend::openWindow(const std::string& title, PointerHandler handler, void* userData)
{
    createWindow(title);
    handler_ = handler;
    userData_ = userData;
    cv::setMouseCallback(title, onMouse, this);
    main_ = title;
    // The window must be watched before anyone can close it: highgui makes
    // it on the X server when its events are next handled.
    for (int wait = 0; wait < WatchWaits && !x11_.watch(title); ++wait)
        cv::waitKey(10);
    applyPendingHints();
}

int HighguiBackend::waitKey(int delayMs)
{
    const int key = calibratorKey(cv::waitKeyEx(keys_->beginWait() ? 1 : delayMs)); // a held key: at once
    keys_->endWait();
    closeClickedPictures();
    applyPendingHints();
    // Closed through the window manager, highgui forgets the window; destroyed
    // outright, only the X server knows.
    if (!main_.empty() && (!exists(main_) || x11_.destroyed()))
        return MainWindowClosed;
    return key;
}

void HighguiBackend::showImage(const std::string& title, const cv::Mat& image)
{
    createWindow(title);
    cv::imshow(title, image);
    fullscreenAtSize(title, image.size());
}

// Full screen stretches the image to the screen in highgui's Qt back end:
// only for an image of the monitor's very size, on a whole monitor.
void HighguiBackend::fullscreenAtSize(const std::string& title, cv::Size size)
{
    if (onScreen_ && screen_.wholeMonitor && size.width == screen_.width && size.height == screen_.height &&
        fullscreen_.insert(title).second)
        fullscreening_.insert(title);
}

bool HighguiBackend::showDrawn(const std::string& title, cv::Size size, std::function<void()> draw)
{
    if (!glWindows_)
        return false;
    createWindow(title);
    std::function<void()>& drawer = drawers_[title];
    drawer = std::move(draw);
    cv::setOpenGlDrawCallback(title, onDraw, &drawer);
    if (drawnSizes_[title] != size) {
        cv::resizeWindow(title, size.width, size.height);
        drawnSizes_[title] = size;
    }
    fullscreenAtSize(title, size);
    cv::updateWindow(title);
    return true;
}

// highgui's draw callback, its window's context current: vsync asked for
// (once a context), then the drawer.
void HighguiBackend::onDraw(void* drawer)
{
    swapAtVerticalBlank();
    (*static_cast<std::function<void()>*>(drawer))();
}

bool displayAvailable(std::string& reason, bool gl)
{
    // The windows are placed and sized on X11; under Wayland that takes
    // XWayland. One image pixel must stay one screen pixel: no scaling.
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    setenv("QT_ENABLE_HIGHDPI_SCALING", "0", 1);
    setenv("QT_AUTO_SCREEN_SCALE_FACTOR", "0", 1);
    setenv("QT_SCALE_FACTOR", "1", 1);
    unsetenv("QT_SCREEN_SCALE_FACTORS");
    // Windows that draw images, not OpenGL: without Qt's GL integration the
    // GL driver (a software one is tens of MB) is never loaded.
    if (!gl)
        setenv("QT_XCB_GL_INTEGRATION", "none", 0);
    const char* x11 = std::getenv("DISPLAY");
    if (x11 == nullptr || *x11 == '\0') {
        reason = "no X display: DISPLAY is not set (under Wayland, run it through XWayland)";
        return false;
    }
    // A busy server can turn a connection away for a moment: a few tries.
    for (int attempt = 0; attempt < 5; ++attempt) {
        Display* display = XOpenDisplay(nullptr);
        if (display != nullptr) {
            const bool drawable = !gl || glxAvailable(display);
            XCloseDisplay(display);
            if (!drawable)
                reason = std::string("the X display \"") + x11 + "\" has no OpenGL (GLX): glxinfo -B says why";
            return drawable;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    reason = std::string("cannot open the X display \"") + x11 + "\"";
    return false;
}

} // namespace veltrane
