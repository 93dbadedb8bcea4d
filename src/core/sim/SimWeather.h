// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>

#include "common/ReadingFormat.h"
#include "sim/SimOptions.h"

namespace corvalin {

// What the simulated station's sensors measure: distinct defaults per channel,
// a slow deterministic drift, and the derived dew point and heat index used in
// its log files.

struct SimReading {
    double temperatureC = 0.0;
    int humidityPct = 0;
};

// The sensor a channel (1 to 8) has out of the box; CH8 has none.
SensorSpec DefaultSensor(int channel);
// The sensor behind the indoor log file.
SensorSpec IndoorSensor();

// The raw reading at a wall-clock time (seconds since the epoch). A drifting
// sensor wanders around its values; a fixed one reads them exactly.
SimReading ReadSensor(const SensorSpec& sensor, bool drifting, double epochSeconds);

// Magnus formula; none for a humidity of 0 or less.
std::optional<double> DewPointC(double temperatureC, int humidityPct);

}  // namespace corvalin
