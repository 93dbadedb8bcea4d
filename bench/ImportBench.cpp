// Import of a one-million-line channel log: time to parse and store it,
// beside the sqlite3 tool's .import of the same file into the same schema,
// and the resident memory of the data table.
#include <spawn.h>
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

#include "history/ImportHistoryFile.h"
#include "store/RecordSchema.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using corvalin::ImportHistoryFile;
using corvalin::ImportResult;

constexpr int LINES = 1000000;
constexpr int IMPORT_RUNS = 5;
constexpr int SQLITE_RUNS = 3;
constexpr double TIME_LIMIT_SECONDS = 1.0;

double Seconds(std::chrono::steady_clock::duration duration) {
    return std::chrono::duration<double>(duration).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

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
    for (int i = width - 1; i >= 0; --i, value /= 10) digits[i] = static_cast<char>('0' + value % 10);
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

// The sqlite3 tool loading the file into a fresh database of the same schema.
double SqliteToolImport(const std::string& database, const std::string& log) {
    RemoveDatabase(database);
    const corvalin::Status created = corvalin::EnsureRecordDatabase(database);
    if (!created) {
        std::fprintf(stderr, "%s\n", created.message.c_str());
        return -1;
    }
    const std::string command = ".import --csv --skip 1 " + log + " Records";
    std::vector<char*> argv = {const_cast<char*>("sqlite3"), const_cast<char*>(database.c_str()),
                               const_cast<char*>(command.c_str()), nullptr};
    const auto start = std::chrono::steady_clock::now();
    pid_t child = 0;
    if (posix_spawnp(&child, "sqlite3", nullptr, nullptr, argv.data(), environ) != 0) return -1;
    int status = 0;
    waitpid(child, &status, 0);
    const double seconds = Seconds(std::chrono::steady_clock::now() - start);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? seconds : -1;
}

double OurImport(const std::string& database, const std::string& log, bool fresh,
                 ImportResult& result) {
    if (fresh) RemoveDatabase(database);
    const auto start = std::chrono::steady_clock::now();
    result = ImportHistoryFile(log, "CH1.CSV", database);
    const double seconds = Seconds(std::chrono::steady_clock::now() - start);
    if (!result.stored || result.rowsStored != static_cast<uint64_t>(LINES)) {
        std::fprintf(stderr, "import failed: %s\n",
                     result.errors.empty() ? "wrong row count" : result.errors.front().c_str());
        return -1;
    }
    return seconds;
}

}  // namespace

int main() {
    std::string pattern = (fs::temp_directory_path() / "corvalin-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) return 1;
    const std::string folder = pattern;
    const std::string log = folder + "/CH1.CSV";
    const std::string ours = folder + "/7500.db";
    const std::string tool = folder + "/sqlite3-tool.db";

    const std::string text = ChannelLog();
    std::ofstream(log, std::ios::binary) << text;
    const double megabytes = static_cast<double>(text.size()) / 1e6;
    std::printf("Channel log: %d lines, %.1f MB; %u cores\n", LINES, megabytes,
                std::thread::hardware_concurrency());

    // Memory first, before any import has grown the heap.
    long tableBytes = 0;
    size_t heldBytes = 0;
    {
        const long before = ResidentBytes();
        ImportResult result;
        if (OurImport(ours, log, true, result) < 0) return 1;
        tableBytes = ResidentBytes() - before;
        heldBytes = result.table.MemoryBytes();
    }

    std::vector<double> fresh, replacing, sqliteTool;
    for (int run = 0; run < IMPORT_RUNS; ++run) {
        ImportResult result;
        const double intoFresh = OurImport(ours, log, true, result);
        const double replacingPrevious = OurImport(ours, log, false, result);
        if (intoFresh < 0 || replacingPrevious < 0) return 1;
        fresh.push_back(intoFresh);
        replacing.push_back(replacingPrevious);
        if (run < SQLITE_RUNS) {
            const double seconds = SqliteToolImport(tool, log);
            if (seconds < 0) {
                std::fprintf(stderr, "sqlite3 .import failed\n");
                return 1;
            }
            sqliteTool.push_back(seconds);
        }
    }
    fs::remove_all(folder);

    const double ourMedian = Median(fresh);
    const double replaceMedian = Median(replacing);
    const double toolMedian = Median(sqliteTool);
    const double slowest = std::max(ourMedian, replaceMedian);
    std::printf("Import into an empty database:     median %.3f s of %d runs\n", ourMedian, IMPORT_RUNS);
    std::printf("Import replacing the previous one: median %.3f s of %d runs\n", replaceMedian, IMPORT_RUNS);
    std::printf("sqlite3 .import --csv, same schema: median %.3f s of %d runs\n", toolMedian, SQLITE_RUNS);
    std::printf("  target <= %.1f s: %s; target <= half the sqlite3 tool (%.3f s): %s\n",
                TIME_LIMIT_SECONDS, slowest <= TIME_LIMIT_SECONDS ? "met" : "NOT met", toolMedian / 2,
                slowest <= toolMedian / 2 ? "met" : "NOT met");
    std::printf("Data table: %.1f MB resident (%.1f MB held) for a %.1f MB file: %.2f x the file; "
                "target <= 2 x: %s\n",
                tableBytes / 1e6, heldBytes / 1e6, megabytes, tableBytes / 1e6 / megabytes,
                tableBytes / 1e6 <= 2 * megabytes ? "met" : "NOT met");
    return 0;
}
