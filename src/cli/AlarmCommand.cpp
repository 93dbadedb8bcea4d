// SPDX-License-Identifier: GPL-3.0-or-later
#include <functional>
#include <nlohmann/json.hpp>
#include <ostream>

#include "FormCommand.h"
#include "JsonText.h"
#include "common/NumberText.h"
#include "config/AlarmForm.h"
#include "config/EditValue.h"

namespace corvalin::cli {

namespace {

constexpr const char* ALARM_KEYS =
    "temperature-alarm, humidity-alarm, chN.temp-high, chN.temp-low, chN.hum-high, chN.hum-low, "
    "chN.temp-high-enabled, chN.temp-low-enabled, chN.hum-high-enabled, chN.hum-low-enabled "
    "with N = 1 to 8";

// The four limits of a channel row, with their enable boxes, in display order.
struct LimitColumn {
    const char* key;
    const char* jsonKey;
    std::string AlarmChannelEdits::*text;
    bool AlarmChannelEdits::*enabled;
    bool temperature;
};
constexpr LimitColumn LIMIT_COLUMNS[] = {
    {"temp-high", "tempHigh", &AlarmChannelEdits::temperatureHigh,
     &AlarmChannelEdits::temperatureHighEnabled, true},
    {"temp-low", "tempLow", &AlarmChannelEdits::temperatureLow,
     &AlarmChannelEdits::temperatureLowEnabled, true},
    {"hum-high", "humHigh", &AlarmChannelEdits::humidityHigh,
     &AlarmChannelEdits::humidityHighEnabled, false},
    {"hum-low", "humLow", &AlarmChannelEdits::humidityLow, &AlarmChannelEdits::humidityLowEnabled,
     false},
};

using AlarmEdit = FormEdit<AlarmForm>;

Result<AlarmEdit> UnknownKey(const Assignment& assignment) {
    return Result<AlarmEdit>::Fail("unknown key \"" + assignment.key +
                                   "\" (accepted: " + ALARM_KEYS + ")");
}

Result<AlarmEdit> ChannelEdit(const Assignment& assignment, const IndexedKey& channel) {
    const int k = channel.index - 1;
    for (const LimitColumn& column : LIMIT_COLUMNS) {
        if (channel.name == column.key) {
            Result<std::string> text =
                column.temperature
                    ? DecimalText(assignment, true, "a number in the unit the station shows, or --")
                    : IntegerText(assignment, true, "a whole number of percent, or --");
            if (!text) return Result<AlarmEdit>::Fail(text.error);
            return Result<AlarmEdit>::Of([k, field = column.text, value = *text](
                                             AlarmForm& form) -> std::optional<std::string> {
                form.channels[k].*field = value;
                return std::nullopt;
            });
        }
        if (channel.name == std::string(column.key) + "-enabled") {
            Result<bool> enabled = YesNoValue(assignment);
            if (!enabled) return Result<AlarmEdit>::Fail(enabled.error);
            return Result<AlarmEdit>::Of([k, field = column.enabled, value = *enabled](
                                             AlarmForm& form) -> std::optional<std::string> {
                form.channels[k].*field = value;
                return std::nullopt;
            });
        }
    }
    return UnknownKey(assignment);
}

Result<AlarmEdit> ParseAlarmEdit(const Assignment& assignment) {
    for (auto [key, field] : {std::pair{"temperature-alarm", &AlarmForm::temperatureAlarm},
                              std::pair{"humidity-alarm", &AlarmForm::humidityAlarm}}) {
        if (assignment.key != key) continue;
        Result<int> choice = ChoiceValue(assignment, ALARM_SWITCH_ENTRIES);
        if (!choice) return Result<AlarmEdit>::Fail(choice.error);
        return Result<AlarmEdit>::Of(
            [field, index = *choice](AlarmForm& form) -> std::optional<std::string> {
                form.*field = index;
                return std::nullopt;
            });
    }
    if (std::optional<IndexedKey> channel = SplitIndexedKey(assignment.key, "ch", CHANNEL_COUNT)) {
        return ChannelEdit(assignment, *channel);
    }
    return UnknownKey(assignment);
}

std::string SwitchText(int selection) {
    if (selection >= 0 && selection < static_cast<int>(ALARM_SWITCH_ENTRIES.size())) {
        return ALARM_SWITCH_ENTRIES[selection];
    }
    return "unknown value";
}

nlohmann::json LimitJson(const std::string& text, bool temperature) {
    if (TrimmedText(text) == "--") return nullptr;
    if (temperature) return ReadLeadingNumber(text);
    return ReadLeadingInteger(text);
}

void PrintAlarms(const AlarmForm& form, const OutputFlags& flags, Console& console) {
    if (flags.json) {
        nlohmann::json channels = nlohmann::json::array();
        for (int k = 0; k < CHANNEL_COUNT; ++k) {
            nlohmann::json channel{{"channel", k + 1}};
            for (const LimitColumn& column : LIMIT_COLUMNS) {
                channel[column.jsonKey] =
                    LimitJson(form.channels[k].*column.text, column.temperature);
                channel[std::string(column.jsonKey) + "Enabled"] = form.channels[k].*column.enabled;
            }
            channels.push_back(channel);
        }
        nlohmann::json result{{"temperatureAlarm", SwitchText(form.temperatureAlarm)},
                              {"humidityAlarm", SwitchText(form.humidityAlarm)},
                              {"unit", form.UnitText()},
                              {"channels", channels}};
        console.out << JsonText(result, 2) << "\n";
        return;
    }
    console.out << "temperature-alarm  " << SwitchText(form.temperatureAlarm) << "\n"
                << "humidity-alarm     " << SwitchText(form.humidityAlarm) << "\n\n";
    // Cells: "[x]  40.0 °C" (13 columns) and "[x]  90 %" (9 columns), three blanks apart.
    constexpr size_t temperatureCell = 13;
    constexpr size_t humidityCell = 9;
    std::string header = "     ";
    for (const LimitColumn& column : LIMIT_COLUMNS) {
        if (header.size() > 5) header += "   ";
        header += PadRight(column.key, column.temperature ? temperatureCell : humidityCell);
    }
    header.erase(header.find_last_not_of(' ') + 1);
    console.out << header << "\n";
    for (int k = 0; k < CHANNEL_COUNT; ++k) {
        const AlarmChannelEdits& channel = form.channels[k];
        std::string line = "CH" + std::to_string(k + 1) + "  ";
        for (const LimitColumn& column : LIMIT_COLUMNS) {
            if (line.size() > 5) line += "   ";
            line += channel.*column.enabled ? "[x] " : "[ ] ";
            const std::string value = TrimmedText(channel.*column.text);
            line += column.temperature ? PadLeft(value, 6) + " " + form.UnitText()
                                       : PadLeft(value, 3) + " %";
        }
        console.out << line << "\n";
    }
}

}  // namespace

void AddAlarmCommand(CLI::App& app, CommandContext& context) {
    AddFormCommand<AlarmForm>(
        app, context,
        {"alarm",
         "The alarm switches and each channel's limits, in the unit the station shows",
         "Change alarms; what is not named keeps its current value",
         ALARM_KEYS,
         ParseAlarmEdit,
         PrintAlarms,
         {}});
}

}  // namespace corvalin::cli
