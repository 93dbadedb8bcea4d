// SPDX-License-Identifier: GPL-3.0-or-later
#include <regex>

#include "CliFixture.h"

namespace corvalin::cli {
namespace {

const std::vector<std::string> NOT_MAIN_SCREEN{"--sim-not-main-screen"};
const std::vector<std::string> SENSORS{"--sim-sensor", "1=23.5,95", "--sim-sensor", "2=20,50"};
const char* const MAIN_SCREEN = "Please switch the device to the main screen.\n";

TEST_F(CliTest, WrongUsageExitsTwoNamesTheCulpritAndSendsNothing) {
    struct Row {
        std::vector<std::string> args;
        std::vector<std::string> mentions;
    };
    const Row rows[] = {
        {{}, {"No command given.", "The commands are: status, live"}},
        {{"frobnicate"}, {"Unknown command \"frobnicate\"", "sync-time, settings"}},
        {{"sync-time", "--yes", "--at", "1999-12-31 23:59:59"}, {"--at", "2000 to 2099"}},
        {{"settings", "set", "colour=red"}, {"colour", "graph-type", "areaN.heatindex"}},
        {{"settings", "set", "graph-span=36H"}, {"graph-span", "12H, 24H, 48H, 72H"}},
        {{"settings", "set", "time-zone=13"}, {"time-zone", "-12 to 12"}},
        {{"settings", "set", "area3.temperature=1,9"}, {"area3.temperature", "1 to 8"}},
        {{"settings", "set", "unit"}, {"KEY=VALUE"}},
        {{"settings", "set", "dst=ON", "dst=OFF"}, {"dst"}},
        {{"alarm", "set", "ch1.temp-high=warm"}, {"ch1.temp-high", "--"}},
        {{"import"}, {}},
        {{"records", "--from", "2024-13-05 0:00:00", "--to", "2024-03-06 0:00:00"}, {"2024-13-05"}},
    };
    for (const Row& row : rows) {
        const CliRun run = Cli(row.args);
        const std::string name = row.args.empty() ? "(none)" : row.args.back();
        EXPECT_EQ(run.status, EXIT_USAGE) << name << "\n" << run.err;
        for (const std::string& mention : row.mentions) {
            EXPECT_NE(run.said.find(mention), std::string::npos) << mention << " in " << run.said;
        }
        EXPECT_EQ(run.err, run.said) << name;  // no frame at all
    }
    ExpectSaid(RunTool({"--sim-card", dir.File("card"), "live"}), EXIT_USAGE, "--simulate");
    EXPECT_EQ(RunTool({"--help"}).status, EXIT_DONE);
    const CliRun version = RunTool({"--version"});
    EXPECT_EQ(version.status, EXIT_DONE);
    EXPECT_EQ(version.out.rfind("corvalin-cli ", 0), 0u) << version.out;
}

TEST_F(CliTest, RefusalsExitOneWithTheMessageAndChangeNothing) {
    struct Row {
        std::vector<std::string> args;
        std::vector<std::string> sim;
        std::string said;  // how stderr starts
        std::vector<int> sent;
    };
    const Row rows[] = {
        {{"settings", "set", "unit=F"}, NOT_MAIN_SCREEN, MAIN_SCREEN, {0x51}},
        {{"sync-time"}, {}, "Setting the station's clock needs confirmation", {}},
        // The window's words, and for the terminal what they mean.
        {{"alarm", "set", "ch2.hum-high=--", "ch8.temp-low=60.1"}, {}, "Temp Error. (a temp", {}},
        {{"alarm", "set", "ch2.hum-high=--"}, {}, "Humi Error. (a humidity limit", {}},
        {{"calibration", "set", "ch1.temp=36.6"}, SENSORS, " CH1 Temp Out of value. (", {}},
        {{"calibration", "set", "ch8.hum=1"}, SENSORS, "ch8.hum: CH8 has no live humidity", {}},
        {{"interval", "241"}, {}, "Interval Range of values: 5 to 240 Minute\n", {}},
        {{"settings", "set", "area1.temperature=1"}, {}, "area1.temperature: in CH Area1 only", {}},
        {{"import", "CH9.CSV"}, {}, "Open Error2 (the log file", {}},  // no local copy
    };
    for (const Row& row : rows) {
        const CliRun run = Cli(row.args, row.sim);
        EXPECT_EQ(run.status, EXIT_FAILED) << row.args.back() << "\n" << run.err;
        EXPECT_EQ(run.said.substr(0, row.said.size()), row.said) << row.args.back();
        EXPECT_EQ(run.sent, row.sent) << row.args.back();
        EXPECT_EQ(run.out, "") << row.args.back();
    }
}

TEST_F(CliTest, WithoutAStationCommandsSayUnconnectedAndExitThree) {
    const CliRun status = RunTool({"status"});
    EXPECT_EQ(status.status, EXIT_UNCONNECTED);
    EXPECT_EQ(status.out, "Unconnected\n");
}

TEST_F(CliTest, SyncTimeSetsTheClockAskedOnlyOnceConfirmed) {
    const CliRun set = Done({"sync-time", "--yes", "--at", "2024-03-05 14:07:09"});
    EXPECT_EQ(set.out, "Sync Time Success.\n");
    EXPECT_NE(set.err.find("> 7B 30 07 E8 03 05 0E 07 09 "), std::string::npos) << set.err;

    for (const auto& [input, outcome, sent] : {std::tuple{"\n", "", std::vector<int>{}},
                                               {"y\n", "Sync Time Success.\n", {0x51, 0x30}}}) {
        const CliRun asked = Cli({"sync-time"}, {}, input, true);
        EXPECT_EQ(asked.status, EXIT_DONE);
        EXPECT_EQ(asked.out, std::string("Are you want to Synchronization Time? [y/N] ") + outcome);
        EXPECT_EQ(asked.sent, sent);
    }
}

// A station that does not answer shows no value: the fault tests' part.
TEST_F(CliTest, LiveTableAndJsonInTheStationsUnit) {
    const std::vector<std::string> sensors{"--sim-sensor", "2=23.4,45",    "--sim-sensor",
                                           "4=none",       "--sim-sensor", "1=37.4,75"};
    const CliRun table = Done({"live"}, sensors);
    // One rounding for every output: a dew point on a tie is the same in the table and JSON.
    EXPECT_NE(table.out.find("\nCH1      37.4  °C      75  %      32.2  °C\n"), std::string::npos);
    EXPECT_NE(table.out.find("\nCH4      --  °C        --  %      --  °C\n"), std::string::npos)
        << table.out;
    EXPECT_EQ(
        nlohmann::json::parse(Cli({"--json", "live"}, sensors).out)["channels"][0]["dewPoint"],
        32.2);

    ASSERT_EQ(Cli({"settings", "set", "unit=F"}).status, EXIT_DONE);
    const auto json = nlohmann::json::parse(Cli({"--json", "live"}, sensors).out);
    EXPECT_EQ(json["unit"], "°F");
    EXPECT_EQ(json["connected"], true);
    EXPECT_TRUE(std::regex_match(json["time"].get<std::string>(),
                                 std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d)")));
    EXPECT_EQ(json["channels"][1], nlohmann::json::parse(R"({"channel": 2, "temperature": 74.1,
        "humidity": 45, "dewPoint": 51.5})"));
    EXPECT_EQ(json["channels"][3], nlohmann::json::parse(R"({"channel": 4, "temperature": null,
        "humidity": null, "dewPoint": null})"));
}

TEST_F(CliTest, StatusAsTextAndJson) {
    EXPECT_EQ(Done({"status"}).out,
              "Connected\nStation: simulated station\nUnit: °C\nLogging interval: 5 Minute\n"
              "Screen: main screen\n");
    const auto json = nlohmann::json::parse(Cli({"--json", "status"}, NOT_MAIN_SCREEN).out);
    EXPECT_EQ(json, nlohmann::json::parse(R"({"connected": true, "simulated": true, "device": "",
        "unit": "°C", "intervalMinutes": 5, "onMainScreen": false})"));
}

}  // namespace
}  // namespace corvalin::cli
