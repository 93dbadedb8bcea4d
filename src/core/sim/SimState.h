// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

#include "common/Status.h"
#include "protocol/Protocol.h"

namespace corvalin {

// Everything the simulated station remembers between runs: its configuration
// blocks in their answer layouts, the logging interval, its clock and its screen.
struct SimState {
    Report settings{};
    Report calibration{};
    Report alarm1{};
    Report alarm3{};
    Report alarm4{};
    uint8_t intervalMinutes = 5;
    int64_t clockOffsetSeconds = 0;
    bool onMainScreen = true;

    bool operator==(const SimState&) const = default;
};

// A station as it leaves the factory: Celsius, every channel shown in area 1,
// both alarm switches on, limits 40.0/-10.0 °C and 90/10 %, no calibration.
SimState DefaultSimState();

// Reads a state file written by SaveSimState; `state` is unchanged on error.
Status LoadSimState(const std::string& path, SimState& state);
// Writes the file atomically (temporary file, then rename).
Status SaveSimState(const std::string& path, const SimState& state);

}  // namespace corvalin
