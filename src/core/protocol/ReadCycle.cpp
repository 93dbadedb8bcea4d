#include "protocol/ReadCycle.h"

#include "protocol/Exchanges.h"

namespace corvalin {

void RunReadCycle(DeviceLink& link, DeviceRecord& record, DialogCopies& copies) {
    RequestWithAnswer(link, ReadCommand(CMD_READ_SETTINGS), PT_SETTINGS, SETTINGS_WAIT,
                      SETTINGS_WAIT);
    RequestWithAnswer(link, ReadCommand(CMD_READ_INTERVAL), PT_INTERVAL, SHORT_WAIT, SHORT_WAIT);
    copies.settings.intervalCopy = record.intervalMinutes.load();

    if (link.connected == 1) {
        ReadAlarmBlocks(link);
        copies.alarm.alarmCopy.Set(record.AlarmReports());
    }
    if (link.connected == 1) {
        RequestWithAnswer(link, ReadCommand(CMD_READ_CALIBRATION), PT_CALIBRATION, SHORT_WAIT,
                          SHORT_WAIT);
        copies.calibration.calibrationCopy.Set(record.CalibrationReport());
    }
    RequestWithAnswer(link, ReadCommand(CMD_READ_LIVE), PT_LIVE, SHORT_WAIT, SHORT_WAIT);
    record.DecodeLive();
}

}  // namespace corvalin
