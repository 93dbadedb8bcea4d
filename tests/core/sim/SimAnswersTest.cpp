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
    Station(Options(false, {}, {{2, true, 23.4, 45}, {1, false, 0.0, 0}}));
    Report live = Read(CMD_READ_LIVE);
    EXPECT_EQ(std::vector<uint8_t>(live.begin() + 1, live.begin() + 7),
              (std::vector<uint8_t>{0x7F, 0xFF, 0xFF, 0x00, 0xEA, 0x2D}));
    // CH2 +1.0 °C and -3 %, every other channel zero.
    std::vector<uint8_t> payload(CALIBRATION_PAYLOAD_SIZE, 0);
    payload[4] = 0x0A;
    payload[5] = 0xFD;
    EXPECT_TRUE(Ask(*station_, Frame(CMD_WRITE_CALIBRATION, payload)).empty());
    EXPECT_EQ(Read(CMD_READ_LIVE)[5], 0xEA) << "a write without commit changes nothing";
    EXPECT_TRUE(Ask(*station_, Frame(CMD_COMMIT)).empty());
    live = Read(CMD_READ_LIVE);
    EXPECT_EQ(std::vector<uint8_t>(live.begin() + 4, live.begin() + 7),
              (std::vector<uint8_t>{0x00, 0xF4, 0x2A}));
}

// What a commit changes is read back by the configuration's tests; here it
// outlives the run, as do the interval, the clock and the screen.
TEST_F(SimAnswersTest, TheNextRunReadsBackWhatWasCommittedSetAndSwitched) {
    std::vector<uint8_t> settings{2, 72, 1, 2, 1, 0xF6, 1, 0, 0, 0, 0x07, 0, 0, 0, 0x80};
    settings.resize(SETTINGS_PAYLOAD_SIZE, 0);
    Station(Options(true));
    Ask(*station_, Frame(CMD_WRITE_SETTINGS, settings));
    Ask(*station_, Frame(CMD_COMMIT));
    EXPECT_TRUE(Ask(*station_, Frame(CMD_SET_INTERVAL, {30})).empty());
    EXPECT_TRUE(Ask(*station_, MakeTimeFrame(LocalCivilTime(std::time(nullptr) + 3600))).empty());
    station_->SetOnMainScreen(false);  // switched by hand: kept

    Station(Options(true));  // the next run
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.File("state")), {}), 1)
        << "no temporary file is left";
    EXPECT_EQ(Read(CMD_READ_SETTINGS), Answer(settings));
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
    EXPECT_EQ(Ask(first, Frame(CMD_READ_INTERVAL)), std::vector<Report>{Answer({45})});
    EXPECT_TRUE(first.SaveState() && second.SaveState());
    Station(Options(true));
    EXPECT_EQ(Read(CMD_READ_INTERVAL), Answer({45}));
}

TEST_F(SimAnswersTest, TheStateFileIsKeptWhenBadFilledWhenPartialAndOverriddenByOptions) {
    std::filesystem::create_directory(dir_.File("state"));
    const std::string path = Options(true).stateFile;
    for (const char* text :
         {"{ not json", R"({"alarm1": "0000000000ZZ"})", R"({"intervalMinutes": 0})"}) {
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
    // The off-main-screen option overrides the file and is not saved.
    SimOptions offMainScreen = Options(true);
    offMainScreen.notOnMainScreen = true;
    Station(offMainScreen);
    EXPECT_EQ(Read(CMD_SCREEN_STATE), Answer({1}));
    Station(Options(true));
    EXPECT_TRUE(station_->OnMainScreen());
}

// Answers under faults are read by the channel's tests; unknown frames and
// an uncommitted write are the station's own.
TEST_F(SimAnswersTest, GarbageAndAWriteCommittedAfterAnUnplugStageNothing) {
    Station(Options());
    const Report before = Read(CMD_READ_SETTINGS);
    Report noStart = Frame(CMD_READ_SETTINGS);
    noStart[0] = 0x00;
    for (const Report& frame : {Frame(0x00), Frame(0x50), noStart}) {
        EXPECT_TRUE(Ask(*station_, frame).empty());
    }
    EXPECT_EQ(station_->FramesReceived(), 4u);
    // Terminator one byte early: the payload is one short.
    Ask(*station_, Frame(CMD_WRITE_SETTINGS, std::vector<uint8_t>(SETTINGS_PAYLOAD_SIZE - 1, 1)));
    Ask(*station_, Frame(CMD_COMMIT));
    EXPECT_EQ(Read(CMD_READ_SETTINGS), before);
    Ask(*station_, Frame(CMD_WRITE_SETTINGS, std::vector<uint8_t>(SETTINGS_PAYLOAD_SIZE, 2)));
    station_->Unplug();
    station_->Plug();
    Ask(*station_, Frame(CMD_COMMIT));
    EXPECT_EQ(Read(CMD_READ_SETTINGS), before);
}

// The usual texts are read by every test with a sensor or a fault; these are
// the odd ones, and one refusal of each kind, which names the text.
TEST(SimOptions, SensorAndFaultTexts) {
    const Result<SensorSpec> timed = ParseSensorSpec("1=none@90.5");
    ASSERT_TRUE(timed) << timed.error;
    EXPECT_EQ(std::tuple(timed->channel, timed->present, timed->fromSeconds),
              std::tuple(1, false, 90.5));
    const Result<FaultSpec> fault = ParseFaultSpec("list-name=../A=B@2.CSV");
    ASSERT_TRUE(fault) << fault.error;
    EXPECT_EQ(fault->text, "../A=B@2.CSV");
    const Result<FaultSpec> later = ParseFaultSpec("drop=2@7");
    ASSERT_TRUE(later) << later.error;
    EXPECT_EQ(std::tuple(later->kind, later->value, later->after),
              std::tuple(FaultSpec::Kind::Drop, 2, std::optional<int>(7)));

    auto refused = [](const auto& result, const char* text) {
        EXPECT_FALSE(result) << text;
        EXPECT_NE(result.error.find('"' + std::string(text) + '"'), std::string::npos) << text;
    };
    for (const char* text : {"2", "9=20,40", "2=20", "2=abc,40", "2=500,40", "2=20,101",
                             "2=20,45.5", "2=20,40@-1", "2=20,40@5@6"}) {
        refused(ParseSensorSpec(text), text);
    }
    for (const char* text : {"drop", "drop=-1", "delay=1e3", "short-chunk=0", "stray=2",
                             "list-name=", "explode=1", "drop=1@x", "delay=5@2"}) {
        refused(ParseFaultSpec(text), text);
    }
}

}  // namespace
}  // namespace corvalin
