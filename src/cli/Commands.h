#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <string>

#include "CliConnection.h"
#include "CliRunner.h"

namespace corvalin::cli {

// What every command gets: the global options (filled by parsing) and the console.
struct CommandContext {
    StationArguments station;
    OutputFlags flags;
    Console& console;
    // The parsed command sets this; RunCli runs it after parsing.
    std::function<int()> run;
};

// Each command registers its subcommand, options and action on the app.
void AddStatusCommand(CLI::App& app, CommandContext& context);
void AddLiveCommand(CLI::App& app, CommandContext& context);
void AddSyncTimeCommand(CLI::App& app, CommandContext& context);

}  // namespace corvalin::cli
