// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

#include "protocol/CommandFrame.h"
#include "protocol/DisplayMask.h"

namespace corvalin {

// The station's display and clock settings as the settings answer carries
// them (bytes 1 to 27) and CMD_WRITE_SETTINGS sends them back, one place on.
struct StationSettings {
    uint8_t graphType = 0;       // 0..3
    uint8_t graphSpanHours = 0;  // 12, 24, 48 or 72
    uint8_t timeFormat = 0;      // 0..2
    uint8_t dateFormat = 0;      // 0..2
    uint8_t dst = 0;             // 0 off, 1 on
    int8_t timeZone = 0;         // whole hours, -12..12
    uint8_t unit = 0;            // 0 °C, 1 °F
    AreaMasks masks{};           // "CH Area1" .. "CH Area5"
};

StationSettings DecodeSettingsAnswer(const Report& answer);
CommandFrame MakeSettingsFrame(const StationSettings& settings);

// CMD_SET_INTERVAL with the logging interval in minutes.
CommandFrame MakeIntervalFrame(uint8_t minutes);

}  // namespace corvalin
