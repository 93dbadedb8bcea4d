// SPDX-License-Identifier: GPL-3.0-or-later
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
    // The data folder (local copies of card files, the record database); empty: the default.
    std::string dataDir;
    // The parsed command sets this; RunCli runs it after parsing.
    std::function<int()> run;
};

// Each command registers its subcommand, options and action on the app.
void AddStatusCommand(CLI::App& app, CommandContext& context);
// Lists the devices with the station's USB ids; opens none for use.
void AddDevicesCommand(CLI::App& app, CommandContext& context);
void AddLiveCommand(CLI::App& app, CommandContext& context);
void AddSyncTimeCommand(CLI::App& app, CommandContext& context);
void AddSettingsCommand(CLI::App& app, CommandContext& context);
void AddIntervalCommand(CLI::App& app, CommandContext& context);
void AddAlarmCommand(CLI::App& app, CommandContext& context);
void AddCalibrationCommand(CLI::App& app, CommandContext& context);
void AddFilesCommand(CLI::App& app, CommandContext& context);
void AddDownloadCommand(CLI::App& app, CommandContext& context);
void AddDeleteCommand(CLI::App& app, CommandContext& context);
void AddImportCommand(CLI::App& app, CommandContext& context);
void AddRecordsCommand(CLI::App& app, CommandContext& context);
void AddArchiveCommand(CLI::App& app, CommandContext& context);
// Reads the logger's status file; needs no station.
void AddServiceCommand(CLI::App& app, CommandContext& context);
// Only where the window is built: it draws with the window's chart.
void AddGraphCommand(CLI::App& app, CommandContext& context);

// The window's OK/Cancel question on the terminal, Cancel (no) being the
// default; false without a terminal.
bool AskYesNo(Console& console, const std::string& question);

// The data folder the options name, or the default one.
std::string DataDirectory(const CommandContext& context);

}  // namespace corvalin::cli
