// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/WireValues.h"

#include "common/Readings.h"
#include "protocol/Protocol.h"

namespace corvalin {

float DecodeTemperature(uint8_t high, uint8_t low) {
    const auto word = static_cast<uint16_t>((high << 8) | low);
    if (word == NO_TEMPERATURE_WORD || word == NO_TEMPERATURE_WORD_ALT) return NO_DATA;
    return static_cast<float>(static_cast<int16_t>(word) / 10.0);
}

int32_t TemperatureWireValue(uint8_t high, uint8_t low) {
    const auto word = static_cast<uint16_t>((high << 8) | low);
    if (word == NO_TEMPERATURE_WORD || word == NO_TEMPERATURE_WORD_ALT) return UNSET_VALUE;
    return static_cast<int16_t>(word);
}

std::array<uint8_t, 2> TemperatureWireBytes(int32_t value) {
    const auto word = static_cast<uint16_t>(value);  // UNSET_VALUE is 0xFFFF already
    return {static_cast<uint8_t>(word >> 8), static_cast<uint8_t>(word & 0xFF)};
}

uint8_t HumidityWireByte(int32_t value) {
    if (value == UNSET_VALUE) return NO_HUMIDITY_BYTE;
    return static_cast<uint8_t>(value & 0xFF);
}

}  // namespace corvalin
