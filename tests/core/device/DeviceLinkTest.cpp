#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "device/DeviceLink.h"
#include "device/ManualResetEvent.h"
#include "support/FakeTransport.h"

namespace corvalin {
namespace {

using test::FakeTransport;
using namespace std::chrono_literals;

// Keeps every report the reader delivers.
class RecordingReceiver : public ReportReceiver {
public:
    void OnReport(const Report& data, size_t length) override {
        {
            std::lock_guard lock(mutex_);
            reports_.push_back({data, length});
        }
        changed_.notify_all();
    }
    bool WaitForCount(size_t count, std::chrono::milliseconds timeout = 5s) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] { return reports_.size() >= count; });
    }
    std::vector<std::pair<Report, size_t>> Reports() {
        std::lock_guard lock(mutex_);
        return reports_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::pair<Report, size_t>> reports_;
};

FakeTransport::Device Station(const std::string& path) {
    return {{path, STATION_VENDOR_ID, STATION_PRODUCT_ID}, ""};
}

Report Frame(uint8_t code) {
    Report frame{};
    frame[0] = 0x7B;
    frame[1] = code;
    frame[2] = 0x40;
    frame[3] = 0x7D;
    return frame;
}

TEST(DeviceLink, WithoutStationTheReaderSleepsAndNothingIsWritten) {
    FakeTransport transport;
    DeviceLink link(transport);
    EXPECT_FALSE(link.OpenDevice());
    EXPECT_EQ(link.connected, 0);
    EXPECT_TRUE(link.ReaderRunning());
    link.WriteReport(Frame(0x03));
    EXPECT_TRUE(transport.Written().empty());
    EXPECT_TRUE(link.LastOpenError().empty());
}

TEST(DeviceLink, OpensTheFirstMatchingInterfaceOnly) {
    FakeTransport transport;
    transport.SetDevices({{{"/dev/hidraw0", 0x046D, 0xC52B}, ""},
                          Station("/dev/hidraw1"),
                          Station("/dev/hidraw2")});
    DeviceLink link(transport);
    ASSERT_TRUE(link.OpenDevice());
    EXPECT_EQ(link.DevicePath(), "/dev/hidraw1");
    // One handle for the reader, one for the writers; other devices untouched.
    EXPECT_EQ(transport.OpenedPaths(), (std::vector<std::string>{"/dev/hidraw1", "/dev/hidraw1"}));
}

TEST(DeviceLink, SkipsStationsThatCannotBeOpenedAndSaysWhy) {
    FakeTransport transport;
    transport.SetDevices({{{"/dev/hidraw3", STATION_VENDOR_ID, STATION_PRODUCT_ID},
                           "Cannot open the station at /dev/hidraw3: permission denied."},
                          Station("/dev/hidraw4")});
    DeviceLink link(transport);
    ASSERT_TRUE(link.OpenDevice());
    EXPECT_EQ(link.DevicePath(), "/dev/hidraw4");

    transport.SetDevices({{{"/dev/hidraw3", STATION_VENDOR_ID, STATION_PRODUCT_ID},
                           "Cannot open the station at /dev/hidraw3: permission denied."}});
    EXPECT_FALSE(link.OpenDevice());
    EXPECT_NE(link.LastOpenError().find("permission denied"), std::string::npos);
}

TEST(DeviceLink, WritesReportIdZeroThenTheFrame) {
    FakeTransport transport;
    transport.SetDevices({Station("/dev/hidraw0")});
    DeviceLink link(transport);
    ASSERT_TRUE(link.OpenDevice());
    link.WriteReport(Frame(0x04));
    auto written = transport.Written();
    ASSERT_EQ(written.size(), 1u);
    ASSERT_EQ(written[0].size(), 65u);
    EXPECT_EQ(written[0][0], 0x00);
    EXPECT_EQ(written[0][1], 0x7B);
    EXPECT_EQ(written[0][2], 0x04);
    EXPECT_EQ(written[0][3], 0x40);
    EXPECT_EQ(written[0][4], 0x7D);
    EXPECT_EQ(written[0][64], 0x00);
}

TEST(DeviceLink, ReaderDeliversZeroPaddedReportsAndSkipsEmptyOnes) {
    FakeTransport transport;
    transport.SetDevices({Station("/dev/hidraw0")});
    RecordingReceiver receiver;
    DeviceLink link(transport);
    link.SetReceiver(&receiver);
    ASSERT_TRUE(link.OpenDevice());

    Report full;
    full.fill(0xAB);
    transport.PushReport(full, 0);  // a zero-length read: nothing to route
    transport.PushReport(full, 10);
    transport.PushReport(full, 64);
    ASSERT_TRUE(receiver.WaitForCount(2));
    auto reports = receiver.Reports();
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].second, 10u);
    EXPECT_EQ(reports[0].first[9], 0xAB);
    EXPECT_EQ(reports[0].first[10], 0x00);  // padded, not left over from an earlier read
    EXPECT_EQ(reports[0].first[63], 0x00);
    EXPECT_EQ(reports[1].second, 64u);
    EXPECT_EQ(reports[1].first, full);
}

TEST(DeviceLink, ReaderWakesOnTheNewConnectionAfterUnplugAndReplug) {
    FakeTransport transport;
    transport.SetDevices({Station("/dev/hidraw0")});
    RecordingReceiver receiver;
    DeviceLink link(transport);
    link.SetReceiver(&receiver);
    ASSERT_TRUE(link.OpenDevice());
    Report first{};
    first[1] = 1;
    transport.PushReport(first);
    ASSERT_TRUE(receiver.WaitForCount(1));

    transport.Unplug();
    for (int i = 0; i < 100 && !link.ReaderLost(); ++i) std::this_thread::sleep_for(10ms);
    EXPECT_TRUE(link.ReaderLost());
    EXPECT_FALSE(link.OpenDevice());
    link.WriteReport(Frame(0x03));
    EXPECT_TRUE(transport.Written().empty());

    transport.SetDevices({Station("/dev/hidraw5")});
    ASSERT_TRUE(link.OpenDevice());
    EXPECT_FALSE(link.ReaderLost());
    Report second{};
    second[1] = 2;
    transport.PushReport(second);
    ASSERT_TRUE(receiver.WaitForCount(2));
    EXPECT_EQ(receiver.Reports()[1].first[1], 2);
}

TEST(DeviceLink, ShutdownJoinsTheReaderWhileItWaits) {
    FakeTransport transport;
    {
        DeviceLink link(transport);
        link.OpenDevice();  // no station: the reader sleeps on its event
    }
    transport.SetDevices({Station("/dev/hidraw0")});
    DeviceLink link(transport);
    ASSERT_TRUE(link.OpenDevice());  // connected: the reader is in a read
    link.Shutdown();
    EXPECT_FALSE(link.ReaderRunning());
    EXPECT_EQ(link.connected, 0);
}

TEST(ManualResetEvent, StaysSetUntilResetAndBoundsWaits) {
    ManualResetEvent event(true);
    EXPECT_TRUE(event.WaitFor(0ms));
    EXPECT_TRUE(event.WaitFor(0ms));
    event.Reset();
    EXPECT_FALSE(event.WaitFor(20ms));
    std::thread setter([&] {
        std::this_thread::sleep_for(20ms);
        event.Set();
    });
    EXPECT_TRUE(event.WaitFor(5s));
    setter.join();
}

}  // namespace
}  // namespace corvalin
