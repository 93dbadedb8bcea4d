#include <gtest/gtest.h>

#include "config/AlarmForm.h"
#include "config/ConfigSave.h"
#include "config/IntervalSetting.h"
#include "config/SettingsForm.h"
#include "protocol/ReadCycle.h"
#include "support/SimRig.h"

namespace corvalin {
namespace {

using test::SimRig;

// A rig whose copies hold a fresh read cycle, as when a dialog opens.
struct ReadRig {
    explicit ReadRig(SimOptions options = {}) : rig(options) {
        EXPECT_TRUE(rig.link().OpenDevice());
        RunReadCycle(rig.link(), rig.record(), rig.copies());
        rig.ClearWritten();
    }
    bool connected() { return rig.link().connected == 1; }
    SimRig rig;
};

TEST(SaveForm, SettingsAreWrittenAndCommitted) {
    ReadRig r;
    SettingsForm form;
    form.Fill(r.rig.copies().settings.settingsCopy.Get(), r.rig.copies().settings.intervalCopy,
              r.connected());
    form.unit = 1;
    const SaveOutcome outcome =
        SaveForm(form, r.rig.link(), r.rig.copies().settings.notOnMainScreen);
    EXPECT_EQ(outcome.result, SaveResult::Written);
    EXPECT_EQ(outcome.message, "");
    EXPECT_TRUE(outcome.ClosesDialog());
    EXPECT_EQ(r.rig.WrittenCodes(),
              (std::vector<uint8_t>{CMD_SCREEN_STATE, CMD_WRITE_SETTINGS, CMD_COMMIT}));
    EXPECT_EQ(r.rig.station().SettingsAnswer()[7], 1);
}

TEST(SaveForm, OffTheMainScreenOnlyTheQueryGoesOutAndTheDialogCloses) {
    SimOptions options;
    options.notOnMainScreen = true;
    ReadRig r(options);
    const Report before = r.rig.station().SettingsAnswer();
    SettingsForm form;
    form.Fill(r.rig.copies().settings.settingsCopy.Get(), 5, r.connected());
    form.unit = 1;
    const SaveOutcome outcome =
        SaveForm(form, r.rig.link(), r.rig.copies().settings.notOnMainScreen);
    EXPECT_EQ(outcome.result, SaveResult::NotOnMainScreen);
    EXPECT_EQ(outcome.message, "Please switch the device to the main screen.");
    EXPECT_TRUE(outcome.ClosesDialog());
    ASSERT_EQ(r.rig.Written().size(), 1u);
    EXPECT_EQ(r.rig.Written()[0], MakeCommandFrame(CMD_SCREEN_STATE));
    EXPECT_EQ(r.rig.station().SettingsAnswer(), before);
}

TEST(SaveForm, AFailedCheckSendsNothingAndKeepsTheDialogOpen) {
    ReadRig r;
    AlarmForm form;
    form.Fill(r.rig.copies().alarm.alarmCopy.Get(), r.connected(), r.rig.link().unitFahrenheit);
    form.channels[4].humidityLow = "--";
    const SaveOutcome outcome = SaveForm(form, r.rig.link(), r.rig.copies().alarm.notOnMainScreen);
    EXPECT_EQ(outcome.result, SaveResult::CheckFailed);
    EXPECT_EQ(outcome.message, "Humi Error.");
    EXPECT_FALSE(outcome.ClosesDialog());
    EXPECT_TRUE(r.rig.Written().empty());
}

TEST(SaveForm, NotConnectedSendsNothing) {
    SimRig rig;
    rig.station().Unplug();
    ASSERT_FALSE(rig.link().OpenDevice());
    SettingsForm form;
    form.Fill(Report{}, 0, false);
    const SaveOutcome outcome = SaveForm(form, rig.link(), rig.copies().settings.notOnMainScreen);
    EXPECT_EQ(outcome.result, SaveResult::NotConnected);
    EXPECT_EQ(outcome.message, "Unconnected");
    EXPECT_TRUE(rig.Written().empty());
}

TEST(SetLoggingInterval, RangeFirstThenTheSingleFrame) {
    SimRig rig;
    for (const char* text : {"4", "241", "abc", ""}) {
        EXPECT_EQ(SetLoggingInterval(rig.link(), text), IntervalResult::OutOfRange) << text;
    }
    EXPECT_STREQ(IntervalMessage(IntervalResult::OutOfRange),
                 "Interval Range of values: 5 to 240 Minute");
    EXPECT_EQ(SetLoggingInterval(rig.link(), "240"), IntervalResult::Unconnected);
    EXPECT_STREQ(IntervalMessage(IntervalResult::Unconnected), "Unconnected");
    EXPECT_TRUE(rig.Written().empty());

    ASSERT_TRUE(rig.link().OpenDevice());
    EXPECT_EQ(SetLoggingInterval(rig.link(), "240"), IntervalResult::Set);
    EXPECT_STREQ(IntervalMessage(IntervalResult::Set), "Set Interval Success.");
    ASSERT_EQ(rig.Written().size(), 1u);
    EXPECT_EQ(rig.Written()[0], MakeIntervalFrame(240));
    EXPECT_EQ(rig.station().IntervalMinutes(), 240);
    EXPECT_TRUE(rig.link().responseEvent.IsSet());
}

}  // namespace
}  // namespace corvalin
