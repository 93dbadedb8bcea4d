// SPDX-License-Identifier: GPL-3.0-or-later
// The logger's archive at scale and the logger's own cost:
//  - an archive of 10 years x 8 channels at 5-minute steps (8.4 M rows):
//    one day of one channel read, one year of all channels written as line
//    protocol;
//  - a card sync of a 1 M-line log beside the import of the same file;
//  - CPU time per simulated hour of logging at the default interval (a fast
//    clock), and the resident memory of corvalind running.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <sstream>
#include <streambuf>
#include <string>
#include <thread>
#include <vector>

#include "BenchFigures.h"
#include "archive/ArchiveDatabase.h"
#include "archive/ArchiveExport.h"
#include "archive/CardLogRows.h"
#include "history/ImportHistoryFile.h"
#include "logger/StationLogger.h"
#include "sim/SimLogs.h"

extern char** environ;

namespace {

using corvalin::bench::LoadAverage;
using corvalin::bench::Median;

namespace fs = std::filesystem;
using namespace corvalin;
using Steady = std::chrono::steady_clock;

constexpr int64_t STEP = 300;
constexpr int64_t DAY = 86400;
constexpr int64_t YEAR = 365 * DAY;
constexpr int YEARS = 10;
// Ten years that end today, so that a logger started on the archive adds its
// readings after the last ones.
const int64_t YEAR_START = (std::time(nullptr) - YEARS * YEAR) / DAY * DAY;
constexpr int CARD_LINES = 1000000;

double Seconds(Steady::duration d) { return std::chrono::duration<double>(d).count(); }

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
           usage.ru_stime.tv_usec / 1e6;
}

class NullBuffer : public std::streambuf {
protected:
    int overflow(int c) override { return c; }
    std::streamsize xsputn(const char*, std::streamsize n) override {
        written += n;
        return n;
    }

public:
    std::streamsize written = 0;
};

void Verdict(const char* what, double figure, const char* unit, double goal) {
    std::printf("%-44s %10.3f %-3s goal <= %g %s  %s\n", what, figure, unit, goal, unit,
                figure <= goal ? "met" : "MISSED");
}

// A logger clock that never waits.
class FastClock : public LoggerClock {
public:
    TimePoint Now() override { return now; }
    void WaitUntil(TimePoint until, ManualResetEvent&) override { now = std::max(now, until); }
    TimePoint now = std::chrono::system_clock::from_time_t(YEAR_START);
};

bool BuildArchive(ArchiveDatabase& archive) {
    std::vector<ArchiveRow> rows;
    rows.reserve(200000);
    const int64_t end = YEAR_START + YEARS * YEAR;
    for (int64_t time = YEAR_START; time < end; time += STEP) {
        for (int channel = 1; channel <= 8; ++channel) {
            const double t = 15.0 + ((time / STEP + channel) % 200) / 10.0;
            rows.push_back({channel, time, t, 50.0, t - 8.0, t, RowSource::Live});
        }
        if (rows.size() >= 200000) {
            if (!archive.Add("bench", rows)) return false;
            rows.clear();
        }
    }
    return bool(archive.Add("bench", rows));
}

size_t OpenFiles() {
    size_t count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd")) ++count;
    return count;
}

// User and system CPU seconds a process has used.
double ProcessCpuSeconds(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t close = text.rfind(')');
    if (close == std::string::npos) return -1;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    double ticks = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14 || i == 15) ticks += std::stod(field);  // utime, stime
    }
    return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

pid_t Spawn(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&quiet, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &quiet, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&quiet);
    return pid;
}

void StopProcess(pid_t pid) {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
}

// corvalind publishing to MQTT from the archive in `dataDir`: the share of
// one core it uses over two minutes once its start is over.
double IdleCpuPercent(const std::string& daemon, const std::string& dataDir,
                      const std::string& card, int port) {
    const pid_t pid = Spawn({daemon, "--simulate", "--sim-card", card, "--data-dir", dataDir,
                             "--config", "/dev/null", "--station", "bench", "--mqtt",
                             "mqtt://127.0.0.1:" + std::to_string(port)});
    if (pid <= 0) return -1;
    std::this_thread::sleep_for(std::chrono::seconds(20));
    const double before = ProcessCpuSeconds(pid);
    const auto began = Steady::now();
    std::this_thread::sleep_for(std::chrono::seconds(120));
    const double used = ProcessCpuSeconds(pid) - before;
    const double wall = Seconds(Steady::now() - began);
    StopProcess(pid);
    return used / wall * 100;
}

