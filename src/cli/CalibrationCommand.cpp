// SPDX-License-Identifier: GPL-3.0-or-later
#include <functional>
#include <nlohmann/json.hpp>
#include <ostream>

#include "FormCommand.h"
#include "JsonText.h"
#include "common/NumberText.h"
#include "common/ReadingFormat.h"
#include "config/CalibrationForm.h"
#include "config/EditValue.h"

namespace corvalin::cli {

namespace {

constexpr const char* CALIBRATION_KEYS = "chN.temp, chN.hum with N = 1 to 8";

// Applied once the form is filled: a refusal when the channel's edit box is
// disabled (no live reading, so no check could guard the new offset).
using CalibrationEdit = FormEdit<CalibrationForm>;

Result<CalibrationEdit> ParseCalibrationEdit(const Assignment& assignment) {
    const std::optional<IndexedKey> channel = SplitIndexedKey(assignment.key, "ch", CHANNEL_COUNT);
    if (!channel || (channel->name != "temp" && channel->name != "hum")) {
        return Result<CalibrationEdit>::Fail("unknown key \"" + assignment.key +
                                             "\" (accepted: " + CALIBRATION_KEYS + ")");
    }
    const bool temperature = channel->name == "temp";
    Result<std::string> text =
        temperature ? DecimalText(assignment, true, "a number in the unit the station shows, or --")
                    : IntegerText(assignment, true, "a whole number of percent, or --");
    if (!text) return Result<CalibrationEdit>::Fail(text.error);

    const int k = channel->index - 1;
    return Result<CalibrationEdit>::Of([k, temperature, value = *text, key = assignment.key](
                                           CalibrationForm& form) -> std::optional<std::string> {
        CalibrationChannelEdits& edits = form.channels[k];
        if (!(temperature ? edits.temperatureEditable : edits.humidityEditable)) {
            return key + ": CH" + std::to_string(k + 1) + " has no live " +
                   (temperature ? "temperature" : "humidity") +
                   " reading, so its offset cannot be changed";
        }
        (temperature ? edits.temperature : edits.humidity) = value;
        return std::nullopt;
    });
}

nlohmann::json OffsetJson(const std::string& text, bool temperature) {
    if (TrimmedText(text) == "--") return nullptr;
    if (temperature) return ReadLeadingNumber(text);
    return ReadLeadingInteger(text);
}

void PrintCalibration(const CalibrationForm& form, const OutputFlags& flags, Console& console) {
    const LiveReadings& live = form.Live();
    if (flags.json) {
        nlohmann::json channels = nlohmann::json::array();
        for (int k = 0; k < CHANNEL_COUNT; ++k) {
            const CalibrationChannelEdits& channel = form.channels[k];
            channels.push_back({{"channel", k + 1},
                                {"temp", OffsetJson(channel.temperature, true)},
                                {"hum", OffsetJson(channel.humidity, false)},
                                {"tempChangeable", channel.temperatureEditable},
                                {"humChangeable", channel.humidityEditable}});
        }
        console.out << JsonText(nlohmann::json{{"unit", form.UnitText()}, {"channels", channels}})
                    << "\n";
        return;
    }
    console.out << "     temp        hum      live reading\n";
    for (int k = 0; k < CHANNEL_COUNT; ++k) {
        const CalibrationChannelEdits& channel = form.channels[k];
        console.out << "CH" << k + 1 << "  " << PadLeft(TrimmedText(channel.temperature), 6) << " "
                    << form.UnitText() << "   " << PadLeft(TrimmedText(channel.humidity), 4)
                    << " %   " << FormatTemperature(live.temperatureC[k], 0, form.unitFahrenheit)
                    << "  " << FormatHumidity(live.humidityPct[k], 0);
        if (!channel.temperatureEditable && !channel.humidityEditable) {
            console.out << "   (no live reading: cannot be changed)";
        } else if (!channel.temperatureEditable) {
            console.out << "   (no live temperature: temp cannot be changed)";
        } else if (!channel.humidityEditable) {
            console.out << "   (no live humidity: hum cannot be changed)";
        }
        console.out << "\n";
    }
}

}  // namespace

void AddCalibrationCommand(CLI::App& app, CommandContext& context) {
    AddFormCommand<CalibrationForm>(
        app, context,
        {"calibration",
         "The offsets the station adds to each channel's temperature and humidity",
         "Change offsets (checked against the live readings); others keep their value",
         CALIBRATION_KEYS,
         ParseCalibrationEdit,
         PrintCalibration,
         {}});
}

}  // namespace corvalin::cli
