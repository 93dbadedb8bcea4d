// SPDX-License-Identifier: GPL-3.0-or-later
#include "ArchiveCommand.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <ostream>

#include "Commands.h"
#include "ConfigCommandSupport.h"
#include "JsonText.h"
#include "archive/ArchiveExport.h"
#include "common/DataFiles.h"
#include "common/PasswordFile.h"
#include "common/ZonedTime.h"
#include "logger/CardSync.h"
#include "logger/LoggingIntervals.h"
#include "logger/StationLogger.h"
#include "sharedarchive/SharedArchiveRows.h"

namespace corvalin::cli {

std::string ArchivePath(const CommandContext& context) {
    return LoggerFolder(context, ARCHIVE_DATABASE_FILE) + "/" + ARCHIVE_DATABASE_FILE;
}

std::unique_ptr<ArchiveDatabase> OpenExistingArchive(const CommandContext& context) {
    const std::string path = ArchivePath(context);
    if (access(path.c_str(), R_OK) != 0) {
        if (errno == ENOENT) {
            context.console.err << "There is no archive " << path
                                << " yet: corvalind makes it, or corvalin-cli archive sync\n";
        } else {
            context.console.err << "Cannot read the archive " << path << ": "
                                << std::strerror(errno) << "\n";
        }
        return nullptr;
    }
    Result<std::unique_ptr<ArchiveDatabase>> opened = ArchiveDatabase::Open(path);
    // Someone else's archive may be readable without being writable.
    if (!opened) opened = ArchiveDatabase::Open(path, true);
    if (!opened) {
        context.console.err << opened.error << "\n";
        return nullptr;
    }
    return std::move(*opened.value);
}

std::unique_ptr<PgConnection> ConnectArchiveServer(CommandContext& context,
                                                   const ArchiveOptions& options, int& failed) {
    Console& console = context.console;
    Result<ArchiveServer> server = ParseArchiveServer(options.server);
    if (!server) {
        console.err << server.error << "\n";
        failed = EXIT_USAGE;
        return nullptr;
    }
    if (!options.serverPasswordFile.empty()) {
        const Result<std::string> password =
            ReadPasswordFile(options.serverPasswordFile, "the archive server's password file");
        if (!password) {
            console.err << password.error << "\n";
            failed = EXIT_FAILED;
            return nullptr;
        }
        server.value->password = *password;
    }
    PgConnection::Limits limits;
    limits.interrupted = [&console] { return console.Interruption() != 0; };
    Result<std::unique_ptr<PgConnection>> connection = PgConnection::Connect(*server, limits);
    if (!connection) {
        failed = SharedArchiveFailed(context, options, connection.error);
        return nullptr;
    }
    return std::move(*connection.value);
}

int SharedArchiveFailed(CommandContext& context, const ArchiveOptions& options,
                        const std::string& error) {
    Console& console = context.console;
    if (console.Interruption() != 0) return ExitForSignal(console.Interruption());
    console.err << "Cannot read the shared archive on "
                << ParseArchiveServer(options.server)->Name() << ": " << error << "\n";
    return EXIT_FAILED;
}

namespace {

// The rows the options ask for; the error is printed.
std::optional<ArchiveQuery> MakeQuery(const CommandContext& context,
                                      const ArchiveOptions& options) {
    ArchiveQuery query;
    if (!options.station.empty()) query.station = options.station;
    query.channels = options.channels;
    for (const auto& [text, field] :
         {std::pair{&options.from, &query.from}, std::pair{&options.to, &query.to}}) {
        if (text->empty()) continue;
        const Result<int64_t> time = ParseTimeArgument(*text);
        if (!time) {
            context.console.err << time.error << "\n";
            return std::nullopt;
        }
        *field = *time;
    }
    return query;
}

// The export from the shared archive on the server, across its stations.
int RunServerExport(CommandContext& context, const ArchiveOptions& options,
                    const ArchiveQuery& query, ExportFormat format) {
    int failed = EXIT_FAILED;
    const std::unique_ptr<PgConnection> server = ConnectArchiveServer(context, options, failed);
    if (!server) return failed;
    const auto read = [&](const ArchiveQuery& q, const auto& visit) {
        return ReadRows(*server, q, visit);
    };
    const Status written = WriteArchive(read, query, format, context.console.out);
    if (!written || context.console.Interruption() != 0) {
        return SharedArchiveFailed(context, options, written.message);
    }
    return EXIT_DONE;
}

int RunExport(CommandContext& context, const ArchiveOptions& options) {
    const std::optional<ArchiveQuery> query = MakeQuery(context, options);
    if (!query) return EXIT_USAGE;
    const ExportFormat format =
        context.flags.json ? ExportFormat::Json : *ParseExportFormat(options.format);
    if (!options.server.empty()) return RunServerExport(context, options, *query, format);
    std::unique_ptr<ArchiveDatabase> archive = OpenExistingArchive(context);
    if (!archive) return EXIT_FAILED;
    const Status written = WriteArchive(*archive, *query, format, context.console.out);
    if (!written) {
        context.console.err << written.message << "\n";
        return EXIT_FAILED;
    }
    return EXIT_DONE;
}

int RunGaps(CommandContext& context, const ArchiveOptions& options) {
    const std::optional<ArchiveQuery> query = MakeQuery(context, options);
    if (!query) return EXIT_USAGE;
    std::unique_ptr<ArchiveDatabase> archive = OpenExistingArchive(context);
    if (!archive) return EXIT_FAILED;
    // Live rows come at the logger's interval, card rows at the station's.
    const int64_t interval =
        options.interval > 0 ? options.interval : LongestLoggingInterval(*archive);
    const int64_t now = static_cast<int64_t>(std::time(nullptr));
    const Result<std::vector<ArchiveGap>> gaps =
        FindGaps(*archive, *query, 2 * interval, query->to ? std::min(*query->to, now) : now);
    if (!gaps) {
        context.console.err << gaps.error << "\n";
        return EXIT_FAILED;
    }
    if (context.flags.json) {
        nlohmann::json list = nlohmann::json::array();
        for (const ArchiveGap& gap : *gaps) {
            list.push_back({{"station", gap.station},
                            {"channel", gap.channel},
                            {"from", IsoTime(gap.lastBefore)},
                            {"to", IsoTime(gap.firstAfter)},
                            {"seconds", gap.firstAfter - gap.lastBefore},
                            {"open", gap.open}});
        }
        context.console.out << JsonText(list, 2) << "\n";
        return EXIT_DONE;
    }
    for (const ArchiveGap& gap : *gaps) {
        const int64_t seconds = gap.firstAfter - gap.lastBefore;
        if (gap.open) {
            context.console.out << gap.station << " CH" << gap.channel << ": no rows since "
                                << IsoTime(gap.lastBefore) << " (" << seconds << " s up to "
                                << IsoTime(gap.firstAfter) << ")\n";
        } else {
            context.console.out << gap.station << " CH" << gap.channel << ": no rows from "
                                << IsoTime(gap.lastBefore) << " to " << IsoTime(gap.firstAfter)
                                << " (" << seconds << " s)\n";
        }
    }
    if (gaps->empty()) {
        context.console.out << "No gaps longer than " << 2 * interval << " s.\n";
    }
    return EXIT_DONE;
}

int RunSync(CommandContext& context, const ArchiveOptions& options) {
    Console& console = context.console;
    std::unique_ptr<StationSession> session;
    const int opened = OpenStation(context.station, context.flags, console, session);
    if (opened != EXIT_DONE) return opened;
    const std::string dataDir = DataDirectory(context);
    std::error_code error;
    std::filesystem::create_directories(dataDir, error);
    // A sync writes: into the user's own archive, never the system service's.
    Result<std::unique_ptr<ArchiveDatabase>> archive =
        ArchiveDatabase::Open(dataDir + "/" + ARCHIVE_DATABASE_FILE);
    if (!archive) {
        console.err << archive.error << "\n";
        return EXIT_FAILED;
    }
    CardSyncOptions sync;
    sync.station = options.station.empty() ? DEFAULT_STATION_NAME : options.station;
    sync.dataDir = dataDir;
    sync.timeMode = options.cardTime == "station" ? CardTimeMode::Station : CardTimeMode::Computer;
    sync.stop = [&console] { return console.Interruption() != 0; };
    sync.note = [&console](const std::string& line) { console.err << line << "\n"; };
    const CardSyncResult result = SyncArchiveFromCard(*session, **archive.value, sync);
    if (result.stopped) return ExitForSignal(console.Interruption());
    if (!result.status) {
        console.err << ExplainedForTheTerminal(result.status.message) << "\n";
        return session->StillConnected() ? EXIT_FAILED : EXIT_UNCONNECTED;
    }
    if (context.flags.json) {
        console.out << JsonText(nlohmann::json{{"files", result.files},
                                               {"bytesFetched", result.bytesFetched},
                                               {"rowsAdded", result.rowsAdded},
                                               {"skipped", result.skipped}},
                                2)
                    << "\n";
    } else {
        console.out << "Synced " << result.files << " channel logs: " << result.bytesFetched
                    << " bytes fetched, " << result.rowsAdded << " rows added\n";
        for (const std::string& file : result.skipped) console.out << "Skipped " << file << "\n";
    }
    return EXIT_DONE;
}

void AddFilters(CLI::App& command, ArchiveOptions& options) {
    command.add_option("--from", options.from,
                       "From this time on (YYYY-MM-DD[ hh:mm[:ss]], local, "
                       "or ISO 8601 with Z or an offset)");
    command.add_option("--to", options.to, "Up to this time, inclusive");
    command.add_option("--channel", options.channels, "Only this channel (1-8); may be repeated")
        ->check(CLI::Range(1, CHANNEL_COUNT));
    command.add_option("--station", options.station, "Only this station's rows");
}

}  // namespace

void AddArchiveCommand(CLI::App& app, CommandContext& context) {
    auto options = std::make_shared<ArchiveOptions>();
    CLI::App* command = app.add_subcommand(
        "archive", "Write out the archive corvalind keeps (archive.db in the data folder)");
    command->require_subcommand(0, 1);
    AddFilters(*command, *options);
    command
        ->add_option("--format", options->format,
                     "csv, json, influx or openmetrics (days and records: csv or json)")
        ->check(CLI::IsMember({"csv", "json", "influx", "openmetrics"}))
        ->capture_default_str();
    command->add_option("--server", options->server,
                        "Read the shared archive on this PostgreSQL server: the export across "
                        "its stations, days and records of one (--station): "
                        "postgresql://USER@HOST[:PORT]/DATABASE");
    command
        ->add_option("--server-password-file", options->serverPasswordFile,
                     "A file whose first line is the password at the server (else "
                     "PGPASSFILE or ~/.pgpass)")
        ->check(CLI::ExistingFile);
    command->callback([&context, options, command] {
        if (!command->get_subcommands().empty()) {
            const std::string name = command->get_subcommands().front()->get_name();
            if (options->server.empty() || name == "days" || name == "records") return;
            // gaps and sync are the local archive's: say so rather than mix them up.
            context.run = [&context, name] {
                context.console.err << "--server reads the shared archive's rows; archive " << name
                                    << " works on the local archive\n";
                return static_cast<int>(EXIT_USAGE);
            };
            return;
        }
        context.run = [&context, options] { return RunExport(context, *options); };
    });

    CLI::App* gaps = command->add_subcommand(
        "gaps", "List the spans longer than two logging intervals in which a channel has no row");
    gaps->fallthrough();
    gaps->add_option("--interval", options->interval,
                     "The logging interval in seconds (default: the longer of the logger's and the "
                     "station's)")
        ->check(CLI::PositiveNumber);
    gaps->callback([&context, options] {
        context.run = [&context, options] { return RunGaps(context, *options); };
    });

    CLI::App* sync = command->add_subcommand(
        "sync", "Add the card logs' new lines to the archive (fetching only new bytes)");
    sync->fallthrough();
    sync->add_option("--card-time", options->cardTime,
                     "Read the logs' times in the computer's zone, or at the station's own "
                     "zone and daylight-saving settings")
        ->check(CLI::IsMember({"computer", "station"}))
        ->capture_default_str();
    sync->callback([&context, options] {
        context.run = [&context, options] { return RunSync(context, *options); };
    });
    AddArchiveSummaryCommands(*command, context, options);
}

}  // namespace corvalin::cli
