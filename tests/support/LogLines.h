// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "logger/StationLogger.h"

namespace corvalin::test {

// The lines a part under test logs, from any thread, and a wait for those
// that say something.
class LogLines {
public:
    LogSink Sink() {
        return [this](LogLevel, const std::string& text) {
            std::lock_guard<std::mutex> guard(mutex_);
            lines_.push_back(text);
            changed_.notify_all();
        };
    }
    // How many lines so far say `part`.
    size_t Count(const std::string& part) const {
        std::lock_guard<std::mutex> guard(mutex_);
        return Saying(part);
    }
    // Waits (bounded) until `count` lines say `part`.
    bool WaitFor(const std::string& part, size_t count = 1) const {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(30),
                                 [&] { return Saying(part) >= count; });
    }

private:
    size_t Saying(const std::string& part) const {
        return static_cast<size_t>(
            std::count_if(lines_.begin(), lines_.end(),
                          [&](const auto& line) { return line.find(part) != std::string::npos; }));
    }

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::vector<std::string> lines_;
};

}  // namespace corvalin::test
