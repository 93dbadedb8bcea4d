#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "device/ReadingFormat.h"
#include "protocol/ClockSync.h"
#include "protocol/Exchanges.h"
#include "protocol/ReadCycle.h"
#include "support/SimRig.h"

namespace corvalin {
namespace {

using namespace std::chrono_literals;
using test::SimRig;
using Clock = std::chrono::steady_clock;

SimOptions WithFault(const char* text) {
    SimOptions options;
    Result<FaultSpec> fault = ParseFaultSpec(text);
    EXPECT_TRUE(fault) << fault.error;
    options.faults.push_back(*fault);
    return options;
}

TEST(ReadCycle, FillsTheRecordAndEveryCopyInOrder) {
    SimOptions options;
    options.sensors.push_back({2, true, 23.4, 45});
    SimRig rig(options);
    ASSERT_TRUE(rig.link().OpenDevice());
    RunReadCycle(rig.link(), rig.record(), rig.copies());

    EXPECT_EQ(rig.WrittenCodes(), (std::vector<uint8_t>{CMD_READ_SETTINGS, CMD_READ_INTERVAL,
                                                        CMD_READ_ALARM_1, CMD_READ_ALARM_3,
                                                        CMD_READ_ALARM_4, CMD_READ_CALIBRATION,
                                                        CMD_READ_LIVE}));
    EXPECT_EQ(rig.copies().settings.settingsCopy.Get(), rig.station().SettingsAnswer());
    EXPECT_EQ(rig.copies().settings.intervalCopy, 5);
    auto alarms = rig.copies().alarm.alarmCopy.Get();
    EXPECT_EQ(alarms[0], rig.station().AlarmAnswer(1));
    EXPECT_EQ(alarms[2], rig.station().AlarmAnswer(3));
    EXPECT_EQ(alarms[3], rig.station().AlarmAnswer(4));
    EXPECT_EQ(rig.copies().calibration.calibrationCopy.Get(), rig.station().CalibrationAnswer());

    LiveReadings readings = rig.record().Readings();
    EXPECT_FLOAT_EQ(readings.temperatureC[1], 23.4f);
    EXPECT_EQ(readings.humidityPct[1], 45);
    for (int k = 0; k < 7; ++k) EXPECT_NE(readings.temperatureC[k], NO_DATA) << k;
    EXPECT_EQ(readings.temperatureC[7], NO_DATA);
    EXPECT_EQ(readings.humidityPct[7], NO_DATA_INT);
    EXPECT_TRUE(rig.link().responseEvent.IsSet());
}

TEST(RequestWithAnswer, DroppedAnswerKeepsTheBufferAndEndsAtItsBound) {
    SimRig rig(WithFault("drop=1"));
    ASSERT_TRUE(rig.link().OpenDevice());
    rig.record().intervalMinutes = 17;  // left by an earlier answer

    const auto start = Clock::now();
    RequestWithAnswer(rig.link(), ReadCommand(CMD_READ_INTERVAL), PT_INTERVAL, SHORT_WAIT,
                      SHORT_WAIT);
    const auto waited = Clock::now() - start;
    EXPECT_GE(waited, SHORT_WAIT);
    EXPECT_LT(waited, SHORT_WAIT + 2s);
    EXPECT_EQ(rig.record().intervalMinutes, 17);
    EXPECT_TRUE(rig.link().responseEvent.IsSet());

    RequestWithAnswer(rig.link(), ReadCommand(CMD_READ_INTERVAL), PT_INTERVAL, SHORT_WAIT,
                      SHORT_WAIT);
    EXPECT_EQ(rig.record().intervalMinutes, 5);
}

TEST(RequestWithAnswer, LateAnswerUnderAnotherPendingTypeIsDropped) {
    SimRig rig(WithFault("delay=400"));
    ASSERT_TRUE(rig.link().OpenDevice());
    RequestWithAnswer(rig.link(), ReadCommand(CMD_READ_INTERVAL), PT_INTERVAL, SHORT_WAIT, 50ms);
    EXPECT_EQ(rig.record().intervalMinutes, 0);
    // The next sender's write needs no answer.
    SendWithoutAnswer(rig.link(), MakeCommandFrame(CMD_COMMIT));
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(rig.record().intervalMinutes, 0);
    EXPECT_EQ(rig.link().pendingType, PT_NO_REPLY);
}

TEST(GuardedWrite, SendsTheFramesAfterTheScreenQueryAndTheStationApplies) {
    SimRig rig;
    ASSERT_TRUE(rig.link().OpenDevice());
    Report settings = rig.station().SettingsAnswer();
    std::vector<uint8_t> payload(settings.begin() + 1, settings.begin() + 1 + SETTINGS_PAYLOAD_SIZE);
    payload[6] = 1;  // Fahrenheit

    const auto result = GuardedWrite(
        rig.link(), {MakeCommandFrame(CMD_WRITE_SETTINGS, payload), MakeCommandFrame(CMD_COMMIT)},
        rig.copies().settings.notOnMainScreen);
    EXPECT_EQ(result, GuardedWriteResult::Written);
    EXPECT_EQ(rig.WrittenCodes(),
              (std::vector<uint8_t>{CMD_SCREEN_STATE, CMD_WRITE_SETTINGS, CMD_COMMIT}));
    EXPECT_TRUE(rig.link().responseEvent.IsSet());

    RunReadCycle(rig.link(), rig.record(), rig.copies());
    EXPECT_EQ(rig.link().unitFahrenheit, 1);
}

TEST(GuardedWrite, OffTheMainScreenOnlyTheQueryGoesOut) {
    SimOptions options;
    options.notOnMainScreen = true;
    SimRig rig(options);
    ASSERT_TRUE(rig.link().OpenDevice());
    const auto result = GuardedWrite(
        rig.link(), {MakeCommandFrame(CMD_WRITE_ALARM_1), MakeCommandFrame(CMD_COMMIT)},
        rig.copies().alarm.notOnMainScreen);
    EXPECT_EQ(result, GuardedWriteResult::NotOnMainScreen);
    ASSERT_EQ(rig.Written().size(), 1u);
    EXPECT_EQ(rig.Written()[0], MakeCommandFrame(CMD_SCREEN_STATE));
    EXPECT_TRUE(rig.link().responseEvent.IsSet());
}

TEST(GuardedWrite, NotConnectedSendsNothing) {
    SimRig rig;
    rig.station().Unplug();
    ASSERT_FALSE(rig.link().OpenDevice());
    EXPECT_EQ(GuardedWrite(rig.link(), {MakeCommandFrame(CMD_COMMIT)},
                           rig.copies().settings.notOnMainScreen),
              GuardedWriteResult::NotConnected);
    EXPECT_TRUE(rig.Written().empty());
}

TEST(SyncStationClock, ScreenQueryThenTheTimeFrame) {
    SimRig rig;
    ASSERT_TRUE(rig.link().OpenDevice());
    const LocalTime at = *ParseLocalTime("2024-03-05 14:07:09");
    const auto result =
        SyncStationClock(rig.link(), rig.record().notOnMainScreen, [&] { return at; });
    EXPECT_EQ(result, ClockSyncResult::Synchronised);
    EXPECT_STREQ(ClockSyncMessage(result), "Sync Time Success.");
    ASSERT_EQ(rig.Written().size(), 2u);
    EXPECT_EQ(rig.Written()[0], MakeCommandFrame(CMD_SCREEN_STATE));
    EXPECT_EQ(rig.Written()[1], MakeTimeFrame(at));
    // The station's clock now runs years behind the computer's.
    EXPECT_LT(rig.station().ClockOffsetSeconds(), -86400);
}

TEST(SyncStationClock, RefusedOffTheMainScreen) {
    SimOptions options;
    options.notOnMainScreen = true;
    SimRig rig(options);
    ASSERT_TRUE(rig.link().OpenDevice());
    const auto result = SyncStationClock(rig.link(), rig.record().notOnMainScreen, LocalTimeNow);
    EXPECT_EQ(result, ClockSyncResult::NotOnMainScreen);
    EXPECT_STREQ(ClockSyncMessage(result), "Please switch the device to the main screen.");
    EXPECT_EQ(rig.WrittenCodes(), std::vector<uint8_t>{CMD_SCREEN_STATE});
    EXPECT_EQ(rig.station().ClockOffsetSeconds(), 0);
}

TEST(SyncStationClock, NoSuccessWhenTheStationIsLost) {
    SimRig rig;
    EXPECT_EQ(SyncStationClock(rig.link(), rig.record().notOnMainScreen, LocalTimeNow),
              ClockSyncResult::Unconnected);

    ASSERT_TRUE(rig.link().OpenDevice());
    // Removed while waiting for the poll cycle; the window re-opens on the notice.
    auto unplug = [&] {
        rig.station().Unplug();
        rig.link().OpenDevice();
    };
    const auto result =
        SyncStationClock(rig.link(), rig.record().notOnMainScreen, LocalTimeNow, unplug);
    EXPECT_EQ(result, ClockSyncResult::Lost);
    EXPECT_STREQ(ClockSyncMessage(result), "Unconnected");
    EXPECT_TRUE(rig.Written().empty());
}

TEST(SyncStationClock, NoSuccessWhenTheReaderLosesTheStation) {
    SimRig rig;
    ASSERT_TRUE(rig.link().OpenDevice());
    // Pulled out while the window is busy: no removal notice has been handled yet.
    auto unplug = [&] { rig.station().Unplug(); };
    EXPECT_EQ(SyncStationClock(rig.link(), rig.record().notOnMainScreen, LocalTimeNow, unplug),
              ClockSyncResult::Lost);
}

TEST(DeviceLinkWithStation, AnswersFlowAgainAfterReplug) {
    SimRig rig;
    ASSERT_TRUE(rig.link().OpenDevice());
    rig.station().Unplug();
    EXPECT_FALSE(rig.link().OpenDevice());
    RequestWithAnswer(rig.link(), ReadCommand(CMD_READ_INTERVAL), PT_INTERVAL, 100ms, 100ms);
    EXPECT_EQ(rig.record().intervalMinutes, 0);

    rig.station().Plug();
    ASSERT_TRUE(rig.link().OpenDevice());
    RequestWithAnswer(rig.link(), ReadCommand(CMD_READ_INTERVAL), PT_INTERVAL, SHORT_WAIT,
                      SHORT_WAIT);
    EXPECT_EQ(rig.record().intervalMinutes, 5);
}

}  // namespace
}  // namespace corvalin
