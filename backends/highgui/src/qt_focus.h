// highgui's Qt windows hand the keyboard to their image view once it is
// clicked, and the view (a scroll area) takes the arrow keys for itself:
// after any click the arrows never reach the key wait. The window's children
// are made unable to take the focus, so every key goes to the window, which
// hands it to the key wait.
#pragma once

#include <string>

namespace veltrane {

// True once the window of that title is found and its children set so; false
// while Qt has no such window (call again).
bool keepKeysAtWindow(const std::string& title);

} // namespace veltrane
