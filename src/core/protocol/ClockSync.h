// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

#include "common/CivilTime.h"
#include "protocol/StationChannel.h"

namespace corvalin {

enum class ClockSyncResult {
    Synchronised,     // "Sync Time Success."
    NotOnMainScreen,  // "Please switch the device to the main screen."
    NoAnswer,         // the station did not answer the screen-state query: nothing written
    OutOfRange,       // the station's clock cannot hold the time: nothing sent
    Unconnected,      // "Unconnected", nothing was sent
    Lost,             // the station went away during the exchange
};

// The message the user sees for a result.
const char* ClockSyncMessage(ClockSyncResult result);

// True for a time the station's clock holds.
bool StationClockHolds(const CivilTime& time);

// Sets the station's clock: screen-state query, then CMD_SET_TIME unless the
// station is off its main screen. `now` is read once, after `waitForIdle`
// (which lets a running poll cycle finish). Success is reported only while
// the station is still connected.
ClockSyncResult SyncStationClock(StationChannel& channel, const std::function<CivilTime()>& now,
                                 const std::function<void()>& waitForIdle = {});

}  // namespace corvalin
