// SPDX-License-Identifier: GPL-3.0-or-later
#include "publish/AlarmCheck.h"

#include <cmath>

namespace corvalin {

namespace {

// Compared in the steps the station keeps its limits in (tenths of °C, whole
// percent), so that a value equal to its limit is not past it.
bool Past(double value, const std::optional<double>& high, const std::optional<double>& low,
          double steps) {
    const int64_t at = std::llround(value * steps);
    return (high && at > std::llround(*high * steps)) || (low && at < std::llround(*low * steps));
}

}  // namespace

ChannelAlarms CheckAlarms(const StationAlarms& alarms, const ArchiveRow& row) {
    ChannelAlarms result;
    const int slot = row.channel - 1;
    if (slot < 0 || slot >= CHANNEL_COUNT) return result;
    const ChannelAlarmLimits& limits = alarms.channels[slot];
    if (row.temperature) {
        result.temperature =
            Past(*row.temperature, limits.temperatureHigh, limits.temperatureLow, 10.0);
    }
    if (row.humidity) {
        result.humidity = Past(*row.humidity, limits.humidityHigh, limits.humidityLow, 1.0);
    }
    return result;
}

}  // namespace corvalin
