#include "device/DeviceRecord.h"

#include "common/ByteOrder.h"
#include "device/ReadingFormat.h"

namespace corvalin {

LiveReadings::LiveReadings() {
    temperatureC.fill(NO_DATA);
    humidityPct.fill(NO_DATA_INT);
}

DecodedSettings DecodeSettingsReport(const Report& settings) {
    DecodedSettings decoded;
    decoded.unitFahrenheit = static_cast<int8_t>(settings[7]);
    uint32_t masks = 0;
    for (int area = 0; area < 5; ++area) {
        masks |= ReadBigEndian32(&settings[8 + 4 * area]);
    }
    for (int k = 0; k < CHANNEL_COUNT; ++k) {
        decoded.channelEnabled[k] = (masks & (0x7u << (3 * k))) != 0;
    }
    return decoded;
}

void DecodeLiveReport(const Report& live, const std::array<bool, CHANNEL_COUNT>& channelEnabled,
                      LiveReadings& readings) {
    for (int k = 0; k < CHANNEL_COUNT; ++k) {
        const uint8_t high = live[1 + 3 * k];
        const uint8_t low = live[2 + 3 * k];
        const uint8_t humidity = live[3 + 3 * k];

        float temperature = NO_DATA;
        if (!((high == 0xFF && low == 0xFF) || (high == 0x7F && low == 0xFF))) {
            const auto tenths = static_cast<int16_t>((high << 8) | low);
            temperature = static_cast<float>(tenths / 10.0);
            if (temperature < -40.0f || temperature > 60.0f) temperature = NO_DATA;
        }
        int32_t humidityPct = humidity == NO_HUMIDITY_BYTE ? NO_DATA_INT : humidity;
        if (humidityPct < 1 || humidityPct > 99) humidityPct = NO_DATA_INT;

        if (!channelEnabled[k]) {
            temperature = NO_DATA;
            humidityPct = NO_DATA_INT;
        }
        readings.temperatureC[k] = temperature;
        readings.humidityPct[k] = humidityPct;
    }
}

LiveReadings DeviceRecord::Readings() const {
    std::lock_guard lock(mutex_);
    return readings_;
}

std::array<bool, CHANNEL_COUNT> DeviceRecord::ChannelEnabled() const {
    std::lock_guard lock(mutex_);
    return channelEnabled_;
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
    std::lock_guard lock(mutex_);
    settingsReport_ = report;
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

int32_t DeviceRecord::DecodeSettings() {
    std::lock_guard lock(mutex_);
    const DecodedSettings decoded = DecodeSettingsReport(settingsReport_);
    channelEnabled_ = decoded.channelEnabled;
    return decoded.unitFahrenheit;
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
