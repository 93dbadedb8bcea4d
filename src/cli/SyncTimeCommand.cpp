// SPDX-License-Identifier: GPL-3.0-or-later
#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>

#include "Commands.h"
#include "JsonText.h"
#include "common/Messages.h"
#include "common/ZonedTime.h"

namespace corvalin::cli {

namespace {

struct SyncTimeOptions {
    std::string atText;
    std::optional<std::string> at;  // "YYYY-MM-DD hh:mm:ss"; none: the local time now
    bool yes = false;
};

int RunSyncTime(const StationArguments& station, const OutputFlags& flags,
                const SyncTimeOptions& options, Console& console) {
    CivilTime fixedTime;
    if (options.at) {
        const std::optional<CivilTime> parsed = ParseCivilText(*options.at);
        if (!parsed) {
            console.err << "--at: \"" << *options.at
                        << "\" is not a valid date and time (expected \"YYYY-MM-DD hh:mm:ss\")\n";
            return EXIT_USAGE;
        }
        if (!StationClockHolds(*parsed)) {
            console.err << "--at: " << messages::CLOCK_OUT_OF_RANGE << "\n";
            return EXIT_USAGE;
        }
        fixedTime = *parsed;
    }
    if (!options.yes) {
        if (!console.interactive) {
            console.err << "Setting the station's clock needs confirmation: run it on a terminal "
                           "or add --yes.\n";
            return EXIT_FAILED;
        }
        if (!AskYesNo(console, messages::SYNC_TIME_QUESTION, flags.json)) {
            // Cancel: nothing is sent
            if (flags.json) {
                console.out << JsonText(nlohmann::json{{"written", false}, {"cancelled", true}})
                            << "\n";
            }
            return EXIT_DONE;
        }
    }

    std::unique_ptr<StationSession> session;
    const int opened = OpenStation(station, flags, console, session);
    if (opened != EXIT_DONE) return opened;

    std::optional<CivilTime> sent;
    auto now = [&] { return *(sent = options.at ? fixedTime : LocalTimeNow()); };
    const ClockSyncResult result = session->SyncClock(now);
    switch (result) {
        case ClockSyncResult::Synchronised:
            if (flags.json) {
                console.out << JsonText(nlohmann::json{{"written", true},
                                                       {"time", sent ? CivilText(*sent) : ""},
                                                       {"message", ClockSyncMessage(result)}})
                            << "\n";
            } else {
                console.out << ClockSyncMessage(result) << "\n";
            }
            return EXIT_DONE;
        case ClockSyncResult::NotOnMainScreen:
        case ClockSyncResult::NoAnswer:
        case ClockSyncResult::OutOfRange:
            console.err << ClockSyncMessage(result) << "\n";
            return EXIT_FAILED;
        case ClockSyncResult::Unconnected:
        case ClockSyncResult::Lost:
            break;
    }
    console.err << ClockSyncMessage(result) << "\n";
    return EXIT_UNCONNECTED;
}

}  // namespace

void AddSyncTimeCommand(CLI::App& app, CommandContext& context) {
    auto options = std::make_shared<SyncTimeOptions>();
    CLI::App* command = app.add_subcommand("sync-time", "Set the station's clock");
    CLI::Option* at = command->add_option("--at", options->atText,
                                          "\"YYYY-MM-DD hh:mm:ss\" instead of the local time");
    command->add_flag("--yes", options->yes, "Do not ask for confirmation");
    command->callback([&context, options, at] {
        // Given but empty is a mistake, not "now".
        if (at->count() > 0) options->at = options->atText;
        context.run = [&context, options] {
            return RunSyncTime(context.station, context.flags, *options, context.console);
        };
    });
}

}  // namespace corvalin::cli
