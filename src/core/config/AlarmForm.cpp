// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/AlarmForm.h"

#include "common/Messages.h"
#include "common/NumberText.h"
#include "common/ReadingFormat.h"
#include "config/EditValue.h"

namespace corvalin {

namespace {

constexpr int TEMPERATURE_MIN_TENTHS = -400;
constexpr int TEMPERATURE_MAX_TENTHS = 600;
constexpr int HUMIDITY_MIN = 1;
constexpr int HUMIDITY_MAX = 99;

int SwitchSelection(uint8_t value) {
    return value < ALARM_SWITCH_ENTRIES.size() ? value : NO_SELECTION;
}

uint8_t SwitchValue(int selection, uint8_t loaded) {
    if (selection < 0 || selection >= static_cast<int>(ALARM_SWITCH_ENTRIES.size())) return loaded;
    return static_cast<uint8_t>(selection);
}

uint8_t MaskOf(const std::array<AlarmChannelEdits, CHANNEL_COUNT>& channels,
               bool AlarmChannelEdits::*enabled) {
    uint8_t mask = 0;
    for (int k = 0; k < CHANNEL_COUNT; ++k) {
        if (channels[k].*enabled) mask |= static_cast<uint8_t>(1u << k);
    }
    return mask;
}

bool TemperatureInRange(const std::string& text, int32_t unitFahrenheit) {
    const int32_t tenths =
        TruncateTenths(TemperatureTenths(text, EditValueKind::TemperatureLimit, unitFahrenheit));
    return tenths >= TEMPERATURE_MIN_TENTHS && tenths <= TEMPERATURE_MAX_TENTHS;
}

bool HumidityInRange(const std::string& text) {
    const int32_t value = ReadLeadingInteger(text);
    return value >= HUMIDITY_MIN && value <= HUMIDITY_MAX;
}

}  // namespace

void AlarmForm::Fill(const std::array<Report, 4>& alarmCopy, bool connected,
                     int32_t unitFahrenheitCode) {
    std::array<Report, 4> blocks = alarmCopy;
    if (!connected) {
        blocks[0].fill(0x00);
        blocks[1].fill(0x00);
        blocks[2].fill(0xFF);
        blocks[3].fill(0xFF);
    }
    unitFahrenheit = unitFahrenheitCode;
    saveEnabled = connected;

    loaded_ = DecodeAlarmBlock1(blocks[0]);
    temperatureAlarm = SwitchSelection(loaded_.temperatureAlarm);
    humidityAlarm = SwitchSelection(loaded_.humidityAlarm);
    for (int k = 0; k < CHANNEL_COUNT; ++k) {
        AlarmChannelEdits& channel = channels[k];
        channel.temperatureHigh =
            FormatTemperature(DecodeTemperatureHigh(blocks[2], k), 1, unitFahrenheit);
        channel.temperatureLow =
            FormatTemperature(DecodeTemperatureLow(blocks[2], k), 1, unitFahrenheit);
        channel.humidityHigh = FormatHumidity(DecodeHumidityHigh(blocks[3], k), 1);
        channel.humidityLow = FormatHumidity(DecodeHumidityLow(blocks[3], k), 1);
        const uint8_t bit = static_cast<uint8_t>(1u << k);
        channel.humidityHighEnabled = (loaded_.humidityHighMask & bit) != 0;
        channel.humidityLowEnabled = (loaded_.humidityLowMask & bit) != 0;
        channel.temperatureHighEnabled = (loaded_.temperatureHighMask & bit) != 0;
        channel.temperatureLowEnabled = (loaded_.temperatureLowMask & bit) != 0;
    }
    loadedLimits_ = DecodeAlarmLimits(blocks[2], blocks[3]);
    opening_ = channels;
}

const char* AlarmForm::UnitText() const { return TemperatureUnitText(unitFahrenheit); }

std::optional<std::string> AlarmForm::Validate() const {
    for (const AlarmChannelEdits& channel : channels) {
        if (!TemperatureInRange(channel.temperatureHigh, unitFahrenheit) ||
            !TemperatureInRange(channel.temperatureLow, unitFahrenheit)) {
            return messages::TEMP_ERROR;
        }
    }
    for (const AlarmChannelEdits& channel : channels) {
        if (!HumidityInRange(channel.humidityHigh) || !HumidityInRange(channel.humidityLow)) {
            return messages::HUMI_ERROR;
        }
    }
    return std::nullopt;
}

AlarmSwitches AlarmForm::Switches() const {
    AlarmSwitches switches;
    switches.humidityAlarm = SwitchValue(humidityAlarm, loaded_.humidityAlarm);
    switches.temperatureAlarm = SwitchValue(temperatureAlarm, loaded_.temperatureAlarm);
    switches.humidityHighMask = MaskOf(channels, &AlarmChannelEdits::humidityHighEnabled);
    switches.humidityLowMask = MaskOf(channels, &AlarmChannelEdits::humidityLowEnabled);
    switches.temperatureHighMask = MaskOf(channels, &AlarmChannelEdits::temperatureHighEnabled);
    switches.temperatureLowMask = MaskOf(channels, &AlarmChannelEdits::temperatureLowEnabled);
    return switches;
}

AlarmLimits AlarmForm::Limits() const {
    AlarmLimits limits;
    const auto value = [&](int k, std::string AlarmChannelEdits::*text,
                           const std::array<int32_t, CHANNEL_COUNT> AlarmLimits::*loaded,
                           EditValueKind kind) {
        if (channels[k].*text == opening_[k].*text) return (loadedLimits_.*loaded)[k];
        return ParseEditValue(channels[k].*text, kind, unitFahrenheit);
    };
    for (int k = 0; k < CHANNEL_COUNT; ++k) {
        limits.temperatureHigh[k] =
            value(k, &AlarmChannelEdits::temperatureHigh, &AlarmLimits::temperatureHigh,
                  EditValueKind::TemperatureLimit);
        limits.temperatureLow[k] =
            value(k, &AlarmChannelEdits::temperatureLow, &AlarmLimits::temperatureLow,
                  EditValueKind::TemperatureLimit);
        limits.humidityHigh[k] = value(k, &AlarmChannelEdits::humidityHigh,
                                       &AlarmLimits::humidityHigh, EditValueKind::Humidity);
        limits.humidityLow[k] = value(k, &AlarmChannelEdits::humidityLow, &AlarmLimits::humidityLow,
                                      EditValueKind::Humidity);
    }
    return limits;
}

std::vector<CommandFrame> AlarmForm::BuildFrames() const {
    const AlarmLimits limits = Limits();
    return {MakeAlarm1Frame(Switches()), MakeAlarm3Frame(limits), MakeAlarm4Frame(limits),
            MakeCommandFrame(CMD_COMMIT)};
}

}  // namespace corvalin
