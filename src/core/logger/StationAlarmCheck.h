// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>

#include "archive/ArchiveRow.h"
#include "logger/ReadingSnapshot.h"

namespace corvalin {

// Whether a channel's reading crosses the station's own alarm limits: a
// quantity is in alarm while its alarm is on, a limit of the channel is
// enabled and set, and the value is above the high or below the low one.
struct ChannelAlarms {
    bool temperature = false;
    bool humidity = false;
    // The limit crossed, in °C and %, while in alarm.
    std::optional<double> temperatureLimit;
    std::optional<double> humidityLimit;
};
ChannelAlarms CheckAlarms(const StationAlarms& alarms, const ArchiveRow& row);

}  // namespace corvalin
