// SPDX-License-Identifier: GPL-3.0-or-later
#include "logger/StationAlarmCheck.h"

#include <cmath>

#include "protocol/WireValues.h"

namespace corvalin {

namespace {

bool Enabled(uint8_t mask, int slot) { return (mask >> slot) & 1; }

// The limit the value is past, in the limits' own units; none within them.
std::optional<int32_t> Crossed(int64_t value, bool highOn, int32_t high, bool lowOn, int32_t low) {
    if (highOn && high != UNSET_VALUE && value > high) return high;
    if (lowOn && low != UNSET_VALUE && value < low) return low;
    return std::nullopt;
}

}  // namespace

ChannelAlarms CheckAlarms(const StationAlarms& alarms, const ArchiveRow& row) {
    ChannelAlarms result;
    const int slot = row.channel - 1;
    if (slot < 0 || slot >= CHANNEL_COUNT) return result;
    const AlarmSwitches& on = alarms.switches;
    const AlarmLimits& limits = alarms.limits;
    // 0 is "on" for the station's switches.
    if (row.temperature && on.temperatureAlarm == 0) {
        const int64_t tenths = std::llround(*row.temperature * 10.0);
        const std::optional<int32_t> limit =
            Crossed(tenths, Enabled(on.temperatureHighMask, slot), limits.temperatureHigh[slot],
                    Enabled(on.temperatureLowMask, slot), limits.temperatureLow[slot]);
        result.temperature = limit.has_value();
        if (limit) result.temperatureLimit = *limit / 10.0;
    }
    if (row.humidity && on.humidityAlarm == 0) {
        const int64_t percent = std::llround(*row.humidity);
        const std::optional<int32_t> limit =
            Crossed(percent, Enabled(on.humidityHighMask, slot), limits.humidityHigh[slot],
                    Enabled(on.humidityLowMask, slot), limits.humidityLow[slot]);
        result.humidity = limit.has_value();
        if (limit) result.humidityLimit = *limit;
    }
    return result;
}

}  // namespace corvalin
