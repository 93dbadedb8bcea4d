// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>

#include "common/ManualResetEvent.h"

namespace corvalin {

// The logger's time: the wall clock and its waits, which tests replace so
// that a day of logging passes in milliseconds.
class LoggerClock {
public:
    using TimePoint = std::chrono::system_clock::time_point;
    virtual ~LoggerClock() = default;
    virtual TimePoint Now() = 0;
    // Waits until `until`, or less when `wake` is set.
    virtual void WaitUntil(TimePoint until, ManualResetEvent& wake) = 0;
};

class SystemLoggerClock : public LoggerClock {
public:
    TimePoint Now() override { return std::chrono::system_clock::now(); }
    void WaitUntil(TimePoint until, ManualResetEvent& wake) override {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Now());
        if (left.count() > 0) wake.WaitFor(left);
    }
};

}  // namespace corvalin
