// A window back end without windows: each wait delivers the next scripted
// pointer events to the handler and returns the next scripted key, and every
// image shown is kept. The tests and the frame renderer (tools/) drive the
// calibrator's own loop with it. When the script has run out, one wait
// returns no key and every wait after it returns Escape, so the loop ends.
#pragma once

#include "veltrane/core/window_backend.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace veltrane {

struct PointerEvent {
    int event;
    int x;
    int y;
};

struct ScriptStep {
    std::vector<PointerEvent> events;
    int key = -1;
    std::function<void()> action; // runs inside the wait, before the events
};

struct ShownImage {
    std::string title;
    cv::Mat image;
};

class ScriptedBackend : public WindowBackend {
public:
    void openWindow(const std::string& title, PointerHandler handler, void* userData) override;
    int waitKey(int delayMs) override;
    void showImage(const std::string& title, const cv::Mat& image) override;

    // Script building: each call adds one wait.
    ScriptedBackend& key(int code);
    ScriptedBackend& idle(int waits = 1);
    ScriptedBackend& events(std::vector<PointerEvent> events, int code = -1);
    ScriptedBackend& move(int x, int y);
    ScriptedBackend& press(int x, int y);   // a move there, then the left button down
    ScriptedBackend& release(int x, int y); // a move there, then the left button up
    ScriptedBackend& click(int x, int y);   // move, down and up in one wait
    ScriptedBackend& then(std::function<void()> action); // a wait that runs action

    // Scripted waits that the loop has not reached yet.
    int pendingSteps() const { return static_cast<int>(script_.size()); }

    // How many images were shown in the window with this title.
    int shownCount(const std::string& title) const;
    // The last image shown in that window; empty when none was.
    cv::Mat lastShown(const std::string& title) const;

    std::vector<std::string> opened;
    std::vector<ShownImage> shown;
    int waits = 0;

private:
    std::deque<ScriptStep> script_;
    PointerHandler handler_ = nullptr;
    void* userData_ = nullptr;
    bool ranOut_ = false;
};

} // namespace veltrane
