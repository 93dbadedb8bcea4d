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

// What a commit changes is read back by the configuration's tests; here a
// write waits for its commit, and it outlives the run, as do the interval,
// the clock and the screen. Garbage, a write cut short (terminator one byte
// early) and one made before an unplug stage nothing.
TEST_F(SimAnswersTest, WholeWritesTakeEffectAtTheCommitAndTheNextRunReadsThemBack) {
    std::vector<uint8_t> settings{2, 72, 1, 2, 1, 0xF6, 1, 0, 0, 0, 0x07, 0, 0, 0, 0x80};
    settings.resize(SETTINGS_PAYLOAD_SIZE, 0);
    // CH2 +1.0 °C and -3 %, every other channel zero.
    std::vector<uint8_t> calibration(CALIBRATION_PAYLOAD_SIZE, 0);
    calibration[4] = 0x0A;
    calibration[5] = 0xFD;
    Station(Options(true, {}, {{2, true, 23.4, 45}}));
    const Report alarm1 = Read(CMD_READ_ALARM_1), alarm3 = Read(CMD_READ_ALARM_3);
    Ask(*station_, Frame(CMD_WRITE_ALARM_3, std::vector<uint8_t>(ALARM_3_PAYLOAD_SIZE, 2)));
    station_->Unplug();
    station_->Plug();
    Report noStart = Frame(CMD_WRITE_ALARM_1, std::vector<uint8_t>(ALARM_1_PAYLOAD_SIZE, 1));
    noStart[0] = 0x00;
    for (const Report& frame :
         {Frame(0x50), noStart,
          Frame(CMD_WRITE_ALARM_1, std::vector<uint8_t>(ALARM_1_PAYLOAD_SIZE - 1, 1))}) {
        EXPECT_TRUE(Ask(*station_, frame).empty());
    }
    EXPECT_TRUE(Ask(*station_, Frame(CMD_WRITE_CALIBRATION, calibration)).empty());
    Ask(*station_, Frame(CMD_WRITE_SETTINGS, settings));
    EXPECT_EQ(Read(CMD_READ_LIVE)[5], 0xEA) << "a write without commit changes nothing";
    EXPECT_TRUE(Ask(*station_, Frame(CMD_COMMIT)).empty());
    const Report live = Read(CMD_READ_LIVE);
    EXPECT_EQ(std::vector<uint8_t>(live.begin() + 4, live.begin() + 7),
              (std::vector<uint8_t>{0x00, 0xF4, 0x2A}));
    EXPECT_EQ(std::pair(Read(CMD_READ_ALARM_1), Read(CMD_READ_ALARM_3)), std::pair(alarm1, alarm3));
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
