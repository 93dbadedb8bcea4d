// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace corvalin::test {

// Waits (bounded, generously) until `ready` holds: for what other threads
// or processes bring about.
inline bool Eventually(const std::function<bool()>& ready,
                       std::chrono::seconds limit = std::chrono::seconds(60)) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < until) {
        if (ready()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return ready();
}

}  // namespace corvalin::test
