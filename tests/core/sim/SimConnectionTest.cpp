#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <thread>

#include "SimTestSupport.h"
#include "sim/SimTransport.h"
#include "sim/SimulatedStation.h"
#include "support/TempDir.h"

namespace corvalin {
namespace {

using test::Bytes;
using test::Frame;

class SimConnectionTest : public ::testing::Test {
protected:
    SimulatedStation& Station(std::vector<FaultSpec> faults = {}) {
        SimOptions options;
        options.cardDir = dir_.File("card");
        options.paceMs = 0;
        options.faults = std::move(faults);
        station_ = std::make_unique<SimulatedStation>(options);
        Status started = station_->Start();
        EXPECT_TRUE(started) << started.message;
        return *station_;
    }

    test::TempDir dir_;
    std::unique_ptr<SimulatedStation> station_;
};

TEST_F(SimConnectionTest, UnplugEndsTheGenerationAndDropsPendingReports) {
    SimulatedStation& station = Station();
    const uint64_t first = station.Generation();
    ASSERT_TRUE(station.ReceiveFrame(first, Frame(CMD_READ_SETTINGS)));

    station.Unplug();
    Report report;
    EXPECT_FALSE(station.IsPlugged());
    EXPECT_FALSE(station.ReceiveFrame(station.Generation(), Frame(CMD_READ_SETTINGS)));
    EXPECT_EQ(station.NextReport(first, report, 0), -1);
    EXPECT_EQ(station.NextReport(station.Generation(), report, 0), -1);

    station.Plug();
    const uint64_t second = station.Generation();
    EXPECT_NE(second, first);
    EXPECT_FALSE(station.ReceiveFrame(first, Frame(CMD_READ_SETTINGS)));
    EXPECT_EQ(station.NextReport(first, report, 0), -1);
    EXPECT_EQ(station.NextReport(second, report, 0), 0) << "the old answer died with the unplug";
    ASSERT_TRUE(station.ReceiveFrame(second, Frame(CMD_READ_INTERVAL)));
    ASSERT_EQ(station.NextReport(second, report, 0), 1);
    EXPECT_EQ(report, Bytes({0x7B, 5}));
}

TEST_F(SimConnectionTest, WaitingReaderWakesOnUnplug) {
    SimulatedStation& station = Station();
    const uint64_t generation = station.Generation();
    auto reader = std::async(std::launch::async, [&] {
        Report report;
        return station.NextReport(generation, report, 20000);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    station.Unplug();
    // Far below the reader's own time-out: only the unplug can have ended the wait.
    ASSERT_EQ(reader.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(reader.get(), -1);
}

TEST_F(SimConnectionTest, WaitingReaderWakesForAReportFromAnotherThread) {
    SimulatedStation& station = Station();
    const uint64_t generation = station.Generation();
    auto reader = std::async(std::launch::async, [&] {
        Report report;
        const int got = station.NextReport(generation, report, 30000);
        return std::make_pair(got, report);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(station.ReceiveFrame(generation, Frame(CMD_SCREEN_STATE)));
    auto [got, report] = reader.get();
    EXPECT_EQ(got, 1);
    EXPECT_EQ(report, Bytes({0x7B, 0}));
}

TEST_F(SimConnectionTest, UnplugAfterFaultUnplugsOnceAfterThatManyReports) {
    std::filesystem::create_directory(dir_.File("card"));
    for (const char* name : {"A.CSV", "B.CSV", "C.CSV", "D.CSV"}) {
        std::ofstream(dir_.File("card") + "/" + name) << "x";
    }
    SimulatedStation& station = Station({{FaultSpec::Kind::UnplugAfter, 3, ""}});
    const uint64_t generation = station.Generation();
    ASSERT_TRUE(station.ReceiveFrame(generation, Frame(CMD_FILE_LIST)));
    Report report;
    for (int i = 0; i < 3; ++i) ASSERT_EQ(station.NextReport(generation, report, 0), 1) << i;
    EXPECT_EQ(station.NextReport(generation, report, 0), -1);
    EXPECT_FALSE(station.IsPlugged());

    station.Plug();
    const uint64_t next = station.Generation();
    ASSERT_TRUE(station.ReceiveFrame(next, Frame(CMD_FILE_LIST)));
    int count = 0;
    while (station.NextReport(next, report, 0) == 1) ++count;
    EXPECT_EQ(count, 5) << "the fault fires once";
    EXPECT_TRUE(station.IsPlugged());
}

TEST_F(SimConnectionTest, TransportListsOpensAndLosesTheStation) {
    SimulatedStation& station = Station();
    SimTransport transport(station);
    auto interfaces = transport.Enumerate();
    ASSERT_EQ(interfaces.size(), 1u);
    EXPECT_EQ(interfaces[0].path, "sim:kv7500");
    EXPECT_EQ(interfaces[0].vendorId, 0x0483);
    EXPECT_EQ(interfaces[0].productId, 0x5750);

    auto wrong = transport.Open("/dev/hidraw0");
    EXPECT_FALSE(wrong);
    EXPECT_NE(wrong.error.find("/dev/hidraw0"), std::string::npos);

    auto opened = transport.Open(interfaces[0].path);
    ASSERT_TRUE(opened) << opened.error;
    TransportHandle& handle = **opened.value;
    std::array<uint8_t, WIRE_REPORT_SIZE> wire{};
    const Report frame = Frame(CMD_READ_INTERVAL);
    std::copy(frame.begin(), frame.end(), wire.begin() + 1);
    EXPECT_EQ(handle.Write(wire.data(), wire.size()), 65);
    std::array<uint8_t, REPORT_SIZE> data{};
    ASSERT_EQ(handle.Read(data.data(), data.size(), 1000), 64);
    EXPECT_EQ(data[0], 0x7B);
    EXPECT_EQ(data[1], 5);
    EXPECT_EQ(handle.Read(data.data(), data.size(), 0), 0);
    EXPECT_EQ(handle.Write(wire.data(), 64), -1) << "a report is 65 bytes";
    wire[0] = 1;
    EXPECT_EQ(handle.Write(wire.data(), wire.size()), -1) << "report id 0 only";
    wire[0] = 0;

    station.Unplug();
    EXPECT_TRUE(transport.Enumerate().empty());
    EXPECT_FALSE(transport.Open("sim:kv7500"));
    EXPECT_EQ(handle.Write(wire.data(), wire.size()), -1);
    EXPECT_EQ(handle.Read(data.data(), data.size(), 0), -1);

    station.Plug();
    EXPECT_EQ(handle.Write(wire.data(), wire.size()), -1) << "a handle does not survive a replug";
    auto reopened = transport.Open("sim:kv7500");
    ASSERT_TRUE(reopened) << reopened.error;
    EXPECT_EQ((*reopened.value)->Write(wire.data(), wire.size()), 65);
    EXPECT_EQ((*reopened.value)->Read(data.data(), data.size(), 1000), 64);
}

}  // namespace
}  // namespace corvalin
