// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>

#include "common/Readings.h"
#include "device/Report.h"

namespace corvalin {

// What the settings answer says about the live readings: the unit code
// (0 Celsius, other Fahrenheit) and which channels any display area shows.
struct DecodedSettings {
    int32_t unitFahrenheit = 0;
    std::array<bool, CHANNEL_COUNT> channelEnabled{};
};

DecodedSettings DecodeSettingsReport(const Report& settings);

// Fills entries 0..7 of `readings` from a live answer: out-of-range values
// and channels no area shows become NO_DATA; entry 8 is left alone.
void DecodeLiveReport(const Report& live, const std::array<bool, CHANNEL_COUNT>& channelEnabled,
                      LiveReadings& readings);

}  // namespace corvalin
