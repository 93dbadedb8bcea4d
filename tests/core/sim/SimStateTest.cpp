#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "SimTestSupport.h"
#include "sim/SimulatedStation.h"
#include "support/TempDir.h"

namespace corvalin {
namespace {

namespace fs = std::filesystem;
using test::Ask;
using test::Frame;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class SimStateTest : public ::testing::Test {
protected:
    SimOptions Options() const {
        SimOptions options;
        options.cardDir = dir_.File("card");
        options.stateFile = dir_.File("state/station.json");
        options.paceMs = 0;
        return options;
    }

    test::TempDir dir_;
};

TEST_F(SimStateTest, WhatOneRunWritesTheNextRunReads) {
    std::vector<uint8_t> settings(SETTINGS_PAYLOAD_SIZE, 0);
    settings[6] = 1;  // °F
    settings[10] = 0x3F;
    std::vector<uint8_t> calibration(CALIBRATION_PAYLOAD_SIZE, 0);
    calibration[1] = 0xF6;  // CH1 -1.0 °C
    calibration[0] = 0xFF;
    std::vector<uint8_t> alarm1{1, 1, 0, 0, 0, 0};
    std::vector<uint8_t> alarm3(ALARM_3_PAYLOAD_SIZE, 0x02);
    std::vector<uint8_t> alarm4(ALARM_4_PAYLOAD_SIZE, 33);
    Report settingsAnswer, calibrationAnswer, alarmAnswers[3];
    {
        SimulatedStation station(Options());
        ASSERT_TRUE(station.Start());
        for (const Report& frame :
             {Frame(CMD_WRITE_SETTINGS, settings), Frame(CMD_WRITE_CALIBRATION, calibration),
              Frame(CMD_WRITE_ALARM_1, alarm1), Frame(CMD_WRITE_ALARM_3, alarm3),
              Frame(CMD_WRITE_ALARM_4, alarm4), Frame(CMD_COMMIT), Frame(CMD_SET_INTERVAL, {30}),
              test::TimeFrame(std::time(nullptr) + 3600)}) {
            Ask(station, frame);
        }
        station.SetOnMainScreen(false);
        settingsAnswer = station.SettingsAnswer();
        calibrationAnswer = station.CalibrationAnswer();
        alarmAnswers[0] = station.AlarmAnswer(1);
        alarmAnswers[1] = station.AlarmAnswer(3);
        alarmAnswers[2] = station.AlarmAnswer(4);
        ASSERT_EQ(settingsAnswer[7], 1);
    }  // saved here

    ASSERT_TRUE(fs::exists(Options().stateFile));
    for (const auto& entry : fs::directory_iterator(dir_.File("state"))) {
        EXPECT_EQ(entry.path().filename(), "station.json") << "no temporary file is left";
    }
    SimulatedStation station(Options());
    Status started = station.Start();
    ASSERT_TRUE(started) << started.message;
    EXPECT_EQ(station.SettingsAnswer(), settingsAnswer);
    EXPECT_EQ(station.CalibrationAnswer(), calibrationAnswer);
    EXPECT_EQ(station.AlarmAnswer(1), alarmAnswers[0]);
    EXPECT_EQ(station.AlarmAnswer(3), alarmAnswers[1]);
    EXPECT_EQ(station.AlarmAnswer(4), alarmAnswers[2]);
    EXPECT_EQ(station.IntervalMinutes(), 30);
    EXPECT_NEAR(station.ClockOffsetSeconds(), 3600, 5);
    EXPECT_FALSE(station.OnMainScreen());
}

TEST_F(SimStateTest, NotOnMainScreenOptionOverridesTheStateFile) {
    {
        SimulatedStation station(Options());
        ASSERT_TRUE(station.Start());
        ASSERT_TRUE(station.SaveState());
    }
    SimOptions options = Options();
    options.notOnMainScreen = true;
    SimulatedStation station(options);
    ASSERT_TRUE(station.Start());
    EXPECT_FALSE(station.OnMainScreen());
    EXPECT_EQ(Ask(station, Frame(CMD_SCREEN_STATE)).at(0)[1], 1);
}

TEST_F(SimStateTest, BadStateFileIsReportedAndNeverOverwritten) {
    fs::create_directory(dir_.File("state"));
    const std::string path = Options().stateFile;
    for (const std::string& text :
         {std::string("{ not json"), std::string("[1, 2]"), std::string(R"({"settings": "00"})"),
          std::string(R"({"calibration": 5})"), std::string(R"({"alarm1": "0000000000ZZ"})"),
          std::string(R"({"intervalMinutes": 0})"), std::string(R"({"onMainScreen": "yes"})")}) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
        {
            SimulatedStation station(Options());
            Status started = station.Start();
            EXPECT_FALSE(started) << text;
            EXPECT_NE(started.message.find(path), std::string::npos) << started.message;
            EXPECT_FALSE(station.SaveState()) << text;
        }
        EXPECT_EQ(ReadFile(path), text) << "the station's exit keeps the user's file";
    }
}

TEST_F(SimStateTest, PartialStateFileKeepsDefaultsForWhatItLacks) {
    fs::create_directory(dir_.File("state"));
    std::ofstream(Options().stateFile) << R"({"intervalMinutes": 15})";
    SimulatedStation station(Options());
    ASSERT_TRUE(station.Start());
    EXPECT_EQ(station.IntervalMinutes(), 15);
    EXPECT_EQ(station.AlarmAnswer(3)[1], 0x01);
    EXPECT_TRUE(station.OnMainScreen());
}

}  // namespace
}  // namespace corvalin

namespace corvalin {
namespace {

TEST(SimStateFile, OffMainScreenOptionIsNotSaved) {
    test::TempDir dir;
    SimOptions options;
    options.cardDir = dir.File("card");
    options.stateFile = dir.File("state.json");
    options.notOnMainScreen = true;
    {
        SimulatedStation station(options);
        ASSERT_TRUE(station.Start());
        EXPECT_FALSE(station.OnMainScreen());
    }
    options.notOnMainScreen = false;
    {
        SimulatedStation station(options);
        ASSERT_TRUE(station.Start());
        EXPECT_TRUE(station.OnMainScreen());
        station.SetOnMainScreen(false);  // switched by hand: kept
    }
    SimulatedStation station(options);
    ASSERT_TRUE(station.Start());
    EXPECT_FALSE(station.OnMainScreen());
}

}  // namespace
}  // namespace corvalin
