// SPDX-License-Identifier: GPL-3.0-or-later
#include "logger/StationAlarmLimits.h"

namespace corvalin {

namespace {

// 0 is "on" for the station's switches; bit k of a mask is channel k + 1.
std::optional<double> Limit(uint8_t alarmSwitch, uint8_t mask, int slot, int32_t value,
                            double scale) {
    if (alarmSwitch != 0 || ((mask >> slot) & 1) == 0 || value == UNSET_VALUE) return std::nullopt;
    return value / scale;
}

}  // namespace

StationAlarms DecodeStationAlarms(const AlarmSwitches& on, const AlarmLimits& limits) {
    StationAlarms alarms;
    for (int slot = 0; slot < CHANNEL_COUNT; ++slot) {
        ChannelAlarmLimits& channel = alarms.channels[slot];
        channel.temperatureHigh = Limit(on.temperatureAlarm, on.temperatureHighMask, slot,
                                        limits.temperatureHigh[slot], 10.0);
        channel.temperatureLow = Limit(on.temperatureAlarm, on.temperatureLowMask, slot,
                                       limits.temperatureLow[slot], 10.0);
        channel.humidityHigh =
            Limit(on.humidityAlarm, on.humidityHighMask, slot, limits.humidityHigh[slot], 1.0);
        channel.humidityLow =
            Limit(on.humidityAlarm, on.humidityLowMask, slot, limits.humidityLow[slot], 1.0);
    }
    return alarms;
}

}  // namespace corvalin
