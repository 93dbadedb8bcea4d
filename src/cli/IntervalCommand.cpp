// SPDX-License-Identifier: GPL-3.0-or-later
#include <nlohmann/json.hpp>
#include <ostream>

#include "Commands.h"
#include "ConfigCommandSupport.h"
#include "JsonText.h"
#include "KeyValueArgs.h"
#include "common/Messages.h"

namespace corvalin::cli {

namespace {

struct IntervalOptions {
    std::string minutes;  // empty: show the interval
};

int ShowInterval(const CommandContext& context) {
    std::unique_ptr<StationSession> session;
    const int opened = OpenAndReadStation(context, session);
    if (opened != EXIT_DONE) return opened;
    const std::optional<int32_t> minutes = session->IntervalMinutes();
    if (!minutes) {
        context.console.err << NoAnswerMessage(session->LastRead()) << "\n";
        return EXIT_FAILED;
    }
    if (context.flags.json) {
        context.console.out << JsonText(nlohmann::json{{"intervalMinutes", *minutes}}) << "\n";
    } else {
        context.console.out << "Interval: " << *minutes << " Minute\n";
    }
    return EXIT_DONE;
}

int SetInterval(const CommandContext& context, const std::string& minutes) {
    // The text is read as the Setup dialog reads it, and its range checked
    // before anything else: "abc" reads as 0 and gets the range message.
    if (!IntervalFromText(minutes)) {
        context.console.err << IntervalMessage(IntervalResult::OutOfRange) << "\n";
        return EXIT_FAILED;
    }
    std::unique_ptr<StationSession> session;
    const int opened = OpenAndReadStation(context, session);
    if (opened != EXIT_DONE) return opened;
    // The station does not answer the write: that it answered the read is
    // all that says it is there to take it.
    if (!session->LastRead().settings) {
        context.console.err << messages::NO_ANSWER_NOTHING_WRITTEN << "\n";
        return EXIT_FAILED;
    }
    const IntervalResult result = session->SetInterval(minutes);
    switch (result) {
        case IntervalResult::Set:
            if (context.flags.json) {
                context.console.out
                    << JsonText(nlohmann::json{{"written", true},
                                               {"intervalMinutes", *IntervalFromText(minutes)},
                                               {"message", IntervalMessage(result)}},
                                2)
                    << "\n";
            } else {
                context.console.out << IntervalMessage(result) << "\n";
            }
            return EXIT_DONE;
        case IntervalResult::OutOfRange:
            context.console.err << IntervalMessage(result) << "\n";
            return EXIT_FAILED;
        case IntervalResult::Unconnected:
            break;
    }
    context.console.err << IntervalMessage(result) << "\n";
    return EXIT_UNCONNECTED;
}

}  // namespace

void AddIntervalCommand(CLI::App& app, CommandContext& context) {
    auto options = std::make_shared<IntervalOptions>();
    CLI::App* command =
        app.add_subcommand("interval", "Show the logging interval, or set it (5 to 240 minutes)");
    command->add_option("MINUTES", options->minutes, "The new interval in minutes");
    command->callback([&context, options] {
        context.run = [&context, options] {
            if (options->minutes.empty()) return ShowInterval(context);
            return SetInterval(context, options->minutes);
        };
    });
}

}  // namespace corvalin::cli
