// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <tuple>

#include "SimTestSupport.h"

namespace corvalin {
namespace {

using test::Answer;
using test::Ask;
using test::Frame;

class SimAnswersTest : public test::SimTest {};

TEST_F(SimAnswersTest, SensorsReadAtOnceAndCalibrationIsAddedAfterCommit) {
    Station(Options(false, {}, {{2, true, 23.4, 45}, {3, true, -20.0, 30}, {1, false, 0.0, 0}}));
    EXPECT_EQ(Read(CMD_READ_INTERVAL), Answer({5}));
    EXPECT_EQ(Read(CMD_SCREEN_STATE), Answer({0}));
    Report live = Read(CMD_READ_LIVE);
    EXPECT_EQ(std::vector<uint8_t>(live.begin() + 1, live.begin() + 10),
              (std::vector<uint8_t>{0x7F, 0xFF, 0xFF, 0x00, 0xEA, 0x2D, 0xFF, 0x38, 0x1E}));
    // CH8 has no sensor.
    EXPECT_EQ(std::vector<uint8_t>(live.begin() + 22, live.begin() + 25),
              (std::vector<uint8_t>{0x7F, 0xFF, 0xFF}));
    // CH2 +1.0 °C and -3 %, CH3 "no value" (counts as none), every other channel zero.
    std::vector<uint8_t> payload(CALIBRATION_PAYLOAD_SIZE, 0);
    payload[4] = 0x0A;
    payload[5] = 0xFD;
    payload[6] = payload[7] = 0xFF;
    EXPECT_TRUE(Ask(*station_, Frame(CMD_WRITE_CALIBRATION, payload)).empty());
    EXPECT_EQ(Read(CMD_READ_LIVE)[5], 0xEA) << "a write without commit changes nothing";
    EXPECT_TRUE(Ask(*station_, Frame(CMD_COMMIT)).empty());
    live = Read(CMD_READ_LIVE);
    EXPECT_EQ(std::vector<uint8_t>(live.begin() + 4, live.begin() + 10),
              (std::vector<uint8_t>{0x00, 0xF4, 0x2A, 0xFF, 0x38, 0x1E}));
    EXPECT_EQ(Read(CMD_READ_CALIBRATION), Answer(payload));
}

TEST_F(SimAnswersTest, FactoryAnswersChangeOnCommitAndTheNextRunReadsThemBack) {
    // Graph 2, span 72, formats 1/2, DST on, zone -10, °F, area 2 = CH3 dew point.
    std::vector<uint8_t> settings{2, 72, 1, 2, 1, 0xF6, 1, 0, 0, 0, 0x07, 0, 0, 0, 0x80};
    settings.resize(SETTINGS_PAYLOAD_SIZE, 0);
    const std::vector<uint8_t> alarm1{1, 0, 0x81, 0x00, 0xFF, 0x02};
    std::vector<uint8_t> alarm3(ALARM_3_PAYLOAD_SIZE, 2), alarm4(ALARM_4_PAYLOAD_SIZE, 50);
    const std::vector<uint8_t> calibration(CALIBRATION_PAYLOAD_SIZE, 3);
    alarm3[1] = 0xFD;
    auto answers = [&] {
        return std::vector{Read(CMD_READ_SETTINGS), Read(CMD_READ_ALARM_1), Read(CMD_READ_ALARM_3),
                           Read(CMD_READ_ALARM_4), Read(CMD_READ_CALIBRATION)};
    };
    Station(Options(true));
    const std::vector<Report> before = answers();
    std::vector<uint8_t> block3, block4;  // 40.0 and -10.0 °C, 90 and 10 %, for every channel
    for (int k = 0; k < 8; ++k) block3.insert(block3.end(), {0x01, 0x90, 0xFF, 0x9C});
    for (int k = 0; k < 8; ++k) block4.insert(block4.end(), {90, 10});
    EXPECT_EQ(before, (std::vector{Answer({0, 24, 0, 0, 0, 0, 0, 0x00, 0xFF, 0xFF, 0xFF}),
                                   Answer({0, 0, 0xFF, 0xFF, 0xFF, 0xFF}), Answer(block3),
                                   Answer(block4), Answer({})}));
    for (const Report& frame :
         {Frame(CMD_WRITE_SETTINGS, settings), Frame(CMD_WRITE_ALARM_1, alarm1),
          Frame(CMD_WRITE_ALARM_3, alarm3), Frame(CMD_WRITE_ALARM_4, alarm4),
          Frame(CMD_WRITE_CALIBRATION, calibration)}) {
        EXPECT_TRUE(Ask(*station_, frame).empty()) << "writes are not answered";
    }
    EXPECT_EQ(answers(), before);
    const std::vector<Report> written = {Answer(settings), Answer(alarm1), Answer(alarm3),
                                         Answer(alarm4), Answer(calibration)};
    EXPECT_TRUE(Ask(*station_, Frame(CMD_COMMIT)).empty());
    EXPECT_EQ(answers(), written);
    // The interval and the clock change at once, without answer; 30 February
    // and 24:00 are refused, not rolled over into another date.
    EXPECT_TRUE(Ask(*station_, Frame(CMD_SET_INTERVAL, {30})).empty());
    for (uint8_t bad : {0, 4, 241}) Ask(*station_, Frame(CMD_SET_INTERVAL, {bad}));
    EXPECT_TRUE(Ask(*station_, MakeTimeFrame(LocalCivilTime(std::time(nullptr) + 3600))).empty());
    Ask(*station_, Frame(CMD_SET_TIME, {0x07, 0xE8, 2, 30, 12, 0, 0, 5}));
    Ask(*station_, Frame(CMD_SET_TIME, {0x07, 0xE8, 3, 5, 24, 0, 0, 2}));
    station_->SetOnMainScreen(false);  // switched by hand: kept

    Station(Options(true));  // the next run
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.File("state")), {}), 1)
        << "no temporary file is left";
    EXPECT_EQ(answers(), written);
    EXPECT_EQ(Read(CMD_READ_INTERVAL), Answer({30}));
    EXPECT_NEAR(station_->ClockOffsetSeconds(), 3600, 5);
    EXPECT_FALSE(station_->OnMainScreen());
}

