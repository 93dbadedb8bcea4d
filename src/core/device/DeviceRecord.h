#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>

#include "protocol/Protocol.h"

namespace corvalin {

constexpr int CHANNEL_COUNT = 8;
constexpr int READING_SLOTS = 9;  // CH1..CH8 and an indoor slot no report fills

// Decoded readings: index 0..7 = CH1..CH8, 8 = indoor; NO_DATA where missing.
struct LiveReadings {
    std::array<float, READING_SLOTS> temperatureC;
    std::array<int32_t, READING_SLOTS> humidityPct;
    LiveReadings();
};

struct DecodedSettings {
    int32_t unitFahrenheit = 0;
    std::array<bool, CHANNEL_COUNT> channelEnabled{};
};

// Pure decoders of the station's answers.
DecodedSettings DecodeSettingsReport(const Report& settings);
// Fills entries 0..7 of `readings`; entry 8 is left alone.
void DecodeLiveReport(const Report& live, const std::array<bool, CHANNEL_COUNT>& channelEnabled,
                      LiveReadings& readings);

// The program's picture of the station: the last answer of every read command
// and the decoded live readings. Written by the reader and poll threads, read
// by the window; every buffer is copied whole under the lock, so nobody sees
// one half-written.
class DeviceRecord {
public:
    LiveReadings Readings() const;
    std::array<bool, CHANNEL_COUNT> ChannelEnabled() const;

    Report LiveReport() const;
    Report SettingsReport() const;
    Report CalibrationReport() const;
    std::array<Report, 4> AlarmReports() const;

    void StoreLive(const Report& report);
    void StoreSettings(const Report& report);
    void StoreCalibration(const Report& report);
    void StoreAlarm(int block, const Report& report);  // block 1..4

    // Decodes settingsReport into channelEnabled; returns the unit code.
    int32_t DecodeSettings();
    // Decodes liveReport into the readings of CH1..CH8.
    void DecodeLive();
    // The station is gone: liveReport becomes all 0xFF and is decoded, so every
    // channel shows no data. The other buffers keep their contents.
    void ClearLive();

    std::atomic<int32_t> intervalMinutes{0};
    std::atomic<int32_t> notOnMainScreen{0};

private:
    mutable std::mutex mutex_;
    LiveReadings readings_;
    std::array<bool, CHANNEL_COUNT> channelEnabled_{};
    Report liveReport_{};
    Report settingsReport_{};
    Report calibrationReport_{};
    std::array<Report, 4> alarmReport_{};
};

}  // namespace corvalin
