// SPDX-License-Identifier: GPL-3.0-or-later
// The shared archive on a loopback PostgreSQL server (durable, as a real one):
//  - a backlog of 1 M local rows forwarded by the forwarder alone;
//  - corvalind draining the same backlog to a second database, with its
//    resident memory sampled all along.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "BenchFigures.h"
#include "archive/ArchiveDatabase.h"
#include "sharedarchive/ArchiveForwarder.h"
#include "support/PostgresServer.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace corvalin;
using Steady = std::chrono::steady_clock;

constexpr int READINGS = 125000;  // x 8 channels: 1 M rows
constexpr int64_t START = 1577836800;

double Seconds(Steady::duration d) { return std::chrono::duration<double>(d).count(); }

bool BuildArchive(const std::string& path) {
    auto opened = ArchiveDatabase::Open(path);
    if (!opened) return false;
    std::vector<ArchiveRow> rows;
    for (int i = 0; i < READINGS; ++i) {
        for (int channel = 1; channel <= 8; ++channel) {
            ArchiveRow row;
            row.channel = channel;
            row.time = START + 60LL * i;
            row.temperature = 15.0 + (i % 100) * 0.1;
            row.humidity = 40 + channel;
            row.dewPoint = 5.5;
            row.heatIndex = row.temperature;
            rows.push_back(row);
        }
        if (rows.size() >= 80000) {
            if (!(*opened.value)->Add("bench", rows)) return false;
            rows.clear();
        }
    }
    return rows.empty() || (*opened.value)->Add("bench", rows);
}

long StatusKilobytes(pid_t pid, const char* field) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(field, 0) == 0) return std::stol(line.substr(std::string(field).size()));
    }
    return -1;
}

int64_t ServerRows(test::PostgresServer& server, const std::string& database) {
    const std::string count =
        server.Value(database, "SELECT count(*) FROM readings WHERE station = 'bench'");
    return count.empty() ? 0 : std::stoll(count);
}

void ForwardInProcess(test::PostgresServer& server, const std::string& archive,
                      const std::string& password) {
    ServiceStateHolder state;
    ForwarderSettings settings;
    settings.server = *ParseArchiveServer(server.Address("bench", "weather"));
    settings.server.password = password;
    settings.archivePath = archive;
    ArchiveForwarder forwarder(settings, state, {});
    const auto began = Steady::now();
    forwarder.Start();
    while (forwarder.RowsForwarded() < 8ULL * READINGS &&
           Steady::now() - began < std::chrono::minutes(10)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    const double took = Seconds(Steady::now() - began);
    forwarder.Stop();
    std::printf(
        "Forwarder: %d rows to PostgreSQL in %.1f s (%.0f rows/s; %zu rows a statement); "
        "on the server: %lld  [goal: <= 15 s]\n",
        8 * READINGS, took, 8 * READINGS / took, settings.batchRows,
        static_cast<long long>(ServerRows(server, "weather")));
}

void DrainWithTheLogger(test::PostgresServer& server, const std::string& folder,
                        const std::string& passwordFile) {
    const std::string daemon =
        (fs::path(program_invocation_name).parent_path() / "corvalind").string();
    std::ofstream(folder + "/corvalind.conf") << "# the command line only\n";
    std::vector<std::string> args{daemon,
                                  "--simulate",
                                  "--sim-card",
                                  folder + "/card",
                                  "--data-dir",
                                  folder,
                                  "--config",
                                  folder + "/corvalind.conf",
                                  "--archive-server",
                                  server.Address("bench", "drain"),
                                  "--archive-server-password-file",
                                  passwordFile};
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const auto began = Steady::now();
    if (posix_spawn(&pid, argv[0], &quiet, nullptr, argv.data(), environ) != 0) {
        std::printf("corvalind not found beside the bench: not measured\n");
        return;
    }
    posix_spawn_file_actions_destroy(&quiet);
    long peak = 0, peakAnon = 0, peakFile = 0;
    int64_t rows = 0;
    while (rows < 8LL * READINGS && Steady::now() - began < std::chrono::minutes(10)) {
        for (int i = 0; i < 25; ++i) {
            const long resident = StatusKilobytes(pid, "VmRSS:");
            if (resident > peak) {
                peak = resident;
                peakAnon = StatusKilobytes(pid, "RssAnon:");
                peakFile = StatusKilobytes(pid, "RssFile:");
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        rows = ServerRows(server, "drain");
        if (waitpid(pid, nullptr, WNOHANG) == pid) {
            std::printf("corvalind ended before the backlog drained\n");
            return;
        }
    }
    const double took = Seconds(Steady::now() - began);
    const long highWater = StatusKilobytes(pid, "VmHWM:");
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    std::printf(
        "corvalind: drained %lld rows in %.1f s from its start; resident memory peak "
        "%.1f MB sampled (%.1f MB its own, %.1f MB of files: its libraries), %.1f MB "
        "high-water mark  [goal: <= 25 MB]\n",
        static_cast<long long>(rows), took, peak / 1024.0, peakAnon / 1024.0, peakFile / 1024.0,
        highWater / 1024.0);
}

}  // namespace

int main() {
    test::TempDir folder;
    std::printf("Archive server bench: %u cores, load average %s\n",
                std::thread::hardware_concurrency(), bench::LoadAverage().c_str());
    const auto began = Steady::now();
    if (!BuildArchive(folder.File("archive.db"))) return 1;
    std::printf("Built a local archive of %d rows in %.1f s\n", 8 * READINGS,
                Seconds(Steady::now() - began));
    setenv("PGPASSFILE", "/nonexistent", 1);
    test::PostgresServer server(true);
    if (!server.problem().empty() || !server.Start() ||
        !server.AddUser("bench", "bench", "weather") ||
        !server.Query("postgres", "CREATE DATABASE drain OWNER bench")) {
        std::printf("No PostgreSQL server: %s\n", server.problem().c_str());
        return 1;
    }
    ForwardInProcess(server, folder.File("archive.db"), "bench");
    DrainWithTheLogger(server, folder.path(), server.PasswordFile("bench"));
    return 0;
}
