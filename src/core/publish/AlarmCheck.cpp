// SPDX-License-Identifier: GPL-3.0-or-later
#include "publish/AlarmCheck.h"

#include <cmath>

#include "protocol/WireValues.h"

namespace corvalin {

namespace {

bool Enabled(uint8_t mask, int slot) { return (mask >> slot) & 1; }

bool Crosses(int64_t value, bool highOn, int32_t high, bool lowOn, int32_t low) {
    return (highOn && high != UNSET_VALUE && value > high) ||
           (lowOn && low != UNSET_VALUE && value < low);
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
        result.temperature = Crosses(tenths, Enabled(on.temperatureHighMask, slot),
                                     limits.temperatureHigh[slot],
                                     Enabled(on.temperatureLowMask, slot), limits.temperatureLow[slot]);
    }
    if (row.humidity && on.humidityAlarm == 0) {
        const int64_t percent = std::llround(*row.humidity);
        result.humidity = Crosses(percent, Enabled(on.humidityHighMask, slot),
                                  limits.humidityHigh[slot], Enabled(on.humidityLowMask, slot),
                                  limits.humidityLow[slot]);
    }
    return result;
}

}  // namespace corvalin
