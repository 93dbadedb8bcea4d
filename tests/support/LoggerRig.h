// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <chrono>
#include <mutex>
#include <set>

#include "logger/LoggerClock.h"
#include "sim/SimOptions.h"

namespace corvalin::test {

// Time that moves only when the test moves it.
class TestClock : public LoggerClock {
public:
    TimePoint Now() override { return now; }
    void WaitUntil(TimePoint until, ManualResetEvent&) override { now = std::max(now, until); }
    TimePoint now = std::chrono::system_clock::from_time_t(1700000000);
};

// Time that moves only when the test moves it, for code that waits on a
// thread of its own: a wait ends when the test has moved the clock to its
// end, or when its event is set.
class SteppedClock : public LoggerClock {
public:
    TimePoint Now() override {
        std::lock_guard<std::mutex> guard(mutex_);
        return now_;
    }
    void WaitUntil(TimePoint until, ManualResetEvent& wake) override {
        {
            std::lock_guard<std::mutex> guard(mutex_);
            if (now_ >= until) return;
            waiting_.insert(&wake);
        }
        wake.Wait();
        std::lock_guard<std::mutex> guard(mutex_);
        waiting_.erase(&wake);
    }
    void Advance(std::chrono::milliseconds step) {
        std::lock_guard<std::mutex> guard(mutex_);
        now_ += step;
        for (ManualResetEvent* wake : waiting_) wake->Set();
    }

private:
    std::mutex mutex_;
    TimePoint now_ = std::chrono::system_clock::from_time_t(1700000000);
    std::set<ManualResetEvent*> waiting_;
};

// A station with two fixed sensors: CH1 21.5 °C 40 %, CH3 -3.2 °C 80 %, no others.
inline SimOptions TwoSensors() {
    SimOptions options;
    for (int channel = 1; channel <= 8; ++channel)
        options.sensors.push_back({channel, false, 0, 0});
    options.sensors[0] = {1, true, 21.5, 40};
    options.sensors[2] = {3, true, -3.2, 80};
    return options;
}

}  // namespace corvalin::test