long ResidentKilobytes(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    }
    return -1;
}

}  // namespace

int main() {
    std::string pattern = (fs::temp_directory_path() / "corvalin-archive-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) return 1;
    const std::string folder = pattern;
    std::printf("Archive bench: %u cores, load average %s\n", std::thread::hardware_concurrency(),
                LoadAverage().c_str());

    // --- The archive at scale.
    auto opened = ArchiveDatabase::Open(folder + "/archive.db");
    if (!opened) return 1;
    ArchiveDatabase& archive = **opened.value;
    auto began = Steady::now();
    if (!BuildArchive(archive)) return 1;
    std::printf("Built %d years x 8 channels at %lld s steps in %.1f s, %.0f MB\n", YEARS,
                static_cast<long long>(STEP), Seconds(Steady::now() - began),
                static_cast<double>(fs::file_size(folder + "/archive.db")) / 1e6);

    std::vector<double> dayReads;
    size_t dayRows = 0;
    for (int i = 0; i < 21; ++i) {
        const int64_t from = YEAR_START + ((i * 131) % 3600) * DAY;
        ArchiveQuery query{.station = "bench", .from = from, .to = from + DAY - 1, .channels = {3}};
        began = Steady::now();
        dayRows = 0;
        archive.Read(query, [&](const ArchivedRow&) { return ++dayRows, true; });
        dayReads.push_back(Seconds(Steady::now() - began) * 1000);
    }
    std::printf("One day of one channel: %zu rows\n", dayRows);
    Verdict("  read, median of 21 days", Median(dayReads), "ms", 10);

    NullBuffer sink;
    std::ostream out(&sink);
    std::vector<double> exports;
    for (int i = 0; i < 3; ++i) {
        sink.written = 0;
        began = Steady::now();
        WriteArchive(archive, {.from = YEAR_START + 5 * YEAR, .to = YEAR_START + 6 * YEAR - 1},
                     ExportFormat::Influx, out);
        exports.push_back(Seconds(Steady::now() - began));
    }
    std::printf("One year of all channels as line protocol: %.0f MB\n",
                static_cast<double>(sink.written) / 1e6);
    Verdict("  written, median of 3", Median(exports), "s", 3);
    opened.value->reset();

    // --- A card sync of a 1 M-line log beside its import.
    const std::string log = folder + "/CH1.CSV";
    {
        std::ofstream file(log, std::ios::binary);
        file << "Time,Temperature(C),Humidity(%),DewPoint(C),HeatIndex(C)\r\n";
        for (int line = 0; line < CARD_LINES; ++line) {
            file << FormatLogTime(YEAR_START + line * 60L) << ',' << FormatTenths(150 + line % 100)
                 << ',' << 40 + line % 30 << ",7.5," << FormatTenths(150 + line % 100) << "\r\n";
        }
    }
    std::vector<double> syncs, imports;
    for (int run = 0; run < 3; ++run) {
        fs::remove(folder + "/sync.db");
        fs::remove(folder + "/sync.db-wal");
        auto target = ArchiveDatabase::Open(folder + "/sync.db");
        if (!target) return 1;
        began = Steady::now();
        const CardLogOutcome synced = AddCardLog(**target.value, {"bench", 1, "CH1.CSV", log},
                                                 WallTimeZone::Local(), DateOrder::MonthFirst);
        syncs.push_back(Seconds(Steady::now() - began));
        if (synced.rowsAdded != CARD_LINES) {
            std::fprintf(stderr, "sync added %lld rows\n",
                         static_cast<long long>(synced.rowsAdded));
            return 1;
        }
        fs::remove(folder + "/7500.db");
        began = Steady::now();
        const ImportResult imported = ImportHistoryFile(log, "CH1.CSV", folder + "/7500.db");
        imports.push_back(Seconds(Steady::now() - began));
        if (!imported.stored) return 1;
    }
    std::printf("Card sync of a %d-line log: %.2f s; its import (the peer): %.2f s\n", CARD_LINES,
                Median(syncs), Median(imports));
    Verdict("  sync / import, medians of 3", Median(syncs) / Median(imports), "x", 2);

    // --- The logger's cost: an hour at the default interval, simulated fast.
    {
        ConnectionOptions connection;
        connection.simulate = true;
        connection.sim.cardDir = folder + "/card";
        connection.sim.paceMs = 0;
        auto session = StationSession::Create(connection);
        if (!session) return 1;
        FastClock clock;
        StationLogger logger(**session.value, clock, {});
        LoggerSettings settings;
        settings.dataDir = folder + "/logger";
        logger.Configure(settings);
        logger.Turn();  // the start: the card's logs are synced once
        const int hours = 3;
        const double cpuBefore = CpuSeconds();
        long residentAfterAnHour = 0;
        size_t filesAfterAnHour = 0;
        for (int turn = 0; turn < hours * 60; ++turn) {
            clock.now += DEFAULT_LOG_INTERVAL;
            logger.Turn();
            if (turn == 59) {
                residentAfterAnHour = ResidentKilobytes(getpid());
                filesAfterAnHour = OpenFiles();
            }
        }
        const double perHour = (CpuSeconds() - cpuBefore) / hours;
        std::printf("Logging at %lld s: %.3f s of CPU per simulated hour (%llu reads)\n",
                    static_cast<long long>(DEFAULT_LOG_INTERVAL.count()), perHour,
                    static_cast<unsigned long long>(logger.Stats().reads));
        // A soak: what the later hours add to memory and open files.
        std::printf("  hours 2-3 added %ld kB resident and %ld open files\n",
                    ResidentKilobytes(getpid()) - residentAfterAnHour,
                    static_cast<long>(OpenFiles()) - static_cast<long>(filesAfterAnHour));
    }

    // --- corvalind's resident memory, running, while its MQTT broker comes and goes.
    {
        const std::string daemon =
            (fs::path(program_invocation_name).parent_path() / "corvalind").string();
        const int port = 20000 + getpid() % 20000;
        std::ofstream(folder + "/mosquitto.conf")
            << "listener " << port << " 127.0.0.1\nallow_anonymous true\nlog_dest none\n";
        const auto spawn = Spawn;
        const auto stop = StopProcess;
        const std::string broker = "/usr/sbin/mosquitto";
        pid_t brokerPid = spawn({broker, "-c", folder + "/mosquitto.conf"});
        const pid_t pid =
            spawn({daemon, "--simulate", "--sim-pace", "0", "--sim-card", folder + "/card",
                   "--data-dir", folder + "/daemon", "--config", "/dev/null", "--interval", "20",
                   "--mqtt", "mqtt://127.0.0.1:" + std::to_string(port)});
        if (pid > 0) {
            // 40 s: start and card sync, then the broker away and back every 3 s.
            long early = 0;
            long late = 0;
            for (int tenth = 0; tenth < 400; ++tenth) {
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
                const long resident = ResidentKilobytes(pid);
                if (tenth < 150) early = std::max(early, resident);
                if (tenth >= 250) late = std::max(late, resident);
                if (tenth >= 100 && tenth % 30 == 0) {
                    if (brokerPid > 0) {
                        stop(brokerPid);
                        brokerPid = -1;
                    } else {
                        brokerPid = spawn({broker, "-c", folder + "/mosquitto.conf"});
                    }
                }
            }
            stop(pid);
            Verdict("corvalind resident memory, peak over 40 s", std::max(early, late) / 1024.0,
                    "MB", 20);
            std::printf(
                "  with the broker away and back every 3 s: peak %.1f MB in the first "
                "15 s, %.1f MB in the last 15 s\n",
                early / 1024.0, late / 1024.0);
        } else {
            std::printf("corvalind not found beside the bench: memory not measured\n");
        }
        stop(brokerPid);

        // Idle, publishing: its cost must not grow with the archive.
        brokerPid = spawn({broker, "-c", folder + "/mosquitto.conf"});
        fs::create_directories(folder + "/idle-large");
        fs::rename(folder + "/archive.db", folder + "/idle-large/archive.db");
        const double large =
            IdleCpuPercent(daemon, folder + "/idle-large", folder + "/idle-card", port);
        const double empty =
            IdleCpuPercent(daemon, folder + "/idle-empty", folder + "/idle-card", port);
        stop(brokerPid);
        Verdict("corvalind idle with MQTT, 8.4 M rows", large, "%", 0.1);
        std::printf("  the same over an empty archive (the peer): %.3f %% of a core\n", empty);
    }
    fs::remove_all(folder);
    return 0;
}
