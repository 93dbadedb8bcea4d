// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/DeviceRecord.h"

#include "protocol/ReadingAnswers.h"

namespace corvalin {

LiveReadings DeviceRecord::Readings() const {
    std::lock_guard lock(mutex_);
    return readings_;
}

Report DeviceRecord::LiveReport() const {
    std::lock_guard lock(mutex_);
    return liveReport_;
}

Report DeviceRecord::SettingsReport() const {
    std::lock_guard lock(mutex_);
    return settingsReport_;
}

Report DeviceRecord::CalibrationReport() const {
    std::lock_guard lock(mutex_);
    return calibrationReport_;
}

std::array<Report, 4> DeviceRecord::AlarmReports() const {
    std::lock_guard lock(mutex_);
    return alarmReport_;
}

void DeviceRecord::StoreLive(const Report& report) {
    std::lock_guard lock(mutex_);
    liveReport_ = report;
}

void DeviceRecord::StoreSettings(const Report& report) {
    const DecodedSettings decoded = DecodeSettingsReport(report);
    std::lock_guard lock(mutex_);
    settingsReport_ = report;
    channelEnabled_ = decoded.channelEnabled;
    unitFahrenheit = decoded.unitFahrenheit;
}

void DeviceRecord::StoreCalibration(const Report& report) {
    std::lock_guard lock(mutex_);
    calibrationReport_ = report;
}

void DeviceRecord::StoreAlarm(int block, const Report& report) {
    if (block < 1 || block > 4) return;
    std::lock_guard lock(mutex_);
    alarmReport_[block - 1] = report;
}

void DeviceRecord::DecodeLive() {
    std::lock_guard lock(mutex_);
    DecodeLiveReport(liveReport_, channelEnabled_, readings_);
}

void DeviceRecord::ClearLive() {
    std::lock_guard lock(mutex_);
    liveReport_.fill(0xFF);
    DecodeLiveReport(liveReport_, channelEnabled_, readings_);
}

}  // namespace corvalin
