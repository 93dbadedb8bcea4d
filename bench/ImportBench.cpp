// SPDX-License-Identifier: GPL-3.0-or-later
// Import of a one-million-line channel log: time to parse and store it,
// beside its peer, the sqlite3 tool's .import of the same file into the same
// columns with an index on time, measured in the same run; and the resident
// memory of the data table. Each figure is printed with its goal and the
// load average, so that a run on a busy machine can be read as such.
#include <fcntl.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "BenchFigures.h"
#include "history/ImportHistoryFile.h"

extern char** environ;

namespace {

using corvalin::bench::LoadAverage;
using corvalin::bench::Median;

namespace fs = std::filesystem;
using corvalin::ImportHistoryFile;
using corvalin::ImportResult;

constexpr int LINES = 1000000;
constexpr int IMPORT_RUNS = 5;
constexpr int SQLITE_RUNS = 3;
constexpr double TIME_LIMIT_SECONDS = 0.7;
constexpr double TOOL_RATIO_LIMIT = 0.40;  // of the sqlite3 tool's median
constexpr double MEMORY_LIMIT_PER_FILE_BYTE = 2.0;

double Seconds(std::chrono::steady_clock::duration duration) {
    return std::chrono::duration<double>(duration).count();
}

double CpuSeconds(const rusage& usage) {
    return usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
           usage.ru_stime.tv_usec / 1e6;
}

double OwnCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return CpuSeconds(usage);
}

struct Timing {
    double seconds = -1;
    double cpuSeconds = 0;
};

long ResidentBytes() {
    long pages = 0, resident = 0;
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    if (statm == nullptr) return 0;
    if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(statm);
    return resident * sysconf(_SC_PAGESIZE);
}

void Put(std::string& out, int value, int width) {
    char digits[8];
    for (int i = width - 1; i >= 0; --i, value /= 10)
        digits[i] = static_cast<char>('0' + value % 10);
    out.append(digits, width);
}

void PutTenths(std::string& out, int tenths) {
    if (tenths < 0) {
        out += '-';
        tenths = -tenths;
    }
    out += std::to_string(tenths / 10);
    out += '.';
    out += static_cast<char>('0' + tenths % 10);
}

// A channel log as the station writes it: one reading a minute, CR LF, now
// and then a value the sensor missed.
std::string ChannelLog() {
    std::string text = "Time,Temperature(C),Humidity(%),DewPoint(C),HeatIndex(C)\r\n";
    text.reserve(static_cast<size_t>(LINES) * 40);
    std::tm day{};
    day.tm_year = 2021 - 1900;
    day.tm_mon = 0;
    day.tm_mday = 1;
    for (int line = 0; line < LINES; ++line) {
        if (line > 0 && line % 1440 == 0) {
            ++day.tm_mday;
            timegm(&day);  // normalises the date
        }
        const int minute = line % 1440;
        Put(text, day.tm_year + 1900, 4);
        text += '-';
        Put(text, day.tm_mon + 1, 2);
        text += '-';
        Put(text, day.tm_mday, 2);
        text += ' ';
        Put(text, minute / 60, 2);
        text += ':';
        Put(text, minute % 60, 2);
        text += ":00,";
        const int temperature = 180 + (line * 7) % 120 - 60;
        const int humidity = 30 + (line * 13) % 60;
        if (line % 157 == 77) {
            text += "--";
        } else {
            PutTenths(text, temperature);
        }
        text += ',';
        text += line % 211 == 130 ? "--" : std::to_string(humidity);
        text += ',';
        PutTenths(text, temperature - (100 - humidity) * 2);
        text += ',';
        PutTenths(text, temperature + humidity / 10);
        text += "\r\n";
    }
    return text;
}

void RemoveDatabase(const std::string& path) {
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) fs::remove(path + suffix);
}

// The five columns with an index on the time text, in WAL: what the
// record database holds, without the TimeKey a CSV file cannot give.
constexpr const char* TOOL_SCHEMA =
    "PRAGMA journal_mode=WAL;"
    "CREATE TABLE Records (Time TEXT NOT NULL, Temperature REAL, Humidity INTEGER,"
    " Dewpoint REAL, Heatindex REAL);"
    "CREATE INDEX RecordsByTime ON Records(Time);"
    "CREATE TABLE Param (Name TEXT, Value TEXT);";

