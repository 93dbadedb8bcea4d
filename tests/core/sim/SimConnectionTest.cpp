// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include "SimTestSupport.h"

namespace corvalin {
namespace {

using test::Frame;

class SimConnectionTest : public test::SimTest {};

TEST_F(SimConnectionTest, AWaitingReaderWakesOnAnUnplugThatEndsTheGeneration) {
    SimulatedStation& station = Station(Options());
    const uint64_t first = station.Generation();
    // Every exchange of the other tests waits for its answer; this one waits in vain.
    auto reader = std::async(std::launch::async, [&] {
        Report report{};
        return station.NextReport(first, report, 30000);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    station.Unplug();
    // Far below the reader's own time-out: only the unplug can have ended the wait.
    ASSERT_EQ(reader.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(reader.get(), -1);
    Report report;
    EXPECT_FALSE(station.ReceiveFrame(station.Generation(), Frame(CMD_READ_SETTINGS)));
    station.Plug();  // a new generation: the old one is refused
    EXPECT_FALSE(station.ReceiveFrame(first, Frame(CMD_READ_SETTINGS)));
    EXPECT_EQ(station.NextReport(first, report, 0), -1);
    ASSERT_TRUE(station.ReceiveFrame(station.Generation(), Frame(CMD_READ_SETTINGS)));
    station.Unplug();
    station.Plug();
    EXPECT_EQ(station.NextReport(station.Generation(), report, 0), 0) << "the answer died";
}

}  // namespace
}  // namespace corvalin
