#pragma once

#include <chrono>
#include <thread>

// For the few tests that drive an output running at real-time pace: waits until `pred` holds, at most 3 s.
template <class Pred> bool waitFor(Pred pred) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (!pred()) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}
