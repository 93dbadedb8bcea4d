// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>

#include "common/Readings.h"
#include "protocol/CommandFrame.h"
#include "protocol/WireValues.h"

namespace corvalin {

// The calibration answer: per channel a temperature offset (tenths of °C, a
// difference) and a humidity offset (a signed byte of percent).

// The temperature offset of a channel in °C; NO_DATA for the no-value pairs.
float DecodeTemperatureOffset(const Report& answer, int channel);
int32_t DecodeHumidityOffset(const Report& answer, int channel);

// Offsets as edit values (tenths of °C, percent; UNSET_VALUE for none).
struct CalibrationOffsets {
    std::array<int32_t, CHANNEL_COUNT> temperature{};
    std::array<int32_t, CHANNEL_COUNT> humidity{};
};

// The offsets as they travel: what goes back unchanged.
CalibrationOffsets DecodeCalibrationOffsets(const Report& answer);

CommandFrame MakeCalibrationFrame(const CalibrationOffsets& offsets);  // CMD_WRITE_CALIBRATION

}  // namespace corvalin
