// SPDX-License-Identifier: GPL-3.0-or-later
// corvalind's page and API over the archive bench's 8.4 M-row archive:
//  - the archive built with its hour summaries and records, and the one
//    pass that gives an archive of before its summaries;
//  - /api/v1/series of a channel over a year, /api/v1/days of a year of all
//    channels, /api/v1/current and /api/v1/records, over loopback HTTP;
//  - the page fully drawn in headless Chromium, and corvalind's resident
//    memory while the page loads and refreshes (page_bench.py).
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "BenchArchive.h"
#include "BenchFigures.h"
#include "common/ZonedTime.h"
#include "service/DashboardServer.h"
#include "store/Sqlite.h"

extern char** environ;

namespace {

using namespace corvalin;
using namespace corvalin::bench;
namespace fs = std::filesystem;
using Steady = std::chrono::steady_clock;

double Seconds(Steady::duration d) { return std::chrono::duration<double>(d).count(); }

void Verdict(const char* what, double figure, const char* unit, double goal) {
    std::printf("%-48s %10.3f %-3s goal <= %g %s  %s\n", what, figure, unit, goal, unit,
                figure <= goal ? "met" : "MISSED");
}

// One GET over loopback: the status and the body's size.
std::pair<int, size_t> Get(uint16_t port, const std::string& target) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    inet_pton(AF_INET, "127.0.0.1", &address.sin_addr);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return {0, 0};
    }
    const std::string request =
        "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
    send(fd, request.data(), request.size(), MSG_NOSIGNAL);
    std::string raw;
    char buffer[65536];
    for (ssize_t got; (got = recv(fd, buffer, sizeof buffer, 0)) > 0;) raw.append(buffer, got);
    close(fd);
    const size_t body = raw.find("\r\n\r\n");
    if (raw.size() < 12 || body == std::string::npos) return {0, 0};
    return {std::stoi(raw.substr(9, 3)), raw.size() - body - 4};
}

// The median milliseconds of `runs` requests made by `target(i)`.
double MedianMs(uint16_t port, int runs, const std::function<std::string(int)>& target) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const std::string path = target(i);
        const auto began = Steady::now();
        const auto [status, size] = Get(port, path);
        times.push_back(Seconds(Steady::now() - began) * 1000);
        if (status != 200) std::printf("  %s answered %d\n", path.c_str(), status);
    }
    return Median(times);
}

void PrintPlan(const std::string& path, const std::string& sql) {
    auto db = SqliteConnection::Open(path, SqliteConnection::Access::ReadOnly);
    if (!db) return;
    auto plan = db.value->Prepare("EXPLAIN QUERY PLAN " + sql);
    if (!plan) {
        std::printf("  (plan: %s)\n", plan.error.c_str());
        return;
    }
    while (sqlite3_step(plan.value->get()) == SQLITE_ROW) {
        std::printf("  plan: %s\n", sqlite3_column_text(plan.value->get(), 3));
    }
}

ReadingSnapshot LatestReading(ArchiveDatabase& archive) {
    ReadingSnapshot reading;
    reading.time = *archive.NewestTime(BENCH_STATION, 1);
    ArchiveQuery query;
    query.station = BENCH_STATION;
    query.from = query.to = reading.time;
    archive.Read(query, [&](const ArchivedRow& row) {
        reading.rows.push_back(row.row);
        reading.sensorPresent[row.row.channel - 1] = true;
        return true;
    });
    return reading;
}

void MeasureApi(const std::string& path) {
    auto opened = ArchiveDatabase::Open(path, true);
    if (!opened) return;
    ServiceStateHolder state;
    const ReadingSnapshot reading = LatestReading(**opened.value);
    state.Update([&](ServiceState& s) {
        s.station = BENCH_STATION;
        s.interval = STEP;
        s.stationConnected = true;
        s.last = reading;
    });
    DashboardServer server(state, {path, DEFAULT_CHART_ASSETS}, [&] { return reading.time + 1; });
    if (!server.Start("127.0.0.1:0")) return;
    const uint16_t port = server.Port();
    const auto year = [](int i) { return YEAR_START + (1 + i % 8) * YEAR; };
    const auto seriesOf = [&](const char* quantity, int i) {
        std::string from = IsoTime(year(i), true);
        std::string to = IsoTime(year(i) + YEAR, true);
        return "/api/v1/series?channel=" + std::to_string(1 + i % 8) + "&quantity=" + quantity +
               "&from=" + from + "&to=" + to + "&points=1000";
    };
    Verdict("/api/v1/series, a channel's year, median of 11",
            MedianMs(port, 11, [&](int i) { return seriesOf("temperature", i); }), "ms", 100);
    std::printf("  %-46s %10.3f ms\n", "the same of absoluteHumidity (derived)",
                MedianMs(port, 11, [&](int i) { return seriesOf("absoluteHumidity", i); }));
    Verdict("/api/v1/days, a year of 8 channels, median of 11",
            MedianMs(port, 11,
                     [&](int i) {
                         const std::string from = DateText(LocalDate(year(i)));
                         const std::string to = DateText(LocalDate(year(i) + YEAR - DAY));
                         return "/api/v1/days?from=" + from + "&to=" + to;
                     }),
            "ms", 150);
    Verdict("/api/v1/current, median of 21",
            MedianMs(port, 21, [](int) { return std::string("/api/v1/current"); }), "ms", 10);
    std::printf("  %-46s %10.3f ms\n", "/api/v1/records, median of 21",
                MedianMs(port, 21, [](int) { return std::string("/api/v1/records"); }));
    server.Stop();
}

