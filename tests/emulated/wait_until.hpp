// Waits for a condition that another thread brings about (a notification, an
// attach that settles). The limit only keeps a broken build from hanging; no
// test judges how long anything took.
#pragma once

#include <chrono>
#include <thread>

namespace emulated {

template <typename Condition>
bool wait_until(Condition condition, std::chrono::milliseconds limit = std::chrono::seconds(20)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

}  // namespace emulated