// Two programs on one station's state: each sees what the other wrote, and
// neither undoes it, not even when it ends.
TEST_F(SimAnswersTest, ProgramsSharingTheStateSeeEachOthersChanges) {
    std::filesystem::create_directory(dir_.File("state"));
    SimulatedStation first(Options(true));
    SimulatedStation second(Options(true));
    ASSERT_TRUE(first.Start() && second.Start());
    first.Plug();
    second.Plug();
    Ask(second, Frame(CMD_SET_INTERVAL, {45}));
    second.SetOnMainScreen(false);
    EXPECT_EQ(Ask(first, Frame(CMD_READ_INTERVAL)), std::vector<Report>{Answer({45})});
    EXPECT_EQ(Ask(first, Frame(CMD_SCREEN_STATE)), std::vector<Report>{Answer({1})});
    EXPECT_TRUE(first.SaveState() && second.SaveState());
    Station(Options(true));
    EXPECT_EQ(Read(CMD_READ_INTERVAL), Answer({45}));
}

TEST_F(SimAnswersTest, TheStateFileIsKeptWhenBadFilledWhenPartialAndOverriddenByOptions) {
    std::filesystem::create_directory(dir_.File("state"));
    const std::string path = Options(true).stateFile;
    for (const char* text : {"{ not json", R"({"settings": "00"})", R"({"alarm1": "0000000000ZZ"})",
                             R"({"intervalMinutes": 0})", R"({"onMainScreen": "yes"})"}) {
        test::WriteAll(path, text);
        {
            SimulatedStation station(Options(true));
            const Status started = station.Start();
            EXPECT_FALSE(started) << text;
            EXPECT_NE(started.message.find(path), std::string::npos) << started.message;
            EXPECT_FALSE(station.SaveState()) << text;
        }
        EXPECT_EQ(test::ReadAll(path), text) << "the station's exit keeps the user's file";
    }
    test::WriteAll(path, R"({"intervalMinutes": 15})");
    Station(Options(true));
    EXPECT_EQ(Read(CMD_READ_INTERVAL), Answer({15}));
    EXPECT_EQ(Read(CMD_READ_ALARM_3)[1], 0x01);
    EXPECT_TRUE(station_->OnMainScreen());
    // The off-main-screen option overrides the file and is not saved.
    SimOptions offMainScreen = Options(true);
    offMainScreen.notOnMainScreen = true;
    Station(offMainScreen);
    EXPECT_EQ(Read(CMD_SCREEN_STATE), Answer({1}));
    Station(Options(true));
    EXPECT_TRUE(station_->OnMainScreen());
}

