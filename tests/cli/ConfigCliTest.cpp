#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
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

std::vector<std::string> Lines(const std::string& text, char prefix) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        if (!line.empty() && line[0] == prefix) lines.push_back(line);
    }
    return lines;
}

// The bytes of a traced frame ("> 7B 10 ..."), as numbers.
std::vector<int> Bytes(const std::string& line) {
    std::vector<int> bytes;
    std::istringstream stream(line.substr(2));
    for (std::string hex; stream >> hex;) bytes.push_back(std::stoi(hex, nullptr, 16));
    return bytes;
}

// The frames written after the read cycle (which ends with the live request 0x03).
std::vector<std::vector<int>> WritesAfterReading(const std::string& err) {
    std::vector<std::vector<int>> frames;
    bool read = false;
    for (const std::string& line : Lines(err, '>')) {
        std::vector<int> bytes = Bytes(line);
        if (read) frames.push_back(bytes);
        if (bytes[1] == 0x03) read = true;
    }
    return frames;
}

std::vector<int> Slice(const std::vector<int>& bytes, size_t from, size_t count) {
    return {bytes.begin() + from, bytes.begin() + from + count};
}

// corvalin-cli in-process on a simulated station whose state carries from call to call.
class ConfigCliTest : public ::testing::Test {
protected:
    CliRun Cli(std::vector<std::string> args, std::vector<std::string> simOptions = {}) {
        std::vector<std::string> all{"--simulate",           "--sim-pace",     "0",
                                     "--sim-card",           dir.File("card"), "--sim-state",
                                     dir.File("state.json"), "--trace"};
        all.insert(all.end(), simOptions.begin(), simOptions.end());
        all.insert(all.end(), args.begin(), args.end());
        std::ostringstream out, err;
        std::istringstream in;
        Console console{out, err, in, false, nullptr};
        const int status = RunCli(all, console);
        return {status, out.str(), err.str()};
    }

    test::TempDir dir;
};

TEST_F(ConfigCliTest, SettingsSetWritesTheFrameAndTheNextReadShowsIt) {
    CliRun set =
        Cli({"settings", "set", "graph-type=Dewpoint", "graph-span=72H", "time-format=AM h:mm:ss",
             "date-format=DD-MM-YYYY", "dst=ON", "time-zone=-10", "unit=F"});
    ASSERT_EQ(set.status, 0) << set.err;
    EXPECT_EQ(set.out, "");
    const auto writes = WritesAfterReading(set.err);
    ASSERT_EQ(writes.size(), 3u);
    EXPECT_EQ(writes[0][1], 0x51);
    EXPECT_EQ(Slice(writes[1], 0, 9), (std::vector<int>{0x7B, 0x10, 2, 0x48, 1, 2, 1, 0xF6, 1}));
    EXPECT_EQ(Slice(writes[1], 29, 2), (std::vector<int>{0x40, 0x7D}));
    EXPECT_EQ(Slice(writes[2], 0, 4), (std::vector<int>{0x7B, 0x2F, 0x40, 0x7D}));

    CliRun show = Cli({"settings"});
    ASSERT_EQ(show.status, 0) << show.err;
    for (const char* line : {"graph-type          Dewpoint\n", "graph-span          72H\n",
                             "time-format         AM h:mm:ss\n", "date-format         DD-MM-YYYY\n",
                             "dst                 ON\n", "time-zone           -10\n",
                             "unit                °F\n", "area1.temperature   1,2,3,4,5,6,7,8\n",
                             "area2.dewpoint      none\n", "interval            5 Minute\n"}) {
        EXPECT_NE(show.out.find(line), std::string::npos) << line << show.out;
    }
    EXPECT_TRUE(WritesAfterReading(show.err).empty());
}

TEST_F(ConfigCliTest, WhatASetDoesNotNameKeepsTheStationsValue) {
    ASSERT_EQ(
        Cli({"settings", "set", "area1=AB0001FF", "area4=0xFF000001", "area2.dewpoint=3,1"}).status,
        0);
    CliRun set = Cli({"settings", "set", "time-zone=12", "area2.temperature=8"});
    ASSERT_EQ(set.status, 0) << set.err;
    const std::vector<int> frame = WritesAfterReading(set.err).at(1);
    EXPECT_EQ(frame[7], 0x0C);
    // Bits 24 to 31 belong to no channel, yet they stay what the station holds.
    EXPECT_EQ(Slice(frame, 9, 4), (std::vector<int>{0xAB, 0x00, 0x01, 0xFF}));
    // Area 2: the dew points of CH1 and CH3 stay, CH8's temperature joins them.
    EXPECT_EQ(Slice(frame, 13, 4), (std::vector<int>{0x00, 0x20, 0x00, 0x82}));
    EXPECT_EQ(Slice(frame, 21, 4), (std::vector<int>{0xFF, 0x00, 0x00, 0x01}));
    EXPECT_EQ(frame[8], 0);  // unit unchanged

    CliRun json = Cli({"--json", "settings"});
    ASSERT_EQ(json.status, 0) << json.err;
    const auto result = nlohmann::json::parse(json.out);
    EXPECT_EQ(result["time-zone"], 12);
    EXPECT_EQ(result["areas"][1]["dewpoint"], (std::vector<int>{1, 3}));
    EXPECT_EQ(result["areas"][3]["mask"], "0xFF000001");
}

