// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <ctime>
#include <string>

#include "sim/SimOptions.h"

namespace corvalin {

// Texts of the log files the simulated station keeps on its card, in the
// station's own format: a header line, then one comma-separated reading per
// logging interval, CR LF line ends, "--" for a value the sensor missed.

struct LogPlan {
    std::time_t endTime = 0;  // the station's clock when the logs were made
    int intervalMinutes = 5;
    int days = 3;
    bool fahrenheit = false;
};

// Calibration offsets a channel's logged readings include.
struct LogOffsets {
    int temperatureTenths = 0;
    int humidityPct = 0;
};

std::string ChannelLogText(const SensorSpec& sensor, bool drifting, LogOffsets offsets,
                           const LogPlan& plan);
std::string IndoorLogText(const LogPlan& plan);

// "YYYY-MM-DD hh:mm:ss" in local time.
std::string FormatLogTime(std::time_t time);
// One decimal, '.' whatever the locale, never "-0.0".
std::string FormatTenths(long tenths);

}  // namespace corvalin
