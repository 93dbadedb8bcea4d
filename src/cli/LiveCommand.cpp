#include <chrono>
#include <ctime>
#include <nlohmann/json.hpp>
#include <ostream>
#include <thread>

#include "Commands.h"
#include "LiveTable.h"
#include "protocol/Messages.h"
#include "protocol/ReadCycle.h"

namespace corvalin::cli {

namespace {

constexpr auto WATCH_PERIOD = std::chrono::seconds(20);

bool Interrupted(const Console& console) {
    return console.interrupted != nullptr && console.interrupted->load();
}

// Sleeps for the poll period, waking early when interrupted.
void WaitForNextCycle(const Console& console) {
    const auto until = std::chrono::steady_clock::now() + WATCH_PERIOD;
    while (!Interrupted(console) && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

std::string ClockText() {
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    localtime_r(&now, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &parts);
    return text;
}

struct LiveOptions {
    bool watch = false;
};

int RunLive(const StationArguments& station, const OutputFlags& flags, const LiveOptions& options,
            Console& console) {
    std::unique_ptr<StationSession> session;
    const int opened = OpenStation(station, flags, console, session);
    if (opened != EXIT_DONE) return opened;

    DeviceLink& link = session->link();
    DeviceRecord& record = session->record();
    if (!flags.json) console.out << "Live readings from the " << StationDescription(*session) << "\n";

    while (true) {
        if (link.connected == 1) {
            RunReadCycle(link, record, session->copies());
        }
        if (flags.json) {
            nlohmann::json result = LiveTableJson(record.Readings(), link.unitFahrenheit);
            result["connected"] = link.connected == 1;
            console.out << result.dump(options.watch ? -1 : 2) << "\n" << std::flush;
        } else {
            if (options.watch) {
                console.out << "\n" << ClockText() << "  "
                            << (link.connected == 1 ? messages::CONNECTED : messages::UNCONNECTED)
                            << "\n";
            }
            console.out << LiveTableText(record.Readings(), link.unitFahrenheit) << std::flush;
        }
        if (!options.watch) break;
        WaitForNextCycle(console);
        if (Interrupted(console)) break;
        // Without device notifications, look again when the station went away.
        if (link.connected != 1 || link.ReaderLost()) {
            if (!link.OpenDevice()) record.ClearLive();
        }
    }
    return EXIT_DONE;
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
