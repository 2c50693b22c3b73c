#include "veltrane/scripted/scripted_backend.h"

namespace veltrane {

void ScriptedBackend::openWindow(const std::string& title, PointerHandler handler, void* userData)
{
    opened.push_back(title);
    handler_ = handler;
    userData_ = userData;
}

int ScriptedBackend::waitKey(int)
{
    ++waits;
    if (script_.empty()) {
        if (ranOut_)
            return KeyEscape;
        ranOut_ = true;
        return NoKey;
    }
    const ScriptStep step = script_.front();
    script_.pop_front();
    if (step.action)
        step.action();
    if (handler_ != nullptr) // before the window opens there is nothing to point at
        for (const PointerEvent& e : step.events)
            handler_(e.event, e.x, e.y, 0, userData_);
    return step.key;
}

void ScriptedBackend::showImage(const std::string& title, const cv::Mat& image)
{
    shown.push_back({title, image.clone()});
}

ScriptedBackend& ScriptedBackend::key(int code)
{
    return events({}, code);
}

ScriptedBackend& ScriptedBackend::idle(int count)
{
    for (int i = 0; i < count; ++i)
        events({}, -1);
    return *this;
}

ScriptedBackend& ScriptedBackend::events(std::vector<PointerEvent> list, int code)
{
    script_.push_back(ScriptStep{std::move(list), code, nullptr});
    return *this;
}

ScriptedBackend& ScriptedBackend::then(std::function<void()> action)
{
    script_.push_back(ScriptStep{{}, -1, std::move(action)});
    return *this;
}

ScriptedBackend& ScriptedBackend::move(int x, int y)
{
    return events({{PointerMove, x, y}});
}

ScriptedBackend& ScriptedBackend::press(int x, int y)
{
    return events({{PointerMove, x, y}, {PointerLeftDown, x, y}});
}

ScriptedBackend& ScriptedBackend::release(int x, int y)
{
    return events({{PointerMove, x, y}, {PointerLeftUp, x, y}});
}

ScriptedBackend& ScriptedBackend::click(int x, int y)
{
    return events({{PointerMove, x, y}, {PointerLeftDown, x, y}, {PointerLeftUp, x, y}});
}

int ScriptedBackend::shownCount(const std::string& title) const
{
    int count = 0;
    for (const ShownImage& s : shown)
        count += s.title == title ? 1 : 0;
    return count;
}

cv::Mat ScriptedBackend::lastShown(const std::string& title) const
{
    for (auto it = shown.rbegin(); it != shown.rend(); ++it)
        if (it->title == title)
            return it->image;
    return cv::Mat();
}

} // namespace veltrane
