// SPDX-License-Identifier: GPL-3.0-or-later
#include <chrono>
#include <ctime>
#include <nlohmann/json.hpp>
#include <ostream>
#include <thread>

#include "Commands.h"
#include "ConfigCommandSupport.h"
#include "JsonText.h"
#include "LiveTable.h"
#include "common/Messages.h"

namespace corvalin::cli {

namespace {

constexpr auto WATCH_PERIOD = std::chrono::seconds(20);

bool Interrupted(const Console& console) { return console.Interruption() != 0; }

// Sleeps for the poll period, waking early when interrupted.
void WaitForNextCycle(const Console& console) {
    const auto until = std::chrono::steady_clock::now() + WATCH_PERIOD;
    while (!Interrupted(console) && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

std::string ClockText(std::time_t at) {
    std::tm parts{};
    localtime_r(&at, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &parts);
    return text;
}

// ISO 8601 with the offset from UTC: 2024-10-27T02:30:00+01:00.
std::string IsoTime(std::time_t at) {
    std::tm parts{};
    localtime_r(&at, &parts);
    char text[40];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S%z", &parts);
    std::string iso = text;
    if (iso.size() >= 5) iso.insert(iso.size() - 2, ":");
    return iso;
}

struct LiveOptions {
    bool watch = false;
};

int RunLive(const StationArguments& station, const OutputFlags& flags, const LiveOptions& options,
            Console& console) {
    std::unique_ptr<StationSession> session;
    const int opened = OpenStation(station, flags, console, session);
    if (opened != EXIT_DONE) return opened;
    // Watching polls as the window does: full cycles, one after another.
    session->SetOneShot(!options.watch);

    if (!flags.json) console.out << "Live readings from the " << session->Description() << "\n";

    int status = EXIT_DONE;
    while (true) {
        ReadCycleAnswers read{.live = false};
        if (session->IsConnected()) read = session->ReadStation();
        const std::time_t readAt = std::time(nullptr);
        if (!options.watch && !session->StillConnected()) return Unconnected(console);
        if (flags.json) {
            nlohmann::json result = LiveTableJson(session->Readings(), session->UnitCode());
            result["connected"] = session->IsConnected();
            result["time"] = IsoTime(readAt);
            console.out << JsonText(result, options.watch ? -1 : 2) << "\n" << std::flush;
        } else {
            if (options.watch) {
                console.out << "\n"
                            << ClockText(readAt) << "  "
                            << (session->IsConnected() ? messages::CONNECTED
                                                       : messages::UNCONNECTED)
                            << "\n";
            }
            console.out << LiveTableText(session->Readings(), session->UnitCode()) << std::flush;
        }
        if (!options.watch) {
            // The readings it has not got are shown as "--", and said so.
            if (!read.live) {
                console.err << NoAnswerMessage(read) << "\n";
                status = EXIT_FAILED;
            }
            break;
        }
        WaitForNextCycle(console);
        if (Interrupted(console)) break;
        // Without device notifications, look again when the station went away.
        session->CheckForDeviceChange();
    }
    return status;
}

}  // namespace

void AddLiveCommand(CLI::App& app, CommandContext& context) {
    auto options = std::make_shared<LiveOptions>();
    CLI::App* command = app.add_subcommand("live", "The live readings of CH1 to CH8");
    command->add_flag("--watch", options->watch, "Read again every 20 s until interrupted");
    command->callback([&context, options] {
        context.run = [&context, options] {
            return RunLive(context.station, context.flags, *options, context.console);
        };
    });
}

}  // namespace corvalin::cli