TEST_F(SimAnswersTest, GarbageStagesNothingAndFaultsDropStrayAndDelay) {
    Station(Options());
    const Report before = Read(CMD_READ_SETTINGS);
    for (uint8_t code : {0x00, 0x07, 0x13, 0x50, 0xFF}) {
        EXPECT_TRUE(Ask(*station_, Frame(code)).empty()) << int(code);
    }
    Report noStart = Frame(CMD_READ_SETTINGS);
    noStart[0] = 0x00;
    EXPECT_TRUE(Ask(*station_, noStart).empty());
    EXPECT_EQ(station_->FramesReceived(), 7u);
    // Terminator one byte early: the payload is one short.
    Ask(*station_, Frame(CMD_WRITE_SETTINGS, std::vector<uint8_t>(SETTINGS_PAYLOAD_SIZE - 1, 1)));
    Ask(*station_, Frame(CMD_COMMIT));
    EXPECT_EQ(Read(CMD_READ_SETTINGS), before);
    // A write whose commit comes only after an unplug is lost with the power.
    Ask(*station_, Frame(CMD_WRITE_SETTINGS, std::vector<uint8_t>(SETTINGS_PAYLOAD_SIZE, 2)));
    station_->Unplug();
    station_->Plug();
    Ask(*station_, Frame(CMD_COMMIT));
    EXPECT_EQ(Read(CMD_READ_SETTINGS), before);

    // Dropped answers still let the command work; an unanswered one counts too.
    Station(Options(false, {*ParseFaultSpec("drop=2")}));
    EXPECT_TRUE(Ask(*station_, Frame(CMD_READ_SETTINGS)).empty());
    EXPECT_TRUE(Ask(*station_, Frame(CMD_SET_INTERVAL, {60})).empty());
    EXPECT_EQ(Read(CMD_READ_INTERVAL), Answer({60}));
    // A stray report precedes each answer, none where there is no answer.
    Station(Options(false, {*ParseFaultSpec("stray")}));
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(Ask(*station_, Frame(CMD_READ_INTERVAL)),
                  (std::vector<Report>{Answer({0xEE}), Answer({5})}));
    }
    EXPECT_TRUE(Ask(*station_, Frame(CMD_COMMIT)).empty());
    // "@1": the first command is answered as usual, the fault acts once after it.
    Station(Options(false, {*ParseFaultSpec("drop=1@1"), *ParseFaultSpec("stray@1")}));
    EXPECT_EQ(Ask(*station_, Frame(CMD_READ_INTERVAL)), std::vector<Report>{Answer({5})});
    EXPECT_TRUE(Ask(*station_, Frame(CMD_READ_INTERVAL)).empty());
    EXPECT_EQ(Ask(*station_, Frame(CMD_READ_INTERVAL)),
              (std::vector<Report>{Answer({0xEE}), Answer({5})}));
    EXPECT_EQ(Ask(*station_, Frame(CMD_READ_INTERVAL)), std::vector<Report>{Answer({5})});
    // A delayed answer is held back, then delivered.
    Station(Options(false, {*ParseFaultSpec("delay=300")}));
    const uint64_t generation = station_->Generation();
    ASSERT_TRUE(station_->ReceiveFrame(generation, Frame(CMD_READ_INTERVAL)));
    Report report;
    EXPECT_EQ(station_->NextReport(generation, report, 0), 0);
    ASSERT_EQ(station_->NextReport(generation, report, 30000), 1);
    EXPECT_EQ(report, Answer({5}));
}

