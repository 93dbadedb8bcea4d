// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>

#include "protocol/DeviceRecord.h"
#include "protocol/StationChannel.h"

namespace corvalin {

// Which blocks one read cycle got as fresh answers: answered in time, with
// no answer missing before it and no report left unpaired in the cycle.
// Only fresh blocks may be shown or built on.
struct ReadCycleAnswers {
    bool settings = false;
    bool interval = false;
    std::array<bool, 3> alarms{};  // blocks 1, 3, 4
    bool calibration = false;
    bool live = false;
    bool paired = true;  // false: a report came that no request took

    bool AlarmsFresh() const { return alarms[0] && alarms[1] && alarms[2]; }
    bool Complete() const { return settings && interval && AlarmsFresh() && calibration && live; }
};

enum class ReadCycleMode {
    // Every block is asked for, whatever did not come before it: the
    // window's poll and the logger, which go on with the next cycle. With no
    // answers at all it ends after its time-outs (about 14 s).
    Full,
    // A command run once: nothing after a missing answer would be used, so
    // nothing more is asked. The settings answer is waited for as long as the
    // other single answers (SHORT_WAIT): a silent station is told in about 2 s.
    UntilFirstMissing,
};

// One poll of the station: settings, interval, alarm blocks, calibration and
// live readings into the device record. The live readings are decoded from a
// fresh answer, and are no data without one.
ReadCycleAnswers RunReadCycle(StationChannel& channel, DeviceRecord& record,
                              ReadCycleMode mode = ReadCycleMode::Full);

}  // namespace corvalin
