#include <functional>
#include <nlohmann/json.hpp>
#include <ostream>

#include "Commands.h"
#include "ConfigCommandSupport.h"
#include "KeyValueArgs.h"
#include "config/CalibrationForm.h"
#include "config/EditValue.h"
#include "device/ReadingFormat.h"

namespace corvalin::cli {

namespace {

constexpr const char* CALIBRATION_KEYS = "chN.temp, chN.hum with N = 1 to 8";

// Applied once the form is filled: a refusal when the channel's edit box is
// disabled (no live reading, so no check could guard the new offset).
using CalibrationEdit = std::function<std::optional<std::string>(CalibrationForm&)>;

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
    if (temperature) return ReadEditNumber(text);
    return ReadEditInteger(text);
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
                                {"temp-changeable", channel.temperatureEditable},
                                {"hum-changeable", channel.humidityEditable}});
        }
        console.out << nlohmann::json{{"unit", form.UnitText()}, {"channels", channels}}.dump(2)
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

int RunCalibrationShow(const CommandContext& context) {
    std::unique_ptr<StationSession> session;
    const int opened = OpenAndReadStation(context, session);
    if (opened != EXIT_DONE) return opened;
    CalibrationCopies& copies = session->copies().calibration;
    CalibrationForm form;
    form.Fill(copies.calibrationCopy.Get(), copies.liveCopy.Get(), session->link().connected == 1,
              session->link().unitFahrenheit);
    PrintCalibration(form, context.flags, context.console);
    return EXIT_DONE;
}

int RunCalibrationSet(const CommandContext& context, const std::vector<std::string>& words) {
    Result<std::vector<Assignment>> assignments = ParseAssignments(words);
    if (!assignments) return UsageError(assignments.error, context.console);
    std::vector<CalibrationEdit> edits;
    for (const Assignment& assignment : *assignments) {
        Result<CalibrationEdit> edit = ParseCalibrationEdit(assignment);
        if (!edit) return UsageError(edit.error, context.console);
        edits.push_back(*edit);
    }

    std::unique_ptr<StationSession> session;
    const int opened = OpenAndReadStation(context, session);
    if (opened != EXIT_DONE) return opened;
    CalibrationCopies& copies = session->copies().calibration;
    CalibrationForm form;
    form.Fill(copies.calibrationCopy.Get(), copies.liveCopy.Get(), session->link().connected == 1,
              session->link().unitFahrenheit);
    for (const CalibrationEdit& edit : edits) {
        if (std::optional<std::string> refusal = edit(form)) {
            context.console.err << *refusal << "\n";
            return EXIT_FAILED;
        }
    }
    return ReportSave(SaveForm(form, session->link(), copies.notOnMainScreen), context.console);
}

}  // namespace

void AddCalibrationCommand(CLI::App& app, CommandContext& context) {
    auto words = std::make_shared<std::vector<std::string>>();
    CLI::App* command = app.add_subcommand(
        "calibration", "The offsets the station adds to each channel's temperature and humidity");
    command->require_subcommand(0, 1);
    CLI::App* set = command->add_subcommand(
        "set", "Change offsets (checked against the live readings); others keep their value");
    set->add_option("KEY=VALUE", *words, std::string("Keys: ") + CALIBRATION_KEYS)->required();
    command->callback([&context, words, set] {
        if (set->parsed()) {
            context.run = [&context, words] { return RunCalibrationSet(context, *words); };
        } else {
            context.run = [&context] { return RunCalibrationShow(context); };
        }
    });
}

}  // namespace corvalin::cli
