// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliRunner.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <nlohmann/json.hpp>
#include <ostream>
#include <streambuf>

#include "Commands.h"
#include "JsonText.h"
#include "common/Version.h"
#include "options/StationOptions.h"

namespace corvalin::cli {

namespace {

// Passes what is written on to `target`, counting it, and keeping a copy
// when asked.
class PassingBuffer : public std::streambuf {
public:
    PassingBuffer(std::ostream& target, bool keep) : target_(target), keep_(keep) {}
    size_t Count() const { return count_; }
    const std::string& Kept() const { return kept_; }

protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        const char byte = traits_type::to_char_type(c);
        xsputn(&byte, 1);
        return c;
    }
    std::streamsize xsputn(const char* bytes, std::streamsize count) override {
        target_.write(bytes, count);
        count_ += static_cast<size_t>(count);
        if (keep_) kept_.append(bytes, static_cast<size_t>(count));
        return count;
    }
    int sync() override {
        target_.flush();
        return 0;
    }

private:
    std::ostream& target_;
    bool keep_;
    size_t count_ = 0;
    std::string kept_;
};

std::string WithoutTrailingLineEnds(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

int RunCommand(const std::vector<std::string>& args, Console& console) {
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
    AddAlertCommand(app, context);
    AddDevicesCommand(app, context);
    AddGraphCommand(app, context);

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

}  // namespace

int RunCli(const std::vector<std::string>& args, Console& console) {
    if (std::find(args.begin(), args.end(), "--json") == args.end()) {
        return RunCommand(args, console);
    }
    // A script reading JSON gets an object for a failure as well: what the
    // command said on stderr, and its exit status.
    PassingBuffer outBuffer(console.out, false);
    PassingBuffer errBuffer(console.err, true);
    std::ostream out(&outBuffer);
    std::ostream err(&errBuffer);
    Console watched{out,
                    err,
                    console.in,
                    console.interactive,
                    console.interrupted,
                    console.progress,
                    &console.Side()};
    const int status = RunCommand(args, watched);
    out.flush();
    err.flush();
    if (status != EXIT_DONE && outBuffer.Count() == 0) {
        const std::string said = WithoutTrailingLineEnds(errBuffer.Kept());
        const nlohmann::json error{
            {"error", said.empty() ? nlohmann::json(nullptr) : nlohmann::json(said)},
            {"exitStatus", status}};
        console.out << JsonText(error) << "\n" << std::flush;
    }
    return status;
}

}  // namespace corvalin::cli
