#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <vector>

#include "SimTestSupport.h"
#include "sim/SimulatedStation.h"
#include "support/TempDir.h"

namespace corvalin {
namespace {

using test::Ask;
using test::Bytes;
using test::Frame;

class SimAnswersTest : public ::testing::Test {
protected:
    SimulatedStation& Station(std::vector<SensorSpec> sensors = {},
                              std::vector<FaultSpec> faults = {}) {
        SimOptions options;
        options.cardDir = dir_.File("card");
        options.paceMs = 0;
        options.sensors = std::move(sensors);
        options.faults = std::move(faults);
        station_ = std::make_unique<SimulatedStation>(options);
        Status started = station_->Start();
        EXPECT_TRUE(started) << started.message;
        return *station_;
    }

    // The single report answering a read command.
    Report Read(uint8_t code) {
        auto answer = Ask(*station_, Frame(code));
        EXPECT_EQ(answer.size(), 1u) << "command " << int(code);
        return answer.empty() ? Report{} : answer.front();
    }

    test::TempDir dir_;
    std::unique_ptr<SimulatedStation> station_;
};

TEST_F(SimAnswersTest, DefaultStationAnswersEveryReadInItsLayout) {
    Station();
    EXPECT_EQ(Read(CMD_READ_SETTINGS), Bytes({0x7B, 0, 24, 0, 0, 0, 0, 0, 0x00, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(Read(CMD_READ_INTERVAL), Bytes({0x7B, 5}));
    EXPECT_EQ(Read(CMD_READ_ALARM_1), Bytes({0x7B, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}));
    std::vector<uint8_t> block3{0x7B}, block4{0x7B};
    for (int k = 0; k < 8; ++k) {
        block3.insert(block3.end(), {0x01, 0x90, 0xFF, 0x9C});  // 40.0 and -10.0 °C
        block4.insert(block4.end(), {90, 10});
    }
    EXPECT_EQ(Read(CMD_READ_ALARM_3), Bytes(block3));
    EXPECT_EQ(Read(CMD_READ_ALARM_4), Bytes(block4));
    EXPECT_EQ(Read(CMD_READ_CALIBRATION), Bytes({0x7B}));
    EXPECT_EQ(Read(CMD_SCREEN_STATE), Bytes({0x7B, 0}));
    station_->SetOnMainScreen(false);
    EXPECT_EQ(Read(CMD_SCREEN_STATE), Bytes({0x7B, 1}));
}

TEST_F(SimAnswersTest, DefaultSensorsAreDistinctAndPlausibleAndCh8IsEmpty) {
    Station();
    const Report live = Read(CMD_READ_LIVE);
    EXPECT_EQ(live[0], 0x7B);
    std::vector<int> temperatures;
    for (int k = 0; k < 7; ++k) {
        const int tenths = static_cast<int16_t>(live[1 + 3 * k] << 8 | live[2 + 3 * k]);
        EXPECT_GE(tenths, -100) << "CH" << k + 1;
        EXPECT_LE(tenths, 300) << "CH" << k + 1;
        EXPECT_GE(live[3 + 3 * k], 1) << "CH" << k + 1;
        EXPECT_LE(live[3 + 3 * k], 99) << "CH" << k + 1;
        for (int other : temperatures) EXPECT_NE(other, tenths) << "CH" << k + 1;
        temperatures.push_back(tenths);
    }
    EXPECT_EQ(live[22], 0x7F);
    EXPECT_EQ(live[23], 0xFF);
    EXPECT_EQ(live[24], 0xFF);
}

TEST_F(SimAnswersTest, FixedSensorsReadExactlyAndCalibrationIsAddedAfterCommit) {
    Station({{2, true, 23.4, 45}, {3, true, -20.0, 30}, {1, false, 0.0, 0}});
    Report live = Read(CMD_READ_LIVE);
    EXPECT_EQ(std::vector<uint8_t>(live.begin() + 1, live.begin() + 10),
              (std::vector<uint8_t>{0x7F, 0xFF, 0xFF, 0x00, 0xEA, 0x2D, 0xFF, 0x38, 0x1E}));

    // CH2 +1.0 °C and -3 %, CH3 "no value" (counts as none), every other channel zero.
    std::vector<uint8_t> payload(CALIBRATION_PAYLOAD_SIZE, 0);
    payload[3] = 0x00;
    payload[4] = 0x0A;
    payload[5] = 0xFD;
    payload[6] = 0xFF;
    payload[7] = 0xFF;
    EXPECT_TRUE(Ask(*station_, Frame(CMD_WRITE_CALIBRATION, payload)).empty());
    live = Read(CMD_READ_LIVE);
    EXPECT_EQ(live[5], 0xEA) << "a write without commit changes nothing";

    EXPECT_TRUE(Ask(*station_, Frame(CMD_COMMIT)).empty());
    live = Read(CMD_READ_LIVE);
    EXPECT_EQ(std::vector<uint8_t>(live.begin() + 4, live.begin() + 10),
              (std::vector<uint8_t>{0x00, 0xF4, 0x2A, 0xFF, 0x38, 0x1E}));
    Report calibration = Read(CMD_READ_CALIBRATION);
    EXPECT_EQ(std::vector<uint8_t>(calibration.begin() + 1, calibration.begin() + 25), payload);

    station_->SetSensor({2, true, -0.5, 100});  // offsets still apply to a new reading
    live = Read(CMD_READ_LIVE);
    EXPECT_EQ(live[4], 0x00);
    EXPECT_EQ(live[5], 0x05);
    EXPECT_EQ(live[6], 97);
}

TEST_F(SimAnswersTest, ConfigurationWritesTakeEffectOnlyOnCommit) {
    Station();
    const Report settingsBefore = Read(CMD_READ_SETTINGS);
    // Payload = answer bytes 1..27: graph 2, span 72, formats 1/2, DST on, zone -10, °F,
    // area 2 = CH3 dew point.
    std::vector<uint8_t> settings{2, 72, 1, 2, 1, 0xF6, 1, 0, 0, 0, 0x07, 0, 0, 0, 0x80};
    settings.resize(SETTINGS_PAYLOAD_SIZE, 0);
    std::vector<uint8_t> alarm1{1, 0, 0x81, 0x00, 0xFF, 0x02};
    std::vector<uint8_t> alarm3(ALARM_3_PAYLOAD_SIZE, 0);
    alarm3[0] = 0x00;
    alarm3[1] = 0xFD;
    alarm3[2] = 0xFE;
    alarm3[3] = 0x70;
    std::vector<uint8_t> alarm4(ALARM_4_PAYLOAD_SIZE, 50);
    alarm4[15] = 1;

    for (const Report& frame :
         {Frame(CMD_WRITE_SETTINGS, settings), Frame(CMD_WRITE_ALARM_1, alarm1),
          Frame(CMD_WRITE_ALARM_3, alarm3), Frame(CMD_WRITE_ALARM_4, alarm4)}) {
        EXPECT_TRUE(Ask(*station_, frame).empty()) << "writes are not answered";
    }
    EXPECT_EQ(Read(CMD_READ_SETTINGS), settingsBefore);
    EXPECT_EQ(Read(CMD_READ_ALARM_1), Bytes({0x7B, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}));

    Ask(*station_, Frame(CMD_COMMIT));
    auto withLead = [](std::vector<uint8_t> payload) {
        payload.insert(payload.begin(), 0x7B);
        return Bytes(payload);
    };
    EXPECT_EQ(Read(CMD_READ_SETTINGS), withLead(settings));
    EXPECT_EQ(Read(CMD_READ_ALARM_1), withLead(alarm1));
    EXPECT_EQ(Read(CMD_READ_ALARM_3), withLead(alarm3));
    EXPECT_EQ(Read(CMD_READ_ALARM_4), withLead(alarm4));
    EXPECT_EQ(station_->SettingsAnswer(), withLead(settings));

    // A second commit with nothing staged changes nothing.
    Ask(*station_, Frame(CMD_COMMIT));
    EXPECT_EQ(Read(CMD_READ_SETTINGS), withLead(settings));
}

TEST_F(SimAnswersTest, MisplacedTerminatorsAndUnpluggedCommitsStageNothing) {
    Station();
    const Report before = Read(CMD_READ_SETTINGS);
    // Terminator one byte early: the payload is one short.
    std::vector<uint8_t> shortPayload(SETTINGS_PAYLOAD_SIZE - 1, 0x11);
    Ask(*station_, Frame(CMD_WRITE_SETTINGS, shortPayload));
    Ask(*station_, Frame(CMD_COMMIT));
    EXPECT_EQ(Read(CMD_READ_SETTINGS), before);

    // A write whose commit comes only after an unplug is lost with the power.
    std::vector<uint8_t> payload(SETTINGS_PAYLOAD_SIZE, 0x22);
    Ask(*station_, Frame(CMD_WRITE_SETTINGS, payload));
    station_->Unplug();
    station_->Plug();
    Ask(*station_, Frame(CMD_COMMIT));
    EXPECT_EQ(Read(CMD_READ_SETTINGS), before);
}

TEST_F(SimAnswersTest, IntervalAndClockChangeAtOnceWithoutAnswer) {
    Station();
    EXPECT_TRUE(Ask(*station_, Frame(CMD_SET_INTERVAL, {30})).empty());
    EXPECT_EQ(Read(CMD_READ_INTERVAL), Bytes({0x7B, 30}));
    Ask(*station_, Frame(CMD_SET_INTERVAL, {240}));
    EXPECT_EQ(station_->IntervalMinutes(), 240);
    for (uint8_t bad : {0, 4, 241}) {
        Ask(*station_, Frame(CMD_SET_INTERVAL, {bad}));
        EXPECT_EQ(station_->IntervalMinutes(), 240) << int(bad);
    }

    EXPECT_EQ(station_->ClockOffsetSeconds(), 0);
    EXPECT_TRUE(Ask(*station_, test::TimeFrame(std::time(nullptr) + 7200)).empty());
    EXPECT_NEAR(station_->ClockOffsetSeconds(), 7200, 5);
    Ask(*station_, test::TimeFrame(std::time(nullptr) - 86400));
    EXPECT_NEAR(station_->ClockOffsetSeconds(), -86400, 5);

    // 30 February and 24:00 are refused, not rolled over into another date.
    Ask(*station_, Frame(CMD_SET_TIME, {0x07, 0xE8, 2, 30, 12, 0, 0, 5}));
    Ask(*station_, Frame(CMD_SET_TIME, {0x07, 0xE8, 3, 5, 24, 0, 0, 2}));
    EXPECT_NEAR(station_->ClockOffsetSeconds(), -86400, 5);
}

TEST_F(SimAnswersTest, UnknownCodesAndGarbageGetNoAnswer) {
    Station();
    for (uint8_t code : {0x00, 0x07, 0x13, 0x50, 0xFF}) {
        EXPECT_TRUE(Ask(*station_, Frame(code)).empty()) << int(code);
    }
    Report noStart = Frame(CMD_READ_SETTINGS);
    noStart[0] = 0x00;
    EXPECT_TRUE(Ask(*station_, noStart).empty());
    EXPECT_EQ(station_->FramesReceived(), 6u);
}

TEST_F(SimAnswersTest, DroppedAnswersStillLetTheCommandWork) {
    Station({}, {{FaultSpec::Kind::Drop, 2, ""}});
    EXPECT_TRUE(Ask(*station_, Frame(CMD_READ_SETTINGS)).empty());
    EXPECT_TRUE(Ask(*station_, Frame(CMD_SET_INTERVAL, {60})).empty());  // counts as one
    EXPECT_EQ(Read(CMD_READ_INTERVAL), Bytes({0x7B, 60}));
    EXPECT_EQ(Read(CMD_READ_INTERVAL), Bytes({0x7B, 60}));
}

TEST_F(SimAnswersTest, StrayReportPrecedesEachAnswer) {
    Station({}, {{FaultSpec::Kind::Stray, 0, ""}});
    for (int i = 0; i < 2; ++i) {
        auto answer = Ask(*station_, Frame(CMD_READ_INTERVAL));
        ASSERT_EQ(answer.size(), 2u);
        EXPECT_EQ(answer[0], Bytes({0x7B, 0xEE}));
        EXPECT_EQ(answer[1], Bytes({0x7B, 5}));
    }
    EXPECT_TRUE(Ask(*station_, Frame(CMD_COMMIT)).empty()) << "no stray without an answer";
}

TEST_F(SimAnswersTest, DelayedAnswerIsHeldBackThenDelivered) {
    Station({}, {{FaultSpec::Kind::Delay, 1500, ""}});
    const uint64_t generation = station_->Generation();
    ASSERT_TRUE(station_->ReceiveFrame(generation, Frame(CMD_READ_INTERVAL)));
    Report report;
    EXPECT_EQ(station_->NextReport(generation, report, 0), 0);
    ASSERT_EQ(station_->NextReport(generation, report, 30000), 1);
    EXPECT_EQ(report, Bytes({0x7B, 5}));
}

}  // namespace
}  // namespace corvalin
