// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "common/ZonedTime.h"
#include "support/SimRig.h"

namespace corvalin {
namespace {

bool AllEmpty(const LiveReadings& readings) {
    return std::ranges::all_of(readings.temperatureC, [](auto t) { return t == NO_DATA; }) &&
           std::ranges::all_of(readings.humidityPct, [](auto h) { return h == NO_DATA_INT; });
}

TEST(StationSession, NoSaveBuildsOnABlockTheLastReadDidNotGet) {
    SimOptions options;
    options.faults.push_back(*ParseFaultSpec("drop=1"));
    test::SimRig rig(options);
    ASSERT_TRUE(rig.session().Open());
    AlarmForm stale;
    rig.session().Load(stale);  // before any read: nothing of the station's
    rig.session().ReadStation();
    EXPECT_FALSE(rig.session().LastRead().AlarmsFresh());
    // A clean exchange since (the clock) does not make the old read whole.
    rig.session().SyncClock(LocalTimeNow);
    rig.ClearWritten();
    const SaveOutcome saved = rig.session().Save(stale);
    EXPECT_EQ(saved.result, SaveResult::NoAnswer);
    EXPECT_EQ(saved.message, "The station did not answer; nothing was written.");
    EXPECT_TRUE(rig.Written().empty());
}

// What the dialogs show of the last read is the window tests' to check.
TEST(StationSession, FollowsTheStationOutAndInAndItsDateFormat) {
    test::SimRig rig;
    StationSession& session = rig.session();
    ASSERT_TRUE(session.Open());
    session.ReadStation();
    ASSERT_FALSE(AllEmpty(session.Readings()));
    // The card logs' date order is the station's date format.
    EXPECT_EQ(session.LogDateOrder(), DateOrder::MonthFirst);
    SettingsForm settings;
    session.Load(settings);
    settings.dateFormat = 2;  // DD-MM-YYYY
    EXPECT_EQ(session.Save(settings).result, SaveResult::Written);
    session.ReadStation();
    EXPECT_EQ(session.LogDateOrder(), DateOrder::DayFirst);

    // Another HID device came: nothing to do while connected.
    EXPECT_EQ(session.HandleDeviceChange(DeviceEvent::Arrival), std::nullopt);
    // Another HID device went: the station is opened again and stays.
    EXPECT_EQ(session.HandleDeviceChange(DeviceEvent::Removal), true);
    EXPECT_FALSE(AllEmpty(session.Readings()));
    EXPECT_EQ(session.CheckForDeviceChange(), std::nullopt);

    rig.station().Unplug();
    EXPECT_EQ(session.HandleDeviceChange(DeviceEvent::Removal), false);
    EXPECT_TRUE(AllEmpty(session.Readings()));
    // No longer connected: a removal is not for it, and it looks for an arrival.
    EXPECT_EQ(session.HandleDeviceChange(DeviceEvent::Removal), std::nullopt);
    EXPECT_EQ(session.CheckForDeviceChange(), false);

    rig.station().Plug();
    EXPECT_EQ(session.CheckForDeviceChange(), true);
    session.ReadStation();
    EXPECT_FALSE(AllEmpty(session.Readings()));
}

// Of several stations, one is chosen; each is asked only while no other
// program is in an exchange.
TEST(StationSession, TheChosenOfSeveralStationsIsOpenedAndNoneAskedDuringAnotherExchange) {
    SimOptions options;
    options.serial = "A";
    options.secondStations = {"B"};
    test::SimRig rig(options);
    DeviceLock otherProgram;
    auto held = std::make_unique<DeviceLock::Hold>(otherProgram.Acquire(rig.station().CardDir()));
    std::vector<DeviceCandidate> listed;
    std::thread listing([&] { listed = rig.session().ListDevices(); });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(rig.station().FramesReceived(), 0u);
    held.reset();
    listing.join();
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[0].answer, StationAnswer::Answered);
    EXPECT_EQ(listed[1].answer, StationAnswer::Answered);
    EXPECT_EQ(rig.station().FramesReceived(), 2u);

    EXPECT_FALSE(rig.session().Open());
    const std::vector<DeviceCandidate> several = rig.session().StationsToChooseFrom();
    ASSERT_EQ(several.size(), 2u);
    EXPECT_EQ(several[1].serial, "B");
    rig.session().Choose({"", "B"});
    ASSERT_TRUE(rig.session().Open());
    EXPECT_EQ(rig.session().Serial(), "B");
    EXPECT_TRUE(rig.session().StationsToChooseFrom().empty());
}

}  // namespace
}  // namespace corvalin
