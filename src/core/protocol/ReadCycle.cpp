// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/ReadCycle.h"

namespace corvalin {

ReadCycleAnswers RunReadCycle(StationChannel& channel, DeviceRecord& record, ReadCycleMode mode) {
    channel.BeginSequence();
    // Each block counts only while no answer before it went missing: a
    // missing answer may still come, late, as the answer to a later request.
    bool intact = true;
    auto fresh = [&intact](bool answered) {
        intact = intact && answered;
        return intact;
    };
    // Whether the next block is asked for at all.
    auto more = [&intact, mode] { return mode == ReadCycleMode::Full || intact; };
    const Millis settingsWait = mode == ReadCycleMode::Full ? SETTINGS_WAIT : SHORT_WAIT;
    ReadCycleAnswers answers;
    answers.settings = fresh(channel.Request(MakeCommandFrame(CMD_READ_SETTINGS), PT_SETTINGS,
                                             SETTINGS_WAIT, settingsWait));
    if (more()) answers.interval = fresh(channel.Read(CMD_READ_INTERVAL, PT_INTERVAL, SHORT_WAIT));
    if (more() && channel.IsConnected()) {
        const std::array<bool, 3> alarms = channel.ReadAlarmBlocks(mode != ReadCycleMode::Full);
        for (size_t i = 0; i < alarms.size(); ++i) answers.alarms[i] = fresh(alarms[i]);
    }
    if (more() && channel.IsConnected()) {
        answers.calibration = fresh(channel.Read(CMD_READ_CALIBRATION, PT_CALIBRATION, SHORT_WAIT));
    }
    if (more()) answers.live = fresh(channel.Read(CMD_READ_LIVE, PT_LIVE, SHORT_WAIT));

    // A stray report that took an answer's place leaves that answer trailing.
    channel.Settle();
    answers.paired = channel.AllReportsPaired();
    if (!answers.paired) answers = ReadCycleAnswers{.paired = false};
    if (answers.live) {
        record.DecodeLive();
    } else {
        record.ClearLive();
    }
    return answers;
}

}  // namespace corvalin
