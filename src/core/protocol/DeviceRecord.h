// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>

#include "common/Readings.h"
#include "device/Report.h"

namespace corvalin {

// The program's picture of the station: the last answer of every read command
// and the decoded live readings. Written by the reader and poll threads, read
// by the faces; every buffer is copied whole under the lock, so nobody sees
// one half-written.
class DeviceRecord {
public:
    LiveReadings Readings() const;

    Report LiveReport() const;
    Report SettingsReport() const;
    Report CalibrationReport() const;
    std::array<Report, 4> AlarmReports() const;

    void StoreLive(const Report& report);
    // Stores the settings answer and decodes its unit and channel masks.
    void StoreSettings(const Report& report);
    void StoreCalibration(const Report& report);
    void StoreAlarm(int block, const Report& report);  // block 1..4

    // Decodes the live answer into the readings of CH1..CH8.
    void DecodeLive();
    // The station is gone: the live answer becomes all 0xFF and is decoded, so
    // every channel shows no data. The other buffers keep their contents.
    void ClearLive();

    // The unit code of the last settings answer: 0 Celsius, other Fahrenheit.
    std::atomic<int32_t> unitFahrenheit{0};
    std::atomic<int32_t> intervalMinutes{0};
    std::atomic<int32_t> notOnMainScreen{0};

private:
    // Every byte 0xFF: no channel has a reading.
    static Report NoLiveReading() {
        Report report;
        report.fill(0xFF);
        return report;
    }

    mutable std::mutex mutex_;
    LiveReadings readings_;
    std::array<bool, CHANNEL_COUNT> channelEnabled_{};
    Report liveReport_ = NoLiveReading();
    Report settingsReport_{};
    Report calibrationReport_{};
    std::array<Report, 4> alarmReport_{};
};

}  // namespace corvalin
