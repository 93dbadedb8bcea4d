#include <gtest/gtest.h>

#include <chrono>
#include <nlohmann/json.hpp>
#include <fstream>
#include <sstream>

#include "CliRunner.h"
#include "support/TempDir.h"

namespace corvalin::cli {
namespace {

struct CliRun {
    int status;
    std::string out;
    std::string err;
};

// Runs corvalin-cli in-process on a simulated station with its own card folder.
class CliTest : public ::testing::Test {
protected:
    CliRun Cli(std::vector<std::string> args, const std::string& input = "", bool interactive = false) {
        std::ostringstream out, err;
        std::istringstream in(input);
        Console console{out, err, in, interactive, nullptr};
        const int status = RunCli(args, console);
        return {status, out.str(), err.str()};
    }
    std::vector<std::string> Simulated(std::vector<std::string> args) {
        std::vector<std::string> all{"--simulate", "--sim-pace", "0", "--sim-card",
                                     dir.File("card")};
        all.insert(all.end(), args.begin(), args.end());
        return all;
    }

    test::TempDir dir;
};

std::vector<std::string> Lines(const std::string& text, char prefix) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        if (!line.empty() && line[0] == prefix) lines.push_back(line);
    }
    return lines;
}

std::string Zeros(size_t count) {
    std::string text;
    for (size_t i = 0; i < count; ++i) text += " 00";
    return text;
}

TEST_F(CliTest, SyncTimeWritesTheTwoFramesAndSucceeds) {
    CliRun run = Cli(Simulated({"--trace", "sync-time", "--yes", "--at", "2024-03-05 14:07:09"}));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "Sync Time Success.\n");
    const auto written = Lines(run.err, '>');
    ASSERT_EQ(written.size(), 2u) << run.err;
    EXPECT_EQ(written[0], "> 7B 51 40 7D" + Zeros(60));
    EXPECT_EQ(written[1], "> 7B 30 07 E8 03 05 0E 07 09 02 40 7D" + Zeros(52));
    EXPECT_EQ(Lines(run.err, '<').size(), 1u);  // the screen-state answer
}

TEST_F(CliTest, SyncTimeOffTheMainScreenIsRefused) {
    CliRun run = Cli(Simulated({"--sim-not-main-screen", "--trace", "sync-time", "--yes", "--at",
                             "2024-03-05 14:07:09"}));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("Please switch the device to the main screen.\n"), std::string::npos);
    const auto written = Lines(run.err, '>');
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(written[0], "> 7B 51 40 7D" + Zeros(60));
    EXPECT_EQ(run.out.find("Success"), std::string::npos);
}

TEST_F(CliTest, SyncTimeAsksAndCancelSendsNothing) {
    CliRun refused = Cli(Simulated({"--trace", "sync-time"}));
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("--yes"), std::string::npos);
    EXPECT_TRUE(Lines(refused.err, '>').empty());

    CliRun cancelled = Cli(Simulated({"--trace", "sync-time"}), "\n", true);
    EXPECT_EQ(cancelled.status, 0);
    EXPECT_NE(cancelled.out.find("Are you want to Synchronization Time?"), std::string::npos);
    EXPECT_TRUE(Lines(cancelled.err, '>').empty());

    CliRun confirmed = Cli(Simulated({"sync-time"}), "y\n", true);
    EXPECT_EQ(confirmed.status, 0);
    EXPECT_NE(confirmed.out.find("Sync Time Success."), std::string::npos);
}

TEST_F(CliTest, LiveShowsReadingsAsTheDisplayWritesThem) {
    CliRun run = Cli(Simulated({"--sim-sensor", "2=23.4,45", "--sim-sensor", "4=none", "live"}));
    EXPECT_EQ(run.status, 0) << run.err;
    std::istringstream lines(run.out);
    std::string ch2, ch4;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("CH2 ", 0) == 0) ch2 = line;
        if (line.rfind("CH4 ", 0) == 0) ch4 = line;
    }
    EXPECT_NE(ch2.find("23.4  °C"), std::string::npos) << run.out;
    EXPECT_NE(ch2.find("45  %"), std::string::npos);
    EXPECT_NE(ch2.find("10.8  °C"), std::string::npos);
    EXPECT_EQ(ch4.find_first_of("0123456789", 3), std::string::npos) << ch4;
    EXPECT_NE(ch4.find("--  °C"), std::string::npos);
    EXPECT_NE(ch4.find("--  %"), std::string::npos);
}