int64_t CountRows(const std::string& database) {
    sqlite3* db = nullptr;
    sqlite3_stmt* query = nullptr;
    int64_t count = -1;
    if (sqlite3_open_v2(database.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
        sqlite3_prepare_v2(db, "SELECT count(*) FROM Records", -1, &query, nullptr) == SQLITE_OK &&
        sqlite3_step(query) == SQLITE_ROW) {
        count = sqlite3_column_int64(query, 0);
    }
    sqlite3_finalize(query);
    sqlite3_close(db);
    return count;
}

// The sqlite3 tool loading the file into a fresh database.
Timing SqliteToolImport(const std::string& database, const std::string& log) {
    RemoveDatabase(database);
    sqlite3* db = nullptr;
    const bool created = sqlite3_open(database.c_str(), &db) == SQLITE_OK &&
                         sqlite3_exec(db, TOOL_SCHEMA, nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    if (!created) return {};

    const std::string command = ".import --csv --skip 1 " + log + " Records";
    std::vector<char*> argv = {const_cast<char*>("sqlite3"), const_cast<char*>(database.c_str()),
                               const_cast<char*>(command.c_str()), nullptr};
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&quiet, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t child = 0;
    const int spawned = posix_spawnp(&child, "sqlite3", &quiet, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&quiet);
    if (spawned != 0) return {};
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    const double seconds = Seconds(std::chrono::steady_clock::now() - start);
    const bool loaded =
        WIFEXITED(status) && WEXITSTATUS(status) == 0 && CountRows(database) == LINES;
    if (!loaded) return {};
    return {seconds, CpuSeconds(usage)};
}

Timing OurImport(const std::string& database, const std::string& log, bool fresh,
                 ImportResult& result) {
    if (fresh) RemoveDatabase(database);
    const double cpuBefore = OwnCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    result = ImportHistoryFile(log, "CH1.CSV", database);
    const double seconds = Seconds(std::chrono::steady_clock::now() - start);
    if (!result.stored || result.rowsStored != static_cast<uint64_t>(LINES)) {
        std::fprintf(stderr, "import failed: %s\n",
                     result.errors.empty() ? "wrong row count" : result.errors.front().c_str());
        return {};
    }
    return {seconds, OwnCpuSeconds() - cpuBefore};
}

}  // namespace

int main() {
    std::string pattern = (fs::temp_directory_path() / "corvalin-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) return 1;
    const std::string folder = pattern;
    const std::string log = folder + "/CH1.CSV";
    const std::string ours = folder + "/7500.db";
    const std::string toolDatabase = folder + "/sqlite3-tool.db";

    const std::string text = ChannelLog();
    std::ofstream(log, std::ios::binary) << text;
    const double megabytes = static_cast<double>(text.size()) / 1e6;
    std::printf("Channel log: %d lines, %.1f MB; %u cores, load average %s\n", LINES, megabytes,
                std::thread::hardware_concurrency(), LoadAverage().c_str());

    // Memory first, before any import has grown the heap.
    long tableBytes = 0;
    size_t heldBytes = 0;
    {
        const long before = ResidentBytes();
        ImportResult result;
        if (OurImport(ours, log, true, result).seconds < 0) return 1;
        tableBytes = ResidentBytes() - before;
        heldBytes = result.table.MemoryBytes();
    }

    std::vector<double> fresh, replacing, tool, freshCpu, replacingCpu, toolCpu;
    for (int run = 0; run < IMPORT_RUNS; ++run) {
        ImportResult result;
        const Timing intoFresh = OurImport(ours, log, true, result);
        const Timing replacingPrevious = OurImport(ours, log, false, result);
        if (intoFresh.seconds < 0 || replacingPrevious.seconds < 0) return 1;
        fresh.push_back(intoFresh.seconds);
        freshCpu.push_back(intoFresh.cpuSeconds);
        replacing.push_back(replacingPrevious.seconds);
        replacingCpu.push_back(replacingPrevious.cpuSeconds);
        if (run < SQLITE_RUNS) {
            const Timing loaded = SqliteToolImport(toolDatabase, log);
            if (loaded.seconds < 0) {
                std::fprintf(stderr, "sqlite3 .import failed\n");
                return 1;
            }
            tool.push_back(loaded.seconds);
            toolCpu.push_back(loaded.cpuSeconds);
        }
    }
    fs::remove_all(folder);

    const double toolMedian = Median(tool);
    std::printf(
        "Peer: sqlite3 .import --csv, same columns: median %.3f s (CPU %.3f s) of %d runs\n",
        toolMedian, Median(toolCpu), SQLITE_RUNS);
    const auto report = [&](const char* what, const std::vector<double>& seconds,
                            const std::vector<double>& cpu) {
        const double median = Median(seconds);
        const double ratio = median / toolMedian;
        std::printf(
            "%s median %.3f s (CPU %.3f s) of %d runs; goal <= %.2f s: %s; %.2f x the peer, "
            "goal <= %.2f x: %s\n",
            what, median, Median(cpu), IMPORT_RUNS, TIME_LIMIT_SECONDS,
            median <= TIME_LIMIT_SECONDS ? "met" : "NOT met", ratio, TOOL_RATIO_LIMIT,
            ratio <= TOOL_RATIO_LIMIT ? "met" : "NOT met");
    };
    report("Import into an empty database:    ", fresh, freshCpu);
    report("Import replacing the previous one:", replacing, replacingCpu);
    const double tableMb = tableBytes / 1e6;
    std::printf(
        "Data table: %.1f MB resident (%.1f MB held) for a %.1f MB file: %.2f x the file; "
        "goal <= %.1f x: %s\n",
        tableMb, heldBytes / 1e6, megabytes, tableMb / megabytes, MEMORY_LIMIT_PER_FILE_BYTE,
        tableMb <= MEMORY_LIMIT_PER_FILE_BYTE * megabytes ? "met" : "NOT met");
    std::printf("Load average after the runs: %s (over 2 on 2 cores: other work shared them)\n",
                LoadAverage().c_str());
    return 0;
}
