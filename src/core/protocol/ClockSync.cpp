// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/ClockSync.h"

#include "common/Messages.h"

namespace corvalin {

const char* ClockSyncMessage(ClockSyncResult result) {
    switch (result) {
        case ClockSyncResult::Synchronised:
            return messages::SYNC_TIME_SUCCESS;
        case ClockSyncResult::NotOnMainScreen:
            return messages::SWITCH_TO_MAIN_SCREEN;
        case ClockSyncResult::NoAnswer:
            return messages::NO_ANSWER_NOTHING_WRITTEN;
        case ClockSyncResult::OutOfRange:
            return messages::CLOCK_OUT_OF_RANGE;
        case ClockSyncResult::Unconnected:
        case ClockSyncResult::Lost:
            break;
    }
    return messages::UNCONNECTED;
}

bool StationClockHolds(const CivilTime& time) {
    return time.year >= STATION_YEAR_MIN && time.year <= STATION_YEAR_MAX;
}

ClockSyncResult SyncStationClock(StationChannel& channel, const std::function<CivilTime()>& now,
                                 const std::function<void()>& waitForIdle) {
    if (!channel.IsConnected()) return ClockSyncResult::Unconnected;
    if (waitForIdle) waitForIdle();
    const CivilTime time = now();
    if (!StationClockHolds(time)) return ClockSyncResult::OutOfRange;

    // The clock builds on no earlier answer: only this exchange is judged.
    channel.BeginSequence();
    switch (channel.GuardedWrite({MakeTimeFrame(time)}, CLOCK_FIRST_WAIT)) {
        case GuardedWriteResult::NotOnMainScreen:
            return ClockSyncResult::NotOnMainScreen;
        case GuardedWriteResult::NoAnswer:
            return ClockSyncResult::NoAnswer;
        case GuardedWriteResult::NotConnected:
        case GuardedWriteResult::Lost:
            // A success after the station was lost would be a failure reported as success.
            return ClockSyncResult::Lost;
        case GuardedWriteResult::Written:
            break;
    }
    return ClockSyncResult::Synchronised;
}

}  // namespace corvalin
