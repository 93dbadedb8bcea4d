// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>

#include "common/Readings.h"
#include "protocol/CommandFrame.h"
#include "protocol/WireValues.h"

namespace corvalin {

// Alarm block 1 (switches and enable masks); bit k of a mask is channel k + 1.
struct AlarmSwitches {
    uint8_t humidityAlarm = 0;     // 0 on, 1 off
    uint8_t temperatureAlarm = 0;  // 0 on, 1 off
    uint8_t humidityHighMask = 0;
    uint8_t humidityLowMask = 0;
    uint8_t temperatureHighMask = 0;
    uint8_t temperatureLowMask = 0;
};

// The limits of CH1 to CH8 as edit values: tenths of °C and percent, UNSET_VALUE for none.
struct AlarmLimits {
    std::array<int32_t, CHANNEL_COUNT> temperatureHigh{};
    std::array<int32_t, CHANNEL_COUNT> temperatureLow{};
    std::array<int32_t, CHANNEL_COUNT> humidityHigh{};
    std::array<int32_t, CHANNEL_COUNT> humidityLow{};
};

AlarmSwitches DecodeAlarmBlock1(const Report& block1);
// Limits of block 3 in °C and of block 4 in percent; NO_DATA where none.
float DecodeTemperatureHigh(const Report& block3, int channel);
float DecodeTemperatureLow(const Report& block3, int channel);
int32_t DecodeHumidityHigh(const Report& block4, int channel);
int32_t DecodeHumidityLow(const Report& block4, int channel);

// The limits of blocks 3 and 4 as they travel: what goes back unchanged.
AlarmLimits DecodeAlarmLimits(const Report& block3, const Report& block4);

CommandFrame MakeAlarm1Frame(const AlarmSwitches& switches);  // CMD_WRITE_ALARM_1
CommandFrame MakeAlarm3Frame(const AlarmLimits& limits);      // CMD_WRITE_ALARM_3
CommandFrame MakeAlarm4Frame(const AlarmLimits& limits);      // CMD_WRITE_ALARM_4

}  // namespace corvalin
