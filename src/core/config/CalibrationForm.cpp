// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/CalibrationForm.h"

#include <cstdio>

#include "common/Messages.h"
#include "common/NumberText.h"
#include "common/ReadingFormat.h"
#include "config/EditValue.h"

namespace corvalin {

namespace {

constexpr double TEMPERATURE_MIN_TENTHS = -400;
constexpr double TEMPERATURE_MAX_TENTHS = 600;
constexpr int64_t HUMIDITY_MIN = 0;
constexpr int64_t HUMIDITY_MAX = 99;
constexpr float NO_LIVE_TEMPERATURE_ABOVE = 60000.0f;

std::string ChannelMessage(const char* format, int channel) {
    char text[64];
    std::snprintf(text, sizeof text, format, channel);
    return text;
}

}  // namespace

void CalibrationForm::Fill(const Report& calibrationCopy, const LiveReadings& liveCopy,
                           bool connected, int32_t unitFahrenheitCode) {
    Report answer = calibrationCopy;
    if (!connected) answer.fill(0);
    unitFahrenheit = unitFahrenheitCode;
    saveEnabled = connected;
    live_ = liveCopy;
    for (int k = 0; k < CHANNEL_COUNT; ++k) {
        CalibrationChannelEdits& channel = channels[k];
        channel.temperature =
            FormatTemperature(DecodeTemperatureOffset(answer, k), 2, unitFahrenheit);
        channel.humidity = FormatHumidity(DecodeHumidityOffset(answer, k), 1);
        channel.temperatureEditable = live_.temperatureC[k] != NO_DATA;
        channel.humidityEditable = live_.humidityPct[k] != NO_DATA_INT;
    }
    opening_ = channels;
    loaded_ = DecodeCalibrationOffsets(answer);
}

const char* CalibrationForm::UnitText() const { return TemperatureUnitText(unitFahrenheit); }

std::optional<std::string> CalibrationForm::Validate() const {
    for (int k = 0; k < CHANNEL_COUNT; ++k) {
        if (live_.temperatureC[k] > NO_LIVE_TEMPERATURE_ABOVE) continue;
        // The live reading is a float: 23.4 °C is a little below 23.4 and counts as 233.
        const int32_t live = TruncateTenths(static_cast<double>(live_.temperatureC[k]) * 10);
        // The offset in force and the new one, both truncated as they travel.
        const int32_t old = loaded_.temperature[k] == UNSET_VALUE ? 0 : loaded_.temperature[k];
        const int32_t now =
            channels[k].temperature == opening_[k].temperature
                ? old
                : TruncateTenths(TemperatureTenths(
                      channels[k].temperature, EditValueKind::TemperatureOffset, unitFahrenheit));
        const double corrected = static_cast<double>(live) - old + now;
        if (corrected < TEMPERATURE_MIN_TENTHS || corrected > TEMPERATURE_MAX_TENTHS) {
            return ChannelMessage(messages::CALIBRATION_TEMP_OUT_OF_VALUE, k + 1);
        }
    }
    for (int k = 0; k < CHANNEL_COUNT; ++k) {
        if (live_.humidityPct[k] == NO_DATA_INT) continue;
        const int32_t now = channels[k].humidity == opening_[k].humidity
                                ? loaded_.humidity[k]
                                : ReadLeadingInteger(channels[k].humidity);
        const int64_t corrected = int64_t{now} + live_.humidityPct[k] - loaded_.humidity[k];
        if (corrected < HUMIDITY_MIN || corrected > HUMIDITY_MAX) {
            return ChannelMessage(messages::CALIBRATION_HUMI_OUT_OF_VALUE, k + 1);
        }
    }
    return std::nullopt;
}

CalibrationOffsets CalibrationForm::Offsets() const {
    CalibrationOffsets offsets;
    for (int k = 0; k < CHANNEL_COUNT; ++k) {
        offsets.temperature[k] =
            channels[k].temperature == opening_[k].temperature
                ? loaded_.temperature[k]
                : ParseEditValue(channels[k].temperature, EditValueKind::TemperatureOffset,
                                 unitFahrenheit);
        offsets.humidity[k] =
            channels[k].humidity == opening_[k].humidity
                ? loaded_.humidity[k]
                : ParseEditValue(channels[k].humidity, EditValueKind::Humidity, unitFahrenheit);
    }
    return offsets;
}

std::vector<CommandFrame> CalibrationForm::BuildFrames() const {
    return {MakeCalibrationFrame(Offsets()), MakeCommandFrame(CMD_COMMIT)};
}

}  // namespace corvalin
