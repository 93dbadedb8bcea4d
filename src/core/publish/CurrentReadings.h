// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>

#include "archive/ArchiveDatabase.h"
#include "publish/ServiceState.h"

namespace corvalin {

// How many intervals a reading stays current: later, the station is taken
// as lost, not shown with old numbers.
inline constexpr int CURRENT_FOR_INTERVALS = 3;

// What each channel shows now.
enum class ChannelState { Reading, NoSensor, StationLost };
const char* ChannelStateName(ChannelState state);  // "ok", "noSensor", "stationLost"

// {"station", "time", "connected", "interval", "today", "channels": [{"channel",
// "state", "lastSeen", "temperature", "humidity", "dewPoint", "heatIndex",
// "absoluteHumidity", "frostPoint", "todayMin": {…}, "todayMax": {…}, "alarm"}]}:
// values only from a current reading of a present sensor, null otherwise;
// today's lowest and highest and when a channel was last seen from the
// archive, where there is one.
nlohmann::ordered_json CurrentJson(const ServiceState& state, int64_t now,
                                   ArchiveDatabase* archive);

}  // namespace corvalin
