#include <nlohmann/json.hpp>
#include <ostream>

#include "Commands.h"
#include "protocol/Exchanges.h"
#include "protocol/Messages.h"
#include "protocol/ReadCycle.h"

namespace corvalin::cli {

namespace {

int RunStatus(const StationArguments& station, const OutputFlags& flags, Console& console) {
    std::unique_ptr<StationSession> session;
    const int opened = OpenStation(station, flags, console, session);
    if (opened == EXIT_USAGE || opened == EXIT_FAILED) return opened;
    if (opened == EXIT_UNCONNECTED) {
        if (flags.json) {
            console.out << nlohmann::json{{"connected", false}}.dump(2) << "\n";
        } else {
            console.out << messages::UNCONNECTED << "\n";
        }
        return EXIT_UNCONNECTED;
    }

    DeviceLink& link = session->link();
    RunReadCycle(link, session->record(), session->copies());
    RequestWithAnswer(link, ReadCommand(CMD_SCREEN_STATE), PT_SCREEN_STATE, SHORT_WAIT,
                      SHORT_WAIT);

    const bool fahrenheit = link.unitFahrenheit != 0;
    const int interval = session->record().intervalMinutes;
    const bool onMainScreen = session->record().notOnMainScreen == 0;
    if (flags.json) {
        nlohmann::json result{{"connected", true},
                              {"simulated", session->simulated()},
                              {"device", session->simulated() ? "" : link.DevicePath()},
                              {"unit", fahrenheit ? "°F" : "°C"},
                              {"intervalMinutes", interval},
                              {"onMainScreen", onMainScreen}};
        console.out << result.dump(2) << "\n";
    } else {
        console.out << messages::CONNECTED << "\n"
                    << "Station: " << StationDescription(*session) << "\n"
                    << "Unit: " << (fahrenheit ? "°F" : "°C") << "\n"
                    << "Logging interval: " << interval << " Minute\n"
                    << "Screen: " << (onMainScreen ? "main screen" : "not on the main screen")
                    << "\n";
    }
    return EXIT_DONE;
}

}  // namespace

void AddStatusCommand(CLI::App& app, CommandContext& context) {
    CLI::App* command = app.add_subcommand("status", "Connection, unit, logging interval, screen");
    command->callback([&context] {
        context.run = [&context] { return RunStatus(context.station, context.flags, context.console); };
    });
}

}  // namespace corvalin::cli