TEST_F(ConfigCliTest, WrongKeysAndValuesExitTwoAndSendNothing) {
    struct Case {
        std::vector<std::string> args;
        std::vector<std::string> mentions;
    };
    const Case cases[] = {
        {{"settings", "set", "colour=red"}, {"colour", "graph-type", "areaN.heatindex"}},
        {{"settings", "set", "graph-span=36H"}, {"graph-span", "12H, 24H, 48H, 72H"}},
        {{"settings", "set", "time-zone=13"}, {"time-zone", "-12 to 12"}},
        {{"settings", "set", "time-zone=+1.5"}, {"time-zone"}},
        {{"settings", "set", "area3.temperature=1,9"}, {"area3.temperature", "1 to 8"}},
        {{"settings", "set", "area6=1"}, {"area6"}},
        {{"settings", "set", "unit"}, {"KEY=VALUE"}},
        {{"settings", "set", "dst=ON", "dst=OFF"}, {"dst"}},
        {{"alarm", "set", "ch1.temp-high=warm"}, {"ch1.temp-high", "--"}},
        {{"alarm", "set", "ch1.hum-low=4.5"}, {"ch1.hum-low"}},
        {{"alarm", "set", "ch0.hum-low=4"}, {"ch0.hum-low", "chN.hum-low"}},
        {{"alarm", "set", "ch2.temp-low-enabled=maybe"}, {"ch2.temp-low-enabled", "no, yes"}},
        {{"alarm", "set", "humidity-alarm=1"}, {"humidity-alarm", "ON, OFF"}},
        {{"calibration", "set", "ch1.temp=1,5"}, {"ch1.temp"}},
        {{"calibration", "set", "ch1.offset=1"}, {"ch1.offset", "chN.temp, chN.hum"}},
        {{"interval", "five"}, {"interval", "5 to 240"}},
    };
    for (const Case& c : cases) {
        CliRun run = Cli(c.args);
        EXPECT_EQ(run.status, 2) << c.args.back() << run.err;
        for (const std::string& mention : c.mentions) {
            EXPECT_NE(run.err.find(mention), std::string::npos) << mention << " in " << run.err;
        }
        EXPECT_TRUE(Lines(run.err, '>').empty()) << c.args.back();
    }
}

