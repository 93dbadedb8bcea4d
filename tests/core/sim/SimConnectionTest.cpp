// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <filesystem>
#include <future>
#include <thread>

#include "SimTestSupport.h"
#include "sim/SimTransport.h"

namespace corvalin {
namespace {

using test::Frame;

class SimConnectionTest : public test::SimTest {};

TEST_F(SimConnectionTest, AWaitingReaderWakesForAReportAndOnAnUnplugThatEndsTheGeneration) {
    SimulatedStation& station = Station(Options());
    const uint64_t first = station.Generation();
    auto read = [&] {
        return std::async(std::launch::async, [&] {
            Report report{};
            const int got = station.NextReport(first, report, 30000);
            return std::make_pair(got, report);
        });
    };
    auto reader = read();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(station.ReceiveFrame(first, Frame(CMD_SCREEN_STATE)));
    EXPECT_EQ(reader.get(), std::make_pair(1, test::Answer({0})));
    reader = read();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    station.Unplug();
    // Far below the reader's own time-out: only the unplug can have ended the wait.
    ASSERT_EQ(reader.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(reader.get().first, -1);
    Report report;
    EXPECT_FALSE(station.ReceiveFrame(station.Generation(), Frame(CMD_READ_SETTINGS)));
    station.Plug();
    const uint64_t second = station.Generation();
    EXPECT_NE(second, first);
    EXPECT_FALSE(station.ReceiveFrame(first, Frame(CMD_READ_SETTINGS)));
    EXPECT_EQ(station.NextReport(first, report, 0), -1);
    ASSERT_TRUE(station.ReceiveFrame(second, Frame(CMD_READ_SETTINGS)));
    station.Unplug();
    station.Plug();
    EXPECT_EQ(station.NextReport(station.Generation(), report, 0), 0) << "the answer died";
    EXPECT_EQ(test::Ask(station, Frame(CMD_READ_INTERVAL)), std::vector{test::Answer({5})});

    // The unplug-after fault unplugs once, after that many reports (of the eight logs' list).
    Station(Options(false, {{FaultSpec::Kind::UnplugAfter, 3, ""}}));
    const uint64_t generation = station_->Generation();
    ASSERT_TRUE(station_->ReceiveFrame(generation, Frame(CMD_FILE_LIST)));
    for (int i = 0; i < 3; ++i) ASSERT_EQ(station_->NextReport(generation, report, 0), 1) << i;
    EXPECT_EQ(station_->NextReport(generation, report, 0), -1);
    station_->Plug();
    EXPECT_EQ(test::Ask(*station_, Frame(CMD_FILE_LIST)).size(), 9u) << "the fault fires once";
}

// Listing and opening after an unplug and a replug are the session's to test.
TEST_F(SimConnectionTest, TransportHandlesTakeWholeReportsAndDieWithAnUnplug) {
    SimulatedStation& station = Station(Options());
    SimTransport transport(station);
    EXPECT_NE(transport.Open("/dev/hidraw0").error.find("/dev/hidraw0"), std::string::npos);
    auto opened = transport.Open(SimTransport::DEVICE_PATH);
    ASSERT_TRUE(opened) << opened.error;
    TransportHandle& handle = **opened.value;
    std::array<uint8_t, WIRE_REPORT_SIZE> wire{0, 0x7B, CMD_READ_INTERVAL, 0x40, 0x7D};
    std::array<uint8_t, REPORT_SIZE> data{};
    EXPECT_EQ(handle.Write(wire.data(), wire.size()), 65);
    ASSERT_EQ(handle.Read(data.data(), data.size(), 1000), 64);
    EXPECT_EQ(data[1], 5);
    EXPECT_EQ(handle.Write(wire.data(), 64), -1) << "a report is 65 bytes";
    station.Unplug();
    station.Plug();
    EXPECT_EQ(handle.Write(wire.data(), wire.size()), -1) << "a handle does not survive a replug";
    EXPECT_EQ(handle.Read(data.data(), data.size(), 0), -1);
}

}  // namespace
}  // namespace corvalin
