// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "archive/ArchiveRow.h"
#include "common/Readings.h"
#include "protocol/AlarmBlocks.h"

namespace corvalin {

// The station's own alarm switches and limits, as its last fresh read gave them.
struct StationAlarms {
    AlarmSwitches switches;
    AlarmLimits limits;  // tenths of °C and percent; UNSET_VALUE for none
};

// One live reading as the logger took it: what the publishers pass on.
struct ReadingSnapshot {
    int64_t time = 0;               // UTC seconds
    std::vector<ArchiveRow> rows;   // the channels with a value
    std::array<bool, CHANNEL_COUNT> sensorPresent{};
    std::optional<StationAlarms> alarms;
};

}  // namespace corvalin