TEST_F(CliTest, LiveJsonGivesNumbersAndNull) {
    CliRun run = Cli(Simulated({"--json", "--sim-sensor", "2=23.4,45", "--sim-sensor", "4=none",
                             "live"}));
    ASSERT_EQ(run.status, 0) << run.err;
    auto json = nlohmann::json::parse(run.out);
    EXPECT_EQ(json["unit"], "°C");
    EXPECT_DOUBLE_EQ(json["channels"][1]["temperature"].get<double>(), 23.4);
    EXPECT_EQ(json["channels"][1]["humidity"], 45);
    EXPECT_DOUBLE_EQ(json["channels"][1]["dewPoint"].get<double>(), 10.8);
    EXPECT_TRUE(json["channels"][3]["temperature"].is_null());
    EXPECT_TRUE(json["channels"][3]["humidity"].is_null());
    EXPECT_TRUE(json["channels"][7]["dewPoint"].is_null());
}

TEST_F(CliTest, StatusAfterAReadCycle) {
    CliRun run = Cli(Simulated({"status"}));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.rfind("Connected\n", 0), 0u);
    EXPECT_NE(run.out.find("Unit: °C"), std::string::npos);
    EXPECT_NE(run.out.find("Logging interval: 5"), std::string::npos);
    EXPECT_NE(run.out.find("main screen"), std::string::npos);
}

TEST_F(CliTest, StateFileCarriesTheClockOverToTheNextCall) {
    const std::string state = dir.File("state.json");
    ASSERT_EQ(Cli(Simulated({"--sim-state", state, "sync-time", "--yes", "--at",
                             "2024-03-05 14:07:09"}))
                  .status,
              0);
    std::ifstream saved(state);
    ASSERT_TRUE(saved.good());
    EXPECT_EQ(Cli(Simulated({"--sim-state", state, "status"})).status, 0);
}

TEST_F(CliTest, WrongUsageExitsTwoAndSendsNothing) {
    EXPECT_EQ(Cli({}).status, 2);
    EXPECT_EQ(Cli({"frobnicate"}).status, 2);
    CliRun badSensor = Cli(Simulated({"--trace", "--sim-sensor", "9=20,50", "live"}));
    EXPECT_EQ(badSensor.status, 2);
    EXPECT_NE(badSensor.err.find("--sim-sensor"), std::string::npos);
    EXPECT_TRUE(Lines(badSensor.err, '>').empty());
    CliRun badTime = Cli(Simulated({"sync-time", "--yes", "--at", "2024-02-30 10:00:00"}));
    EXPECT_EQ(badTime.status, 2);
    EXPECT_EQ(Cli({"--sim-card", "/tmp/x", "live"}).status, 2);  // needs --simulate
    EXPECT_EQ(Cli({"--help"}).status, 0);
}

TEST_F(CliTest, LiveWithoutAnswersEndsAfterItsTimeOutsWithNoData) {
    const auto start = std::chrono::steady_clock::now();
    CliRun run = Cli(Simulated({"--sim-fault", "drop=100", "--json", "live"}));
    const auto waited = std::chrono::steady_clock::now() - start;
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_LT(waited, std::chrono::seconds(20));  // about 14 s of time-outs, then done
    auto json = nlohmann::json::parse(run.out);
    for (const auto& channel : json["channels"]) {
        EXPECT_TRUE(channel["temperature"].is_null());
        EXPECT_TRUE(channel["humidity"].is_null());
    }
}

TEST_F(CliTest, WithoutAStationLiveSaysUnconnected) {
    CliRun run = Cli({"live"});
    EXPECT_EQ(run.status, 3);
    EXPECT_EQ(run.err.rfind("Unconnected\n", 0), 0u);
}

}  // namespace
}  // namespace corvalin::cli
