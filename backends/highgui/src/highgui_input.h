// The highgui back end's translation table: the key codes that cv::waitKeyEx
// returns on each of highgui's platforms, and its pointer event codes, into
// the calibrator's own keys and pointer events.
#pragma once

namespace veltrane {

// The calibrator's key for a code of cv::waitKeyEx: NoKey for none, and for
// keys the calibrator has no use for the code as it came (any character).
int calibratorKey(int highguiKey);

// The calibrator's pointer event for a highgui mouse event; false for the
// events it does not take (other buttons, double clicks, the wheel).
bool calibratorPointerEvent(int highguiEvent, int& event);

} // namespace veltrane
