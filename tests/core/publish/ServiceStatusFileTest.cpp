// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "publish/ServiceStatusFile.h"
#include "support/TempDir.h"

namespace corvalin {
namespace {

namespace fs = std::filesystem;

ServiceStatus SampleStatus(int64_t pid) {
    ServiceStatus status;
    status.pid = pid;
    status.started = 1729980000;
    status.updated = 1729989005;
    ServiceState& state = status.state;
    state.station = "kv \"1\"";
    state.stationConnected = true;
    state.reads = 1ull << 40;
    state.readFailures = 2;
    state.broker = "127.0.0.1:1883";
    state.brokerConnected = false;
    state.queued = 9;
    ReadingSnapshot reading;
    reading.time = 1729989000;
    reading.sensorPresent[0] = reading.sensorPresent[6] = true;
    reading.rows = {{1, reading.time, 0.1 + 0.2, 45, {}, -3.25},
                    {7, reading.time, {}, 45, 1.5, -3.25}};
    state.last = reading;
    return status;
}

// A process id that was in use and is free again.
int64_t EndedPid() {
    const pid_t child = fork();
    if (child == 0) _exit(0);
    waitpid(child, nullptr, 0);
    return child;
}

void ExpectSame(const ServiceStatus& read, const ServiceStatus& written) {
    const ServiceState& a = read.state;
    const ServiceState& b = written.state;
    EXPECT_EQ(std::tie(read.pid, read.started, read.updated, a.station, a.stationConnected, a.reads,
                       a.readFailures, a.broker, a.brokerConnected, a.queued),
              std::tie(written.pid, written.started, written.updated, b.station, b.stationConnected,
                       b.reads, b.readFailures, b.broker, b.brokerConnected, b.queued));
    ASSERT_EQ(a.last.has_value(), b.last.has_value());
    if (!a.last) return;
    EXPECT_EQ(std::tie(a.last->time, a.last->sensorPresent, a.last->rows),
              std::tie(b.last->time, b.last->sensorPresent, b.last->rows));
}

TEST(ServiceStatusFile, ReadsBackWhatWasWrittenAndWhetherItsProcessLives) {
    test::TempDir dir;
    struct Case {
        const char* name;
        ServiceStatus status;
        bool running;
    };
    ServiceStatus beforeAnyReading = SampleStatus(getpid());
    beforeAnyReading.state.last.reset();
    for (const Case& c : {Case{"this process", SampleStatus(getpid()), true},
                          Case{"no reading yet", beforeAnyReading, true},
                          Case{"an ended process", SampleStatus(EndedPid()), false},
                          Case{"process id 0", SampleStatus(0), false},
                          // Alive though this user may not signal it.
                          Case{"init", SampleStatus(1), true}}) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(WriteServiceStatus(dir.path(), c.status));
        const ServiceStatusResult read = ReadServiceStatus(dir.path());
        ASSERT_TRUE(read) << read.error;
        ASSERT_TRUE(*read.value);
        ExpectSame((*read.value)->status, c.status);
        EXPECT_EQ((*read.value)->running, c.running);
    }
    struct stat info {};
    ASSERT_EQ(stat((dir.path() + "/.corvalin").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    // Only the file itself: no temporary one left.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path() + "/.corvalin"), {}), 1);

    RemoveServiceStatus(dir.path());
    const ServiceStatusResult removed = ReadServiceStatus(dir.path());
    ASSERT_TRUE(removed);
    EXPECT_FALSE(*removed.value);
}

TEST(ServiceStatusFile, NeverThroughALinkAndNoDamagedFileTakenForAStatus) {
    test::TempDir dir;
    const std::string elsewhere = dir.File("elsewhere");
    const std::string data = dir.File("data");
    fs::create_directories(elsewhere);
    fs::create_directories(data);
    fs::create_directory_symlink(elsewhere, data + "/.corvalin");
    EXPECT_FALSE(WriteServiceStatus(data, SampleStatus(getpid())));
    EXPECT_TRUE(fs::is_empty(elsewhere));
    std::ofstream(elsewhere + "/corvalind.json") << "{}";
    EXPECT_FALSE(ReadServiceStatus(data));

    fs::remove(data + "/.corvalin");
    ServiceStatus status = SampleStatus(getpid());
    status.state.last->rows[1].channel = 0;  // no channel of the station
    ASSERT_TRUE(WriteServiceStatus(data, status));
    EXPECT_FALSE(ReadServiceStatus(data));
    ASSERT_TRUE(WriteServiceStatus(data, SampleStatus(getpid())));
    const std::string file = data + "/.corvalin/corvalind.json";
    nlohmann::json older = nlohmann::json::parse(std::ifstream(file));
    older.erase("alerts");  // as a logger from before alerts wrote it
    std::ofstream(file, std::ios::trunc) << older;
    EXPECT_TRUE(ReadServiceStatus(data));
    for (const char* text : {"{\"pid\": 1", "{}", "[]", ""}) {
        std::ofstream(file, std::ios::trunc) << text;
        const ServiceStatusResult read = ReadServiceStatus(data);
        EXPECT_FALSE(read) << text;
        EXPECT_NE(read.error.find("corvalind.json"), std::string::npos) << read.error;
    }
}

}  // namespace
}  // namespace corvalin
