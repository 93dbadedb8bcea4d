// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <chrono>

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
