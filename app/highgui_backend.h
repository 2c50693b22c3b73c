// The window back end on OpenCV's highgui: the only code that calls it.
#pragma once

#include "app/window_backend.h"

#include <set>
#include <string>

class HighguiBackend : public WindowBackend {
public:
    void openWindow(const std::string& title, PointerHandler handler) override;
    int waitKey(int delayMs) override;
    void showImage(const std::string& title, const cv::Mat& image) override;

private:
    void createWindow(const std::string& title);

    std::set<std::string> created_;
};

// True when a display can be opened for the windows. Otherwise it fills
// reason with a sentence for the user.
bool displayAvailable(std::string& reason);