pid_t Spawn(std::vector<std::string> args, const std::string& log) {
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&files, STDERR_FILENO, log.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &files, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&files);
    return pid;
}

// corvalind on the archive, and the page in Chromium (page_bench.py).
void MeasurePage(const std::string& folder) {
    const std::string daemon =
        (fs::path(program_invocation_name).parent_path() / "corvalind").string();
    const std::string log = folder + "/corvalind.log";
    const pid_t pid = Spawn(
        {daemon, "--simulate", "--sim-card", folder + "/card", "--data-dir", folder, "--config",
         "/dev/null", "--station", BENCH_STATION, "--interval", "20", "--http", "127.0.0.1:0"},
        log);
    if (pid <= 0) {
        std::printf("corvalind not found beside the bench: the page not measured\n");
        return;
    }
    std::string url;
    for (int i = 0; i < 600 && url.empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        std::ifstream in(log);
        const std::string text((std::istreambuf_iterator<char>(in)), {});
        std::smatch found;
        if (std::regex_search(text, found, std::regex(R"(The page on (http://\S+/))"))) {
            url = found[1];
        }
    }
    if (!url.empty()) {
        const std::string command =
            std::string("/usr/bin/python3 ") + PAGE_BENCH + " " + url + " " + std::to_string(pid);
        std::fflush(stdout);
        if (std::system(command.c_str()) != 0) std::printf("page_bench.py failed\n");
    } else {
        std::printf("corvalind did not serve its page\n");
    }
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
}

}  // namespace

int main() {
    std::string pattern = (fs::temp_directory_path() / "corvalin-dashboard-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) return 1;
    const std::string folder = pattern;
    const std::string path = folder + "/archive.db";
    std::printf("Dashboard bench: %u cores, load average %s\n", std::thread::hardware_concurrency(),
                LoadAverage().c_str());
    {
        auto opened = ArchiveDatabase::Open(path);
        if (!opened) return 1;
        const auto began = Steady::now();
        if (!BuildArchive(**opened.value)) return 1;
        std::printf(
            "Built %d years x 8 channels at %lld s steps with their summaries: %.1f s, "
            "%.0f MB\n",
            YEARS, static_cast<long long>(STEP), Seconds(Steady::now() - began),
            static_cast<double>(fs::file_size(path)) / 1e6);
    }
    {
        // An archive of before: its summaries are built once, by the first writer.
        auto db = SqliteConnection::Open(path, SqliteConnection::Access::ReadWrite);
        if (!db || !db.value->Execute("DELETE FROM hour_summaries; DELETE FROM channel_records; "
                                      "PRAGMA user_version = 0")) {
            return 1;
        }
        db.value->reset();
        const auto began = Steady::now();
        if (!ArchiveDatabase::Open(path)) return 1;
        std::printf("The summaries of an archive of before, built once: %.1f s\n",
                    Seconds(Steady::now() - began));
    }
    PrintPlan(path,
              "SELECT (time - 1) / 2 AS bucket, count(value), min(value) FROM (SELECT time, "
              "temperature AS value FROM readings WHERE station = 1 AND channel = 1 AND time >= 1 "
              "AND time < 2) WHERE value IS NOT NULL GROUP BY bucket ORDER BY bucket");
    PrintPlan(path,
              "SELECT hour FROM hour_summaries WHERE station = 1 AND channel = 1 AND hour >= 1 AND "
              "hour < 2 ORDER BY hour");
    MeasureApi(path);
    MeasurePage(folder);
    fs::remove_all(folder);
    return 0;
}
