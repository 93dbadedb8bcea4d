// SPDX-License-Identifier: GPL-3.0-or-later
#include <ctime>

#include "ArchiveCommand.h"
#include "JsonText.h"
#include "SummarySources.h"
#include "common/ZonedTime.h"
#include "logger/StationLogger.h"
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

// The station asked for, or the source's only one; the error is printed,
// nothing returned and `failed` set.
std::optional<std::string> ChooseStation(const CommandContext& context,
                                         const ArchiveOptions& options, SummarySource& source,
                                         int& failed) {
    if (!options.station.empty()) return options.station;
    const Result<std::vector<std::string>> stations = source.Stations();
    if (!stations) {
        failed = source.Failed(stations.error);
        return std::nullopt;
    }
    if (stations->size() == 1) return stations->front();
    if (stations->empty()) return std::string(DEFAULT_STATION_NAME);
    std::string names;
    for (const std::string& name : *stations) names += (names.empty() ? "" : ", ") + name;
    context.console.err << source.Holder() << " holds several stations (" << names
                        << "): name one with --station\n";
    failed = EXIT_USAGE;
    return std::nullopt;
}

// The days the options name (default: the archived ones); the error is
// printed, nothing returned and `failed` set.
std::optional<DayQuery> MakeDayQuery(const CommandContext& context, const ArchiveOptions& options,
                                     SummarySource& source, const std::string& station,
                                     int& failed) {
    std::optional<CivilTime> from, to;
    for (const auto& [text, date] :
         {std::pair{&options.from, &from}, std::pair{&options.to, &to}}) {
        if (text->empty()) continue;
        *date = ParseCivilDate(*text);
        if (!*date) {
            context.console.err << "\"" << *text << "\" is not a date: give YYYY-MM-DD\n";
            failed = EXIT_USAGE;
            return std::nullopt;
        }
    }
    if (!from || !to) {
        const auto archived = source.ArchivedTimes(station, options.channels);
        if (!archived) {
            failed = source.Failed(archived.error);
            return std::nullopt;
        }
        const CivilTime today = LocalDate(std::time(nullptr));
        if (!from) from = *archived ? LocalDate((*archived)->first) : today;
        if (!to) to = *archived ? LocalDate((*archived)->second) : *from;
    }
    return DayQuery{station, *from, *to, options.channels};
}

// The summaries' source and the station they are of; nothing, with the
// reason printed and `failed` set, where either cannot be had.
std::optional<std::string> OpenForStation(CommandContext& context, const ArchiveOptions& options,
                                          std::unique_ptr<SummarySource>& source, int& failed) {
    source = OpenSummarySource(context, options, failed);
    if (!source) return std::nullopt;
    return ChooseStation(context, options, *source, failed);
}

int RunDays(CommandContext& context, const ArchiveOptions& options) {
    const std::optional<SummaryFormat> format = ChooseFormat(context, options);
    if (!format) return EXIT_USAGE;
    int failed = EXIT_FAILED;
    std::unique_ptr<SummarySource> source;
    const std::optional<std::string> station = OpenForStation(context, options, source, failed);
    if (!station) return failed;
    const std::optional<DayQuery> query = MakeDayQuery(context, options, *source, *station, failed);
    if (!query) return failed;
    const Result<std::vector<DaySummary>> days = source->Days(*query);
    if (!days) return source->Failed(days.error);
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
    int failed = EXIT_FAILED;
    std::unique_ptr<SummarySource> source;
    const std::optional<std::string> station = OpenForStation(context, options, source, failed);
    if (!station) return failed;
    const Result<std::vector<ChannelRecords>> records = source->Records(*station, options.channels);
    if (!records) return source->Failed(records.error);
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
