// SPDX-License-Identifier: GPL-3.0-or-later
#include <ctime>
#include <memory>
#include <nlohmann/json.hpp>
#include <ostream>

#include "Commands.h"
#include "JsonText.h"
#include "logger/StationLogger.h"
#include "notify/AlertSender.h"
#include "options/LoggerConfig.h"
#include "options/NotifyOptions.h"

namespace corvalin::cli {

namespace {

struct AlertTestOptions {
    options::NotifyArguments sinks;
    std::string station;
    std::string configFile = options::DefaultLoggerConfigFile();
};

// The sinks named on the command line, else those of the logger's config
// file; mail addresses and the password file given here win.
Result<options::LoggerSinks> SinksToTest(const AlertTestOptions& options) {
    const options::NotifyArguments& given = options.sinks;
    Result<options::LoggerSinks> sinks = options::ReadLoggerSinks(options.configFile);
    // A config file this user may not read does not stop a test of sinks named here.
    if (!sinks && given.notify.empty()) return sinks;
    options::LoggerSinks chosen = sinks.value.value_or(options::LoggerSinks{});
    if (!given.notify.empty()) chosen.notify.notify = given.notify;
    if (!given.mailFrom.empty()) chosen.notify.mailFrom = given.mailFrom;
    if (!given.mailTo.empty()) chosen.notify.mailTo = given.mailTo;
    if (!given.passwordFile.empty()) chosen.notify.passwordFile = given.passwordFile;
    if (!options.station.empty()) chosen.station = options.station;
    if (chosen.station.empty()) chosen.station = DEFAULT_STATION_NAME;
    return Result<options::LoggerSinks>::Of(chosen);
}

int RunAlertTest(const CommandContext& context, const AlertTestOptions& options) {
    Console& console = context.console;
    const Result<options::LoggerSinks> sinks = SinksToTest(options);
    if (!sinks) {
        console.err << sinks.error << "\n";
        return EXIT_USAGE;
    }
    const Result<std::vector<NotifyTarget>> targets = options::MakeNotifyTargets(sinks->notify);
    if (!targets) {
        console.err << targets.error << "\n";
        return EXIT_USAGE;
    }
    if (targets->empty()) {
        console.err << "No sink to test: name one with --notify URL, or with notify = URL in "
                    << options.configFile << ".\n";
        return EXIT_USAGE;
    }
    AlertMessage message;
    message.station = sinks->station;
    message.test = true;
    message.time = std::time(nullptr);
    nlohmann::ordered_json results = nlohmann::ordered_json::array();
    int failed = 0;
    for (const NotifyTarget& target : *targets) {
        const Status sent = SendAlert(target, message);
        failed += sent ? 0 : 1;
        if (context.flags.json) {
            results.push_back({{"sink", target.address},
                               {"sent", sent.ok},
                               {"error", sent ? nlohmann::ordered_json(nullptr)
                                              : nlohmann::ordered_json(sent.message)}});
        } else {
            console.out << target.address << ": " << (sent ? "sent" : "failed: " + sent.message)
                        << "\n";
        }
    }
    if (context.flags.json) console.out << JsonText(results) << "\n";
    if (failed == 0) return EXIT_DONE;
    console.err << failed << " of " << targets->size() << " sinks did not take the test message.\n";
    return EXIT_FAILED;
}

}  // namespace

void AddAlertCommand(CLI::App& app, CommandContext& context) {
    CLI::App* alert = app.add_subcommand("alert", "The logger's alerts");
    alert->require_subcommand(1);
    auto options = std::make_shared<AlertTestOptions>();
    CLI::App* test = alert->add_subcommand(
        "test", "Send a test message through each sink named and print each result");
    options::AddNotifyOptions(*test, options->sinks);
    test->add_option("--station", options->station,
                     "The station's name in the message (default: the logger's)");
    test->add_option("--config", options->configFile,
                     "The logger's config file, whose sinks are tested when none is named here")
        ->capture_default_str();
    test->callback([&context, options] {
        context.run = [&context, options] { return RunAlertTest(context, *options); };
    });
}

}  // namespace corvalin::cli
