// SPDX-License-Identifier: GPL-3.0-or-later
#include "logger/StationAlarmCheck.h"

#include <cmath>

namespace corvalin {

namespace {

// The limit the value is past, if any. Compared in the steps the station
// keeps its limits in (tenths of °C, whole percent), so that a value equal
// to its limit is not past it.
std::optional<double> Past(double value, const std::optional<double>& high,
                           const std::optional<double>& low, double steps) {
    const int64_t at = std::llround(value * steps);
    if (high && at > std::llround(*high * steps)) return high;
    if (low && at < std::llround(*low * steps)) return low;
    return std::nullopt;
}

}  // namespace

ChannelAlarms CheckAlarms(const StationAlarms& alarms, const ArchiveRow& row) {
    ChannelAlarms result;
    const int slot = row.channel - 1;
    if (slot < 0 || slot >= CHANNEL_COUNT) return result;
    const ChannelAlarmLimits& limits = alarms.channels[slot];
    if (row.temperature) {
        result.temperatureLimit =
            Past(*row.temperature, limits.temperatureHigh, limits.temperatureLow, 10.0);
        result.temperature = result.temperatureLimit.has_value();
    }
    if (row.humidity) {
        result.humidityLimit = Past(*row.humidity, limits.humidityHigh, limits.humidityLow, 1.0);
        result.humidity = result.humidityLimit.has_value();
    }
    return result;
}

}  // namespace corvalin
