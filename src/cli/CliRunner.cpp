#include "CliRunner.h"

#include <CLI/CLI.hpp>
#include <functional>
#include <ostream>

#include "Commands.h"
#include "StationOptions.h"

namespace corvalin::cli {

int RunCli(const std::vector<std::string>& args, Console& console) {
    CLI::App app{"corvalin-cli: the KV7500 base station from the command line", "corvalin-cli"};
    app.require_subcommand(1);
    app.fallthrough();

    StationArguments station;
    OutputFlags flags;
    AddStationOptions(app, station);
    app.add_flag("--trace", flags.trace,
                 "Write every frame written (>) and report read (<) to stderr");
    app.add_flag("--json", flags.json, "Print results as JSON");

    std::function<int()> command;

    CLI::App* status = app.add_subcommand("status", "Connection, unit, logging interval, screen");
    status->callback([&] { command = [&] { return RunStatus(station, flags, console); }; });

    LiveOptions live;
    CLI::App* liveCommand = app.add_subcommand("live", "The live readings of CH1 to CH8");
    liveCommand->add_flag("--watch", live.watch, "Read again every 20 s until interrupted");
    liveCommand->callback(
        [&] { command = [&] { return RunLive(station, flags, live, console); }; });

    SyncTimeOptions sync;
    CLI::App* syncCommand = app.add_subcommand("sync-time", "Set the station's clock");
    syncCommand->add_option("--at", sync.at, "\"YYYY-MM-DD hh:mm:ss\" instead of the local time");
    syncCommand->add_flag("--yes", sync.yes, "Do not ask for confirmation");
    syncCommand->callback(
        [&] { command = [&] { return RunSyncTime(station, flags, sync, console); }; });

    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& error) {
        // Prints the help of the command asked for, or the error.
        return app.exit(error, console.out, console.err) == 0 ? EXIT_DONE : EXIT_USAGE;
    }
    return command ? command() : EXIT_USAGE;
}

}  // namespace corvalin::cli
