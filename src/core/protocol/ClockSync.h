#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string_view>

#include "common/Status.h"
#include "device/DeviceLink.h"
#include "protocol/CommandFrame.h"

namespace corvalin {

enum class ClockSyncResult {
    Synchronised,     // "Sync Time Success."
    NotOnMainScreen,  // "Please switch the device to the main screen."
    Unconnected,      // "Unconnected", nothing was sent
    Lost,             // the station went away during the exchange
};

// The message the user sees for a result.
const char* ClockSyncMessage(ClockSyncResult result);

// Sets the station's clock: screen-state query, then CMD_SET_TIME unless the
// station is off its main screen. `now` is read once, after `waitForIdle`
// (which lets a running poll cycle finish). Success is reported only while
// the station is still connected.
ClockSyncResult SyncStationClock(DeviceLink& link, const std::atomic<int32_t>& notOnMainScreen,
                                 const std::function<LocalTime()>& now,
                                 const std::function<void()>& waitForIdle = {});

// The computer's local time now.
LocalTime LocalTimeNow();
// "YYYY-MM-DD hh:mm:ss" as a valid local time with its day of the week.
Result<LocalTime> ParseLocalTime(std::string_view text);
// 0 = Sunday .. 6 = Saturday.
int DayOfWeek(int year, int month, int day);

}  // namespace corvalin
