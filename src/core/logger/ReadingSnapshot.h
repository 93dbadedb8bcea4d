// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "archive/ArchiveRow.h"
#include "common/Readings.h"

namespace corvalin {

// One channel's alarm limits as the station applies them: a limit is there
// only while its quantity's alarm is on and the channel's limit is enabled
// and set.
struct ChannelAlarmLimits {
    std::optional<double> temperatureHigh;  // °C
    std::optional<double> temperatureLow;
    std::optional<double> humidityHigh;  // %
    std::optional<double> humidityLow;

    bool operator==(const ChannelAlarmLimits&) const = default;
};

// The station's own alarm limits of CH1 to CH8, as its last fresh read gave them.
struct StationAlarms {
    std::array<ChannelAlarmLimits, CHANNEL_COUNT> channels;

    bool operator==(const StationAlarms&) const = default;
};

// One live reading as the logger took it: what the publishers pass on.
struct ReadingSnapshot {
    int64_t time = 0;              // UTC seconds
    std::vector<ArchiveRow> rows;  // the channels with a value
    std::array<bool, CHANNEL_COUNT> sensorPresent{};
    // None when the station's alarm settings did not all come with this read.
    std::optional<StationAlarms> alarms;
};

}  // namespace corvalin
