// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "logger/ReadingSnapshot.h"
#include "protocol/AlarmBlocks.h"

namespace corvalin {

// The station's alarm blocks as limits in °C and %, for those that read no wire.
StationAlarms DecodeStationAlarms(const AlarmSwitches& switches, const AlarmLimits& limits);

}  // namespace corvalin
