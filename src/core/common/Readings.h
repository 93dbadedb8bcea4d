// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>

namespace corvalin {

// The station's remote channels, CH1 to CH8.
constexpr int CHANNEL_COUNT = 8;
// CH1..CH8 and an indoor slot no report fills.
constexpr int READING_SLOTS = 9;

// The no-data value of readings, limits and dew points.
constexpr float NO_DATA = 65535.0f;
constexpr int32_t NO_DATA_INT = 65535;

// Decoded readings: index 0..7 = CH1..CH8, 8 = indoor; NO_DATA where missing.
struct LiveReadings {
    std::array<float, READING_SLOTS> temperatureC;
    std::array<int32_t, READING_SLOTS> humidityPct;

    LiveReadings() {
        temperatureC.fill(NO_DATA);
        humidityPct.fill(NO_DATA_INT);
    }
};

}  // namespace corvalin
