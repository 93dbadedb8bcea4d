// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/AlarmBlocks.h"

#include "common/Readings.h"
#include "protocol/WireValues.h"

namespace corvalin {

namespace {

int32_t HumidityLimit(uint8_t byte) { return byte == NO_HUMIDITY_BYTE ? NO_DATA_INT : byte; }

}  // namespace

AlarmSwitches DecodeAlarmBlock1(const Report& block1) {
    AlarmSwitches switches;
    switches.humidityAlarm = block1[1];
    switches.temperatureAlarm = block1[2];
    switches.humidityHighMask = block1[3];
    switches.humidityLowMask = block1[4];
    switches.temperatureHighMask = block1[5];
    switches.temperatureLowMask = block1[6];
    return switches;
}

float DecodeTemperatureHigh(const Report& block3, int channel) {
    return DecodeTemperature(block3[1 + 4 * channel], block3[2 + 4 * channel]);
}

float DecodeTemperatureLow(const Report& block3, int channel) {
    return DecodeTemperature(block3[3 + 4 * channel], block3[4 + 4 * channel]);
}

int32_t DecodeHumidityHigh(const Report& block4, int channel) {
    return HumidityLimit(block4[1 + 2 * channel]);
}

int32_t DecodeHumidityLow(const Report& block4, int channel) {
    return HumidityLimit(block4[2 + 2 * channel]);
}

AlarmLimits DecodeAlarmLimits(const Report& block3, const Report& block4) {
    AlarmLimits limits;
    for (int k = 0; k < CHANNEL_COUNT; ++k) {
        limits.temperatureHigh[k] = TemperatureWireValue(block3[1 + 4 * k], block3[2 + 4 * k]);
        limits.temperatureLow[k] = TemperatureWireValue(block3[3 + 4 * k], block3[4 + 4 * k]);
        const uint8_t high = block4[1 + 2 * k];
        const uint8_t low = block4[2 + 2 * k];
        limits.humidityHigh[k] = high == NO_HUMIDITY_BYTE ? UNSET_VALUE : high;
        limits.humidityLow[k] = low == NO_HUMIDITY_BYTE ? UNSET_VALUE : low;
    }
    return limits;
}

CommandFrame MakeAlarm1Frame(const AlarmSwitches& switches) {
    const uint8_t payload[ALARM_1_PAYLOAD_SIZE] = {
        switches.humidityAlarm,   switches.temperatureAlarm,    switches.humidityHighMask,
        switches.humidityLowMask, switches.temperatureHighMask, switches.temperatureLowMask,
    };
    return MakeCommandFrame(CMD_WRITE_ALARM_1, payload);
}

CommandFrame MakeAlarm3Frame(const AlarmLimits& limits) {
    std::array<uint8_t, ALARM_3_PAYLOAD_SIZE> payload{};
    for (int k = 0; k < CHANNEL_COUNT; ++k) {
        const auto high = TemperatureWireBytes(limits.temperatureHigh[k]);
        const auto low = TemperatureWireBytes(limits.temperatureLow[k]);
        payload[4 * k] = high[0];
        payload[4 * k + 1] = high[1];
        payload[4 * k + 2] = low[0];
        payload[4 * k + 3] = low[1];
    }
    return MakeCommandFrame(CMD_WRITE_ALARM_3, payload);
}

CommandFrame MakeAlarm4Frame(const AlarmLimits& limits) {
    std::array<uint8_t, ALARM_4_PAYLOAD_SIZE> payload{};
    for (int k = 0; k < CHANNEL_COUNT; ++k) {
        payload[2 * k] = HumidityWireByte(limits.humidityHigh[k]);
        payload[2 * k + 1] = HumidityWireByte(limits.humidityLow[k]);
    }
    return MakeCommandFrame(CMD_WRITE_ALARM_4, payload);
}

}  // namespace corvalin
