// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <ctime>

#include "ArchiveCommand.h"
#include "JsonText.h"
#include "common/Readings.h"
#include "common/ZonedTime.h"
#include "logger/StationLogger.h"
#include "summary/DaySummaries.h"
#include "summary/Records.h"
#include "summary/SummaryJson.h"

namespace corvalin::cli {

namespace {

enum class SummaryFormat { Csv, Json };

// csv or json (--json wins); the error is printed.
std::optional<SummaryFormat> ChooseFormat(const CommandContext& context,
                                          const ArchiveOptions& options) {
    if (context.flags.json || options.format == "json") return SummaryFormat::Json;
    if (options.format == "csv") return SummaryFormat::Csv;
    context.console.err << "The summaries are written as csv or json, not " << options.format
                        << "\n";
    return std::nullopt;
}

// The station asked for, or the archive's only one; the error is printed.
std::optional<std::string> ChooseStation(const CommandContext& context,
                                         const ArchiveOptions& options, ArchiveDatabase& archive) {
    if (!options.station.empty()) return options.station;
    const std::vector<std::string> stations = archive.Stations();
    if (stations.size() == 1) return stations.front();
    if (stations.empty()) return std::string(DEFAULT_STATION_NAME);
    std::string names;
    for (const std::string& name : stations) names += (names.empty() ? "" : ", ") + name;
    context.console.err << "The archive holds several stations (" << names
                        << "): name one with --station\n";
    return std::nullopt;
}

// The local dates of the channels' first and last rows.
std::optional<std::pair<CivilTime, CivilTime>> ArchivedDates(ArchiveDatabase& archive,
                                                             const std::string& station,
                                                             const std::vector<int>& channels) {
    std::optional<int64_t> first;
    std::optional<int64_t> last;
    for (int channel = 1; channel <= CHANNEL_COUNT; ++channel) {
        if (!channels.empty() &&
            std::find(channels.begin(), channels.end(), channel) == channels.end()) {
            continue;
        }
        if (const auto oldest = archive.OldestTime(station, channel)) {
            first = std::min(first.value_or(*oldest), *oldest);
        }
        if (const auto newest = archive.NewestTime(station, channel)) {
            last = std::max(last.value_or(*newest), *newest);
        }
    }
    if (!first) return std::nullopt;
    return std::pair{LocalDate(*first), LocalDate(*last)};
}

// The days the options name; the error is printed.
std::optional<DayQuery> MakeDayQuery(const CommandContext& context, const ArchiveOptions& options,
                                     ArchiveDatabase& archive, const std::string& station) {
    DayQuery query{station, {}, {}, options.channels};
    const auto archived = ArchivedDates(archive, station, options.channels);
    query.from = archived ? archived->first : LocalDate(std::time(nullptr));
    query.to = archived ? archived->second : query.from;
    for (const auto& [text, date] :
         {std::pair{&options.from, &query.from}, std::pair{&options.to, &query.to}}) {
        if (text->empty()) continue;
        const std::optional<CivilTime> parsed = ParseCivilDate(*text);
        if (!parsed) {
            context.console.err << "\"" << *text << "\" is not a date: give YYYY-MM-DD\n";
            return std::nullopt;
        }
        *date = *parsed;
    }
    return query;
}

int RunDays(CommandContext& context, const ArchiveOptions& options) {
    const std::optional<SummaryFormat> format = ChooseFormat(context, options);
    if (!format) return EXIT_USAGE;
    std::unique_ptr<ArchiveDatabase> archive = OpenExistingArchive(context);
    if (!archive) return EXIT_FAILED;
    const std::optional<std::string> station = ChooseStation(context, options, *archive);
    if (!station) return EXIT_USAGE;
    const std::optional<DayQuery> query = MakeDayQuery(context, options, *archive, *station);
    if (!query) return EXIT_USAGE;
    const Result<std::vector<DaySummary>> days = SummarizeDays(*archive, *query);
    if (!days) {
        context.console.err << days.error << "\n";
        return EXIT_FAILED;
    }
    if (*format == SummaryFormat::Json) {
        context.console.out << JsonText(DaysJson(*station, *days)) << "\n";
    } else {
        WriteDaysCsv(context.console.out, *station, *days);
    }
    return EXIT_DONE;
}

int RunRecords(CommandContext& context, const ArchiveOptions& options) {
    const std::optional<SummaryFormat> format = ChooseFormat(context, options);
    if (!format) return EXIT_USAGE;
    std::unique_ptr<ArchiveDatabase> archive = OpenExistingArchive(context);
    if (!archive) return EXIT_FAILED;
    const std::optional<std::string> station = ChooseStation(context, options, *archive);
    if (!station) return EXIT_USAGE;
    const Result<std::vector<ChannelRecords>> records =
        ReadRecords(*archive, *station, options.channels);
    if (!records) {
        context.console.err << records.error << "\n";
        return EXIT_FAILED;
    }
    if (*format == SummaryFormat::Json) {
        context.console.out << JsonText(RecordsJson(*station, *records)) << "\n";
    } else {
        WriteRecordsCsv(context.console.out, *station, *records);
    }
    return EXIT_DONE;
}

}  // namespace

void AddArchiveSummaryCommands(CLI::App& archive, CommandContext& context,
                               std::shared_ptr<ArchiveOptions> options) {
    CLI::App* days = archive.add_subcommand(
        "days",
        "Each local calendar day's lowest and highest temperature and humidity with their "
        "times, and their means (--from and --to are dates, YYYY-MM-DD; default: every day "
        "archived)");
    days->fallthrough();
    days->callback([&context, options] {
        context.run = [&context, options] { return RunDays(context, *options); };
    });
    CLI::App* records = archive.add_subcommand(
        "records", "Each channel's highest and lowest of every quantity ever, with their times");
    records->fallthrough();
    records->callback([&context, options] {
        context.run = [&context, options] { return RunRecords(context, *options); };
    });
}

}  // namespace corvalin::cli