TEST_F(ConfigCliTest, OffTheMainScreenOnlyTheQueryFollowsTheReading) {
    CliRun run = Cli({"settings", "set", "unit=F"}, {"--sim-not-main-screen"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("Please switch the device to the main screen.\n"), std::string::npos);
    const auto writes = WritesAfterReading(run.err);
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(Slice(writes[0], 0, 4), (std::vector<int>{0x7B, 0x51, 0x40, 0x7D}));
}

TEST_F(ConfigCliTest, IntervalBoundsAndTheFrameFor240) {
    CliRun low = Cli({"interval", "4"});
    EXPECT_EQ(low.status, 1);
    EXPECT_EQ(low.err, "Interval Range of values: 5 to 240 Minute\n");
    EXPECT_EQ(Cli({"interval", "241"}).status, 1);

    CliRun set = Cli({"interval", "240"});
    ASSERT_EQ(set.status, 0) << set.err;
    EXPECT_EQ(set.out, "Set Interval Success.\n");
    const auto writes = WritesAfterReading(set.err);
    ASSERT_EQ(writes.size(), 1u);  // no screen query, no commit
    EXPECT_EQ(Slice(writes[0], 0, 6), (std::vector<int>{0x7B, 0x40, 0xF0, 0x40, 0x7D, 0x00}));

    EXPECT_EQ(Cli({"interval"}).out, "Interval: 240 Minute\n");
    EXPECT_EQ(Cli({"--json", "interval"}).out, "{\n  \"intervalMinutes\": 240\n}\n");
}

TEST_F(ConfigCliTest, AlarmLimitsInFahrenheit) {
    ASSERT_EQ(Cli({"settings", "set", "unit=F"}).status, 0);
    CliRun set =
        Cli({"alarm", "set", "ch1.temp-high=77.5", "ch1.temp-low=-40", "ch3.temp-high=--"});
    ASSERT_EQ(set.status, 0) << set.err;
    const auto writes = WritesAfterReading(set.err);
    ASSERT_EQ(writes.size(), 5u);
    EXPECT_EQ(Slice(writes[2], 0, 6), (std::vector<int>{0x7B, 0x14, 0x00, 0xFC, 0xFE, 0x70}));
    EXPECT_EQ(Slice(writes[2], 10, 2), (std::vector<int>{0xFF, 0xFF}));
    EXPECT_EQ(writes[4][1], 0x2F);

    CliRun show = Cli({"alarm"});
    ASSERT_EQ(show.status, 0) << show.err;
    // 25.2 °C, shown as the dialog shows it.
    EXPECT_NE(show.out.find("CH1  [x]   77.4 °F   [x]  -40.0 °F   [x]  90 %   [x]  10 %\n"),
              std::string::npos)
        << show.out;
    EXPECT_NE(show.out.find("CH3  [x]     -- °F"), std::string::npos) << show.out;

    CliRun hot = Cli({"alarm", "set", "ch8.temp-low=140.2"});
    EXPECT_EQ(hot.status, 1);
    EXPECT_EQ(hot.err.substr(hot.err.rfind("Temp Error.")), "Temp Error.\n");
    EXPECT_TRUE(WritesAfterReading(hot.err).empty());
    CliRun dashes = Cli({"alarm", "set", "ch2.hum-high=--"});
    EXPECT_EQ(dashes.status, 1);
    EXPECT_NE(dashes.err.find("Humi Error.\n"), std::string::npos);
    EXPECT_TRUE(WritesAfterReading(dashes.err).empty());
}

TEST_F(ConfigCliTest, AlarmSwitchesAndEnableMasks) {
    std::vector<std::string> args{"alarm", "set", "humidity-alarm=OFF", "temperature-alarm=on"};
    for (int channel = 1; channel <= 8; ++channel) {
        const std::string ch = "ch" + std::to_string(channel);
        args.push_back(ch + ".hum-high-enabled=" + (channel == 1 || channel == 8 ? "yes" : "no"));
        args.push_back(ch + ".hum-low-enabled=no");
        args.push_back(ch + ".temp-low-enabled=" + (channel == 2 ? "yes" : "no"));
    }
    CliRun set = Cli(args);
    ASSERT_EQ(set.status, 0) << set.err;
    EXPECT_EQ(Slice(WritesAfterReading(set.err).at(1), 0, 10),
              (std::vector<int>{0x7B, 0x12, 1, 0, 0x81, 0x00, 0xFF, 0x02, 0x40, 0x7D}));

    const auto json = nlohmann::json::parse(Cli({"--json", "alarm"}).out);
    EXPECT_EQ(json["humidity-alarm"], "OFF");
    EXPECT_EQ(json["channels"][7]["hum-high-enabled"], true);
    EXPECT_EQ(json["channels"][6]["hum-high-enabled"], false);
    EXPECT_EQ(json["channels"][1]["temp-low-enabled"], true);
    EXPECT_EQ(json["channels"][0]["temp-high"], 40.0);
}

TEST_F(ConfigCliTest, CalibrationCheckedAgainstTheLiveReadings) {
    const std::vector<std::string> sensors{"--sim-sensor", "1=23.5,95", "--sim-sensor", "2=20,50"};
    CliRun tooHot = Cli({"calibration", "set", "ch1.temp=36.6"}, sensors);
    EXPECT_EQ(tooHot.status, 1);
    EXPECT_NE(tooHot.err.find(" CH1 Temp Out of value.\n"), std::string::npos);
    EXPECT_TRUE(WritesAfterReading(tooHot.err).empty());
    CliRun tooWet = Cli({"calibration", "set", "ch1.hum=5"}, sensors);
    EXPECT_NE(tooWet.err.find(" CH1 Humi Out of value.\n"), std::string::npos);
    // CH8 has no sensor: its offsets cannot be changed.
    CliRun absent = Cli({"calibration", "set", "ch8.hum=1"}, sensors);
    EXPECT_EQ(absent.status, 1);
    EXPECT_NE(absent.err.find("ch8.hum"), std::string::npos);
    EXPECT_TRUE(WritesAfterReading(absent.err).empty());

    ASSERT_EQ(Cli({"settings", "set", "unit=F"}, sensors).status, 0);
    CliRun set = Cli({"calibration", "set", "ch2.temp=0.5", "ch2.hum=-3"}, sensors);
    ASSERT_EQ(set.status, 0) << set.err;
    const auto writes = WritesAfterReading(set.err);
    ASSERT_EQ(writes.size(), 3u);
    EXPECT_EQ(Slice(writes[1], 0, 8), (std::vector<int>{0x7B, 0x11, 0, 0, 0, 0x00, 0x02, 0xFD}));
    EXPECT_EQ(Slice(writes[1], 26, 2), (std::vector<int>{0x40, 0x7D}));

    CliRun show = Cli({"calibration"}, sensors);
    ASSERT_EQ(show.status, 0) << show.err;
    EXPECT_NE(show.out.find("CH2     0.4 °F     -3 %"), std::string::npos) << show.out;
    EXPECT_NE(show.out.find("(no live reading: cannot be changed)"), std::string::npos);
}

TEST_F(ConfigCliTest, WithoutAStationTheChecksThatNeedNoneStillRun) {
    std::ostringstream out, err;
    std::istringstream in;
    Console console{out, err, in, false, nullptr};
    EXPECT_EQ(RunCli({"interval", "300"}, console), 1);
    EXPECT_EQ(RunCli({"settings", "set", "unit=F"}, console), 3);
    EXPECT_NE(err.str().find("Unconnected\n"), std::string::npos);
}

}  // namespace
}  // namespace corvalin::cli
