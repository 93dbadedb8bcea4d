// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <tuple>

#include "common/Messages.h"
#include "config/AlarmForm.h"
#include "config/ConfigSave.h"
#include "config/IntervalSetting.h"
#include "support/ChannelRig.h"

namespace corvalin {
namespace {

TEST(SaveForm, TheChecksThenTheGuardedWriteInWords) {
    SimOptions offMain;
    offMain.notOnMainScreen = true;
    const std::vector<uint8_t> all = {CMD_SCREEN_STATE, CMD_WRITE_ALARM_1, CMD_WRITE_ALARM_3,
                                      CMD_WRITE_ALARM_4, CMD_COMMIT};
    const SimOptions lost = test::WithFault("unplug-after=1"), dropped = test::WithFault("drop=1");
    const std::vector<uint8_t> query = {CMD_SCREEN_STATE};
    using R = SaveResult;
    // The station goes after answering the screen query (whether before or
    // during the frames is the channel's to tell), or does not answer it.
    // clang-format off
    const std::tuple<SimOptions, bool, const char*, R, const char*, std::vector<uint8_t>> rows[] = {
        {{}, true, "20", R::Written, "", all},
        {{}, true, "--", R::CheckFailed, messages::HUMI_ERROR, {}},
        {offMain, true, "20", R::NotOnMainScreen, messages::SWITCH_TO_MAIN_SCREEN, query},
        {lost, true, "20", R::Lost, messages::UNCONNECTED, query},
        {dropped, true, "20", R::NoAnswer, messages::NO_ANSWER_NOTHING_WRITTEN, query},
        {{}, false, "20", R::NotConnected, messages::UNCONNECTED, {}},
    };
    // clang-format on
    for (const auto& [options, open, humidityLow, result, message, written] : rows) {
        test::ChannelRig rig(options);
        ASSERT_TRUE(!open || rig.Open()) << message;
        SimulatedStation& station = rig.station();
        AlarmForm form;
        form.Fill(
            {station.AlarmAnswer(1), Report{}, station.AlarmAnswer(3), station.AlarmAnswer(4)},
            true, 0);
        form.humidityAlarm = 1;
        form.channels[4].humidityLow = humidityLow;
        const SaveOutcome outcome = SaveForm(form, rig.channel);
        const R got = open && outcome.result == R::NotConnected ? R::Lost : outcome.result;
        EXPECT_EQ(got, result) << message;
        EXPECT_EQ(outcome.message, message);
        EXPECT_EQ(outcome.ClosesDialog(), result != R::CheckFailed) << message;
        EXPECT_EQ(rig.WrittenCodes(), written) << message;
        // Only a written save reaches the station.
        EXPECT_EQ(station.AlarmAnswer(1)[1], result == R::Written ? 1 : 0) << message;
    }
}

TEST(SetLoggingInterval, RangeFirstThenOneUnansweredFrame) {
    // 2^32 + 5 must not wrap into the range.
    const std::pair<const char*, std::optional<uint8_t>> rows[] = {
        {"4", {}},  {"5", 5},    {" 30min", 30}, {"240", 240},       {"241", {}},
        {"-5", {}}, {"abc", {}}, {"", {}},       {"4294967301", {}},
    };
    for (const auto& [text, minutes] : rows) EXPECT_EQ(IntervalFromText(text), minutes) << text;

    test::ChannelRig rig;
    EXPECT_EQ(SetLoggingInterval(rig.channel, "4"), IntervalResult::OutOfRange);
    EXPECT_EQ(SetLoggingInterval(rig.channel, "240"), IntervalResult::Unconnected);
    EXPECT_TRUE(rig.Written().empty());
    ASSERT_TRUE(rig.Open());
    EXPECT_EQ(SetLoggingInterval(rig.channel, "240"), IntervalResult::Set);
    ASSERT_EQ(rig.Written().size(), 1u);
    const Report frame = rig.Written()[0];
    EXPECT_EQ(std::vector<uint8_t>(frame.begin(), frame.begin() + 6),
              (std::vector<uint8_t>{0x7B, 0x40, 0xF0, 0x40, 0x7D, 0x00}));
    EXPECT_EQ(rig.station().IntervalMinutes(), 240);

    // Gone before the frame: no success.
    rig.station().Unplug();
    EXPECT_EQ(SetLoggingInterval(rig.channel, "30"), IntervalResult::Unconnected);
    // The faces show the other messages; this one never reads as a success.
    EXPECT_STREQ(IntervalMessage(IntervalResult::Unconnected), "Unconnected");
}

}  // namespace
}  // namespace corvalin
