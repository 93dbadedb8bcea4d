#include <ostream>

#include "Commands.h"
#include "protocol/ClockSync.h"
#include "protocol/Messages.h"

namespace corvalin::cli {

namespace {

struct SyncTimeOptions {
    std::string at;  // "YYYY-MM-DD hh:mm:ss"; empty: the local time now
    bool yes = false;
};

int RunSyncTime(const StationArguments& station, const OutputFlags& flags,
                const SyncTimeOptions& options, Console& console) {
    LocalTime fixedTime;
    if (!options.at.empty()) {
        Result<LocalTime> parsed = ParseLocalTime(options.at);
        if (!parsed) {
            console.err << "--at: " << parsed.error << "\n";
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
        if (!AskYesNo(console, messages::SYNC_TIME_QUESTION)) return EXIT_DONE;  // Cancel: nothing is sent
    }

    std::unique_ptr<StationSession> session;
    const int opened = OpenStation(station, flags, console, session);
    if (opened != EXIT_DONE) return opened;

    auto now = [&] { return options.at.empty() ? LocalTimeNow() : fixedTime; };
    const ClockSyncResult result =
        SyncStationClock(session->link(), session->record().notOnMainScreen, now);
    switch (result) {
        case ClockSyncResult::Synchronised:
            console.out << ClockSyncMessage(result) << "\n";
            return EXIT_DONE;
        case ClockSyncResult::NotOnMainScreen:
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
    command->add_option("--at", options->at, "\"YYYY-MM-DD hh:mm:ss\" instead of the local time");
    command->add_flag("--yes", options->yes, "Do not ask for confirmation");
    command->callback([&context, options] {
        context.run = [&context, options] {
            return RunSyncTime(context.station, context.flags, *options, context.console);
        };
    });
}

}  // namespace corvalin::cli
