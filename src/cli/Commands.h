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
// Tests the alert sinks; needs no station.
void AddAlertCommand(CLI::App& app, CommandContext& context);
// Draws with the graph module, loaded when it runs.
void AddGraphCommand(CLI::App& app, CommandContext& context);

// The window's OK/Cancel question on the terminal, Cancel (no) being the
// default; false without a terminal. With `json` it is asked on stderr.
bool AskYesNo(Console& console, const std::string& question, bool json);

// The data folder the options name, or the default one.
std::string DataDirectory(const CommandContext& context);
// Where the logger's `file` is: in the data folder the options name; else in
// the user's, or in the system service's folder when only that one has it
// (or keeps it from this user).
std::string LoggerFolder(const CommandContext& context, const std::string& file);

}  // namespace corvalin::cli
