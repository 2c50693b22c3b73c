// Waits for a condition another thread brings about: polled, at most a
// minute, so a loaded machine only slows a test down and never fails it.
#pragma once

#include <chrono>
#include <thread>

namespace veltrane {

template <typename Condition>
bool eventually(Condition condition)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

} // namespace veltrane
