// SPDX-License-Identifier: GPL-3.0-or-later
// corvalin-cli service: the logger's status file, read without a station.
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "CliFixture.h"
#include "archive/ArchiveDatabase.h"
#include "common/DataFiles.h"
#include "common/ZonedTime.h"
#include "publish/ServiceStatusFile.h"

namespace corvalin::cli {
namespace {

ServiceStatus LoggerStatus(int64_t pid) {
    ServiceStatus status;
    status.pid = pid;
    status.started = 1729980000;
    status.updated = 1729989005;
    status.state.station = "kv1";
    status.state.stationConnected = true;
    status.state.reads = 120;
    status.state.readFailures = 2;
    status.state.broker = "127.0.0.1:1883";
    status.state.queued = 4;
    ReadingSnapshot reading;
    reading.time = 1729989000;
    reading.sensorPresent[0] = true;
    // CH2's sensor is gone: its old values are not shown.
    reading.rows = {{1, reading.time, 21.4, 45, 9.2, 21.4, RowSource::Live},
                    {2, reading.time, 18.5, {}, {}, {}, RowSource::Live}};
    status.state.last = reading;
    status.state.alertRules = 3;
    status.state.alertSinks = 1;
    status.state.alertsFiring = {
        {"ch1.temperature above 20", AlertKind::Above, 1, "temperature", 21.4, 20.0, 1729988940},
        {"station lost 5m", AlertKind::StationLost, 0, "", {}, {}, 1729988000}};
    return status;
}

// The archive server's waiting rows are counted from the local archive.
TEST_F(CliTest, ServiceTellsWhetherCorvalindRunsAndWhatItDoes) {
    const CliRun none = Cli({"service"});
    ExpectSaid(none, EXIT_FAILED, "corvalind is not running");
    EXPECT_TRUE(none.sent.empty());  // the station is not asked

    std::filesystem::create_directories(data);
    ASSERT_TRUE(WriteServiceStatus(data, LoggerStatus(getpid())));
    EXPECT_NE(Done({"service"}).out.find("Archive server: none\n"), std::string::npos);
    const std::string server = "postgresql://corvalin@db:5432/weather";
    // None confirmed by the server yet (how a confirmation counts is the cursor's to test).
    ASSERT_TRUE((*ArchiveDatabase::Open(data + "/" + ARCHIVE_DATABASE_FILE).value)
                    ->Add("kv1", {{.channel = 1, .time = 100},
                                  {.channel = 1, .time = 200},
                                  {.channel = 1, .time = 300}}));
    ServiceStatus status = LoggerStatus(getpid());
    status.state.archiveServer = server;
    status.state.archiveServerProblem = "Connection refused";
    ASSERT_TRUE(WriteServiceStatus(data, status));
    const CliRun text = Done({"service"});
    for (const std::string& line :
         {"corvalind: running (pid " + std::to_string(getpid()),
          std::string("Station: kv1, connected"), "Last reading: " + IsoTime(1729989000),
          std::string("CH1: 21.4 °C, 45 %, dew point 9.2 °C"), std::string("CH2: no sensor"),
          std::string("Reads: 120, failed: 2"),
          std::string("Broker: 127.0.0.1:1883, not connected, 4 readings queued"),
          "Archive server: " + server +
              ", not reachable (Connection refused), 3 rows waiting "
              "for it\n",
          std::string("Alerts: 3 rules, 1 sink, 2 firing:\n"
                      "  ch1.temperature above 20: CH1 temperature 21.4 °C, limit 20 °C, since ") +
              IsoTime(1729988940) + "\n  station lost 5m: since " + IsoTime(1729988000) + "\n"}) {
        EXPECT_NE(text.out.find(line), std::string::npos) << line << "\n" << text.out;
    }
    EXPECT_EQ(text.out.find("18.5"), std::string::npos);

    const nlohmann::json shown = nlohmann::json::parse(Done({"--json", "service"}).out);
    EXPECT_EQ(shown["running"], true);
    EXPECT_EQ(shown["lastReading"]["channels"][1]["sensor"], false);
    EXPECT_TRUE(shown["lastReading"]["channels"][1]["temperature"].is_null());
    EXPECT_EQ(shown["alerts"]["firing"][0]["since"], IsoTime(1729988940));
    EXPECT_EQ(shown["archiveServer"], (nlohmann::json{{"address", server},
                                                      {"connected", false},
                                                      {"problem", "Connection refused"},
                                                      {"rowsWaiting", 3}}));

    const pid_t ended = fork();
    if (ended == 0) _exit(0);
    waitpid(ended, nullptr, 0);
    ASSERT_TRUE(WriteServiceStatus(data, LoggerStatus(ended)));
    const CliRun stale = Cli({"--json", "service"});
    ExpectSaid(stale, EXIT_FAILED,
               "corvalind is not running: its status of " + IsoTime(1729989005) + " is stale");
    EXPECT_EQ(nlohmann::json::parse(stale.out)["running"], false);
}

}  // namespace
}  // namespace corvalin::cli
