// SPDX-License-Identifier: GPL-3.0-or-later
#include "logger/SessionSnapshot.h"

#include "archive/LiveRows.h"
#include "config/AlarmForm.h"
#include "logger/StationAlarmLimits.h"

namespace corvalin {

ReadingSnapshot SnapshotOfLastRead(StationSession& session, const ReadCycleAnswers& answers,
                                   int64_t utcSeconds) {
    ReadingSnapshot snapshot;
    snapshot.time = utcSeconds;
    snapshot.rows = RowsFromLiveReadings(session.Readings(), utcSeconds);
    for (const ArchiveRow& row : snapshot.rows) snapshot.sensorPresent[row.channel - 1] = true;
    if (answers.AlarmsFresh()) {
        AlarmForm form;
        session.Load(form);
        snapshot.alarms = DecodeStationAlarms(form.Switches(), form.Limits());
    }
    return snapshot;
}

}  // namespace corvalin
