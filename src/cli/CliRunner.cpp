// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliRunner.h"

#include <CLI/CLI.hpp>
#include <ostream>

#include "Commands.h"
#include "common/Version.h"
#include "options/StationOptions.h"

namespace corvalin::cli {

int RunCli(const std::vector<std::string>& args, Console& console) {
    CLI::App app{"corvalin-cli: the KV7500 base station from the command line", "corvalin-cli"};
    app.require_subcommand(1);
    app.fallthrough();
    app.set_version_flag("--version", std::string("corvalin-cli ") + CORVALIN_VERSION);

    CommandContext context{{}, {}, console, {}, {}};
    options::AddStationOptions(app, context.station);
    app.add_flag("--trace", context.flags.trace,
                 "Write every frame written (>) and report read (<) to stderr");
    app.add_flag("--json", context.flags.json, "Print results as JSON");
    app.add_option("--data-dir", context.dataDir,
                   "The data folder for local copies and the record database "
                   "(default: $XDG_DATA_HOME/KV7500)");

    AddStatusCommand(app, context);
    AddLiveCommand(app, context);
    AddSyncTimeCommand(app, context);
    AddSettingsCommand(app, context);
    AddIntervalCommand(app, context);
    AddAlarmCommand(app, context);
    AddCalibrationCommand(app, context);
    AddFilesCommand(app, context);
    AddDownloadCommand(app, context);
    AddDeleteCommand(app, context);
    AddImportCommand(app, context);
    AddRecordsCommand(app, context);
    AddArchiveCommand(app, context);
    AddServiceCommand(app, context);
    AddDevicesCommand(app, context);
#ifdef CORVALIN_GRAPH_COMMAND
    AddGraphCommand(app, context);
#endif

    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& error) {
        // No command, or one mistyped: say which there are.
        if (app.get_subcommands().empty() && error.get_exit_code() != 0 &&
            (dynamic_cast<const CLI::RequiredError*>(&error) != nullptr ||
             dynamic_cast<const CLI::ExtrasError*>(&error) != nullptr)) {
            std::string names;
            for (const CLI::App* command : app.get_subcommands({})) {
                names += (names.empty() ? "" : ", ") + command->get_name();
            }
            std::string given = "No command given.";
            for (size_t i = 0; i < args.size(); ++i) {
                const std::string& word = args[i];
                if (word.rfind("-", 0) == 0) {
                    // An option's value is no command.
                    const CLI::Option* option = app.get_option_no_throw(word);
                    if (option != nullptr && option->get_items_expected_max() > 0) ++i;
                    continue;
                }
                given = "Unknown command \"" + word + "\".";
                break;
            }
            console.err << given << "\nThe commands are: " << names
                        << ".\nRun with --help for the options.\n";
            return EXIT_USAGE;
        }
        // Prints the help of the command asked for, the version, or the error.
        return app.exit(error, console.out, console.err) == 0 ? EXIT_DONE : EXIT_USAGE;
    }
    return context.run ? context.run() : EXIT_USAGE;
}

}  // namespace corvalin::cli
