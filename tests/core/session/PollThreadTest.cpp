// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "session/PollThread.h"
#include "support/Eventually.h"
#include "support/SimRig.h"

namespace corvalin {
namespace {

using namespace std::chrono_literals;

using test::Eventually;

// Each turn repaints; a cycle reads at once, then every twentieth turn.
TEST(PollThread, NoCycleWhileUnconnectedOrADialogIsOpenThenOneAtOnceAndEveryTwentiethTurn) {
    test::SimRig rig;
    rig.station().Unplug();
    ASSERT_FALSE(rig.session().Open());
    std::atomic<int> repaints{0};
    PollThread poll(
        rig.session(), [&] { ++repaints; }, 5ms);
    poll.Start();
    ASSERT_TRUE(Eventually([&] { return repaints >= 30; }));  // the counter is past its mark
    EXPECT_EQ(poll.CyclesRun(), 0u);
    poll.dialogOpen = true;
    rig.station().Plug();
    ASSERT_TRUE(rig.session().Open());
    rig.ClearWritten();
    const int seen = repaints;
    ASSERT_TRUE(Eventually([&] { return repaints >= seen + 30; }));
    EXPECT_EQ(poll.CyclesRun(), 0u);
    EXPECT_TRUE(rig.Written().empty());
    const int beforeFirst = repaints;
    poll.dialogOpen = false;
    ASSERT_TRUE(Eventually([&] { return poll.CyclesRun() >= 1; }));
    EXPECT_NE(rig.session().Readings().temperatureC[0], 65535.0f);
    ASSERT_TRUE(Eventually([&] { return poll.CyclesRun() >= 2; }));
    EXPECT_GE(repaints - beforeFirst, 20);  // twenty turns between cycles, each repainted
    poll.Stop();
    const auto codes = rig.WrittenCodes();
    EXPECT_EQ(std::count(codes.begin(), codes.end(), CMD_READ_LIVE), 2);
}

TEST(PollThread, MenuCommandWaitsForARunningCycle) {
    SimOptions slow;
    slow.faults.push_back(*ParseFaultSpec("drop=1"));  // the settings answer never comes
    test::SimRig rig(slow);
    ASSERT_TRUE(rig.session().Open());
    PollThread poll(rig.session(), {}, 5ms);
    poll.Start();
    ASSERT_TRUE(Eventually([&] { return !poll.pollIdleEvent.IsSet(); }));
    const auto start = std::chrono::steady_clock::now();
    poll.WaitForIdle(300ms);  // gives up on the cycle after its bound
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, 250ms);
    EXPECT_TRUE(poll.pollIdleEvent.IsSet());
}

}  // namespace
}  // namespace corvalin
