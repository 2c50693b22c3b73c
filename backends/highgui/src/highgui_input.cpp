#include "highgui_input.h"

#include "veltrane/core/window_backend.h"

namespace veltrane {

namespace {

// Arrow codes of every highgui back end: Windows, X11 (Qt and GTK), macOS.
constexpr int LeftArrows[] = {0x250000, 65361, 63234};
constexpr int RightArrows[] = {0x270000, 65363, 63235};
// Escape as ASCII, and as the X11 key symbol that the Qt back end reports.
constexpr int EscapeKeys[] = {27, 65307};

// highgui's mouse events (cv::EVENT_MOUSEMOVE, _LBUTTONDOWN, _LBUTTONUP).
constexpr int HighguiMove = 0;
constexpr int HighguiLeftDown = 1;
constexpr int HighguiLeftUp = 4;

template <int N>
bool oneOf(int key, const int (&codes)[N])
{
    for (int code : codes)
        if (key == code)
            return true;
    return false;
}

} // namespace

int calibratorKey(int highguiKey)
{
    if (highguiKey < 0)
        return NoKey;
    if (oneOf(highguiKey, LeftArrows))
        return KeyLeft;
    if (oneOf(highguiKey, RightArrows))
        return KeyRight;
    if (oneOf(highguiKey, EscapeKeys))
        return KeyEscape;
    return highguiKey;
}

bool calibratorPointerEvent(int highguiEvent, int& event)
{
    switch (highguiEvent) {
    case HighguiMove:
        event = PointerMove;
        return true;
    case HighguiLeftDown:
        event = PointerLeftDown;
        return true;
    case HighguiLeftUp:
        event = PointerLeftUp;
        return true;
    default:
        return false;
    }
}

} // namespace veltrane
