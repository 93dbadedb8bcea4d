// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>

namespace corvalin {

// How readings, limits and offsets travel in the station's answers and frames.

// A limit or offset that is not set ("--"): 0xFF 0xFF as a temperature, 0xFF
// as a humidity byte.
constexpr int32_t UNSET_VALUE = 0xFFFF;

// A signed big-endian word of tenths of a degree Celsius, in °C; the
// no-reading words give NO_DATA.
float DecodeTemperature(uint8_t high, uint8_t low);

// The value a temperature pair carries, as TemperatureWireBytes takes it:
// tenths of °C, or UNSET_VALUE for the no-value pairs. Sent back, it gives
// the same bytes (a no-value pair as 0xFF 0xFF).
int32_t TemperatureWireValue(uint8_t high, uint8_t low);

// Wire bytes: UNSET_VALUE gives 0xFF 0xFF (0xFF), any other value its low
// 16 bits (8 bits) in two's complement, high byte first.
std::array<uint8_t, 2> TemperatureWireBytes(int32_t value);
uint8_t HumidityWireByte(int32_t value);

}  // namespace corvalin
