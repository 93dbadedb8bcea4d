// SPDX-License-Identifier: GPL-3.0-or-later
#include <nlohmann/json.hpp>
#include <ostream>

#include "Commands.h"
#include "ConfigCommandSupport.h"
#include "JsonText.h"
#include "common/Messages.h"

namespace corvalin::cli {

namespace {

int RunStatus(const StationArguments& station, const OutputFlags& flags, Console& console) {
    std::unique_ptr<StationSession> session;
    const int opened = OpenStation(station, flags, console, session, false);
    if (opened == EXIT_USAGE || opened == EXIT_FAILED) return opened;
    if (opened == EXIT_UNCONNECTED) {
        if (flags.json) {
            console.out << JsonText(nlohmann::json{{"connected", false}}) << "\n";
        } else {
            console.out << messages::UNCONNECTED << "\n";
        }
        return EXIT_UNCONNECTED;
    }

    const ReadCycleAnswers read = session->ReadStation();
    const std::optional<bool> onMainScreen = session->QueryOnMainScreen();
    if (!session->StillConnected()) return Unconnected(console);

    // What the station did not answer is unknown, never a value of ours.
    std::optional<std::string> unit;
    if (read.settings) unit = session->UnitCode() != 0 ? "°F" : "°C";
    const std::optional<int32_t> interval = session->IntervalMinutes();
    std::optional<std::string> screen;
    if (onMainScreen) screen = *onMainScreen ? "main screen" : "not on the main screen";
    if (flags.json) {
        auto orNull = [](const auto& value) {
            return value ? nlohmann::json(*value) : nlohmann::json(nullptr);
        };
        nlohmann::json result{{"connected", true},
                              {"simulated", session->simulated()},
                              {"device", session->simulated() ? "" : session->DevicePath()},
                              {"unit", orNull(unit)},
                              {"intervalMinutes", orNull(interval)},
                              {"onMainScreen", orNull(onMainScreen)}};
        console.out << JsonText(result, 2) << "\n";
    } else {
        console.out << messages::CONNECTED << "\n"
                    << "Station: " << session->Description() << "\n"
                    << "Unit: " << unit.value_or("--") << "\n"
                    << "Logging interval: "
                    << (interval ? std::to_string(*interval) + " Minute" : "--") << "\n"
                    << "Screen: " << screen.value_or("--") << "\n";
    }
    if (!unit || !interval || !screen) {
        console.err << NoAnswerMessage(read) << "\n";
        return EXIT_FAILED;
    }
    return EXIT_DONE;
}

}  // namespace

void AddStatusCommand(CLI::App& app, CommandContext& context) {
    CLI::App* command = app.add_subcommand("status", "Connection, unit, logging interval, screen");
    command->callback([&context] {
        context.run = [&context] {
            return RunStatus(context.station, context.flags, context.console);
        };
    });
}

}  // namespace corvalin::cli