// A timeline holds each value from its second on; before the first the
// channel keeps its own sensor.
TEST(SimOptions, ATimelineGivesEachChannelItsLatestValueBegun) {
    const std::vector<SensorSpec> timeline = {
        {1, true, 31, 40, 30}, {1, true, 20, 40, 90}, {1, false, 0, 0, 120}, {1, true, 25, 50, 90}};
    const std::pair<double, std::optional<double>> cases[] = {
        {0, std::nullopt}, {29.9, std::nullopt}, {30, 31.0}, {89, 31.0}, {90, 25.0}, {500, 0.0}};
    for (const auto& [elapsed, temperature] : cases) {
        const std::optional<SensorSpec> sensor = SensorAt(timeline, elapsed);
        ASSERT_EQ(sensor.has_value(), temperature.has_value()) << elapsed;
        if (sensor) {
            EXPECT_EQ(sensor->temperatureC, *temperature) << elapsed;
        }
    }
    EXPECT_FALSE(SensorAt(timeline, 500)->present);
}

// The usual sensor and fault texts are read by the command-line tool's tests
// and by every test with a fault; these are the odd ones.
TEST(SimOptions, SensorAndFaultTextsAreRead) {
    const Result<SensorSpec> timed = ParseSensorSpec("1=none@90.5");
    ASSERT_TRUE(timed) << timed.error;
    EXPECT_EQ(std::tuple(timed->channel, timed->present, timed->fromSeconds),
              std::tuple(1, false, 90.5));
    const Result<FaultSpec> fault = ParseFaultSpec("list-name=../A=B@2.CSV");
    ASSERT_TRUE(fault) << fault.error;
    EXPECT_EQ(std::pair(fault->kind, fault->text),
              std::pair(FaultSpec::Kind::ListName, std::string("../A=B@2.CSV")));
    const Result<FaultSpec> later = ParseFaultSpec("drop=2@7");
    ASSERT_TRUE(later) << later.error;
    EXPECT_EQ(std::tuple(later->kind, later->value, later->after),
              std::tuple(FaultSpec::Kind::Drop, 2, std::optional<int>(7)));
}

TEST(SimOptions, BadTextsAreRefusedByName) {
    auto refused = [](const auto& result, const char* text) {
        EXPECT_FALSE(result) << text;
        EXPECT_NE(result.error.find('"' + std::string(text) + '"'), std::string::npos) << text;
    };
    for (const char* text :
         {"",          "2",           "0=20,40",  "9=20,40",  "x=20,40",     "2=20",
          "2=abc,40",  "2=20,4x",     "2=20,101", "2=20,-1",  "2=20.5.1,40", "2=500,40",
          "2=20,45.5", "2=nan,40",    "2=,40",    "2=20,40@", "2=20,40@-1",  "2=20,40@1x",
          "2@5=20,40", "2=20,40@5@6", "@5"}) {
        refused(ParseSensorSpec(text), text);
    }
    for (const char* text :
         {"", "drop", "drop=", "drop=-1", "drop=x", "delay=1e3", "short-chunk=0", "unplug-after=0",
          "stray=2", "list-name=", "explode=1", "drop=1@", "drop=1@x", "stray@-1", "delay=5@2"}) {
        refused(ParseFaultSpec(text), text);
    }
}

}  // namespace
}  // namespace corvalin
