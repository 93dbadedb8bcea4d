// SPDX-License-Identifier: GPL-3.0-or-later
#include "ConfigCommandSupport.h"

#include <ostream>

#include "common/Messages.h"

namespace corvalin::cli {

int OpenAndReadStation(const CommandContext& context, std::unique_ptr<StationSession>& session) {
    const int opened = OpenStation(context.station, context.flags, context.console, session);
    if (opened != EXIT_DONE) return opened;
    session->ReadStation();
    session->TakeCalibrationReadings();
    if (!session->StillConnected()) return Unconnected(context.console);
    return EXIT_DONE;
}

int Unconnected(Console& console) {
    console.err << messages::UNCONNECTED << "\n";
    return EXIT_UNCONNECTED;
}

const char* NoAnswerMessage(const ReadCycleAnswers& read) {
    return read.paired ? messages::NO_ANSWER : messages::UNPAIRED_ANSWERS;
}

std::string ExplainedForTheTerminal(const std::string& message) {
    // The window's own words stay; what they mean follows for the terminal.
    static const std::pair<const char*, const char*> meanings[] = {
        {messages::TEMP_ERROR, "a temperature limit lies outside -40.0 to 60.0 °C"},
        {messages::HUMI_ERROR, "a humidity limit lies outside 1 to 99 %, or is not a number"},
        {messages::SIZE_ERROR, "the SD card lists no file of that name"},
        {messages::OPEN_ERROR_1, "the local copy in the data folder cannot be opened"},
        {messages::OPEN_ERROR_2, "the log file cannot be read"},
        {messages::CREATE_ERROR, "the local copy cannot be made in the data folder"},
    };
    for (const auto& [text, meaning] : meanings) {
        if (message == text) return message + " (" + meaning + ")";
    }
    if (message.find(" Out of value.") != std::string::npos) {
        return message +
               " (with this offset the channel's corrected reading would leave its "
               "range: -40.0 to 60.0 °C, 0 to 99 %)";
    }
    return message;
}

int ReportSave(const SaveOutcome& outcome, Console& console) {
    if (!outcome.message.empty()) console.err << ExplainedForTheTerminal(outcome.message) << "\n";
    switch (outcome.result) {
        case SaveResult::Written:
            return EXIT_DONE;
        case SaveResult::CheckFailed:
        case SaveResult::NotOnMainScreen:
        case SaveResult::NoAnswer:
            return EXIT_FAILED;
        case SaveResult::NotConnected:
        case SaveResult::Lost:
            break;
    }
    return EXIT_UNCONNECTED;
}

int UsageError(const std::string& message, Console& console) {
    console.err << message << "\n";
    return EXIT_USAGE;
}

std::string PadLeft(const std::string& text, size_t width) {
    return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

std::string PadRight(const std::string& text, size_t width) {
    return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}

std::string TrimmedText(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    const size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

}  // namespace corvalin::cli
