// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>

#include "device/DeviceLink.h"
#include "support/Eventually.h"
#include "support/FakeTransport.h"

namespace corvalin {
namespace {

using test::FakeTransport;
using namespace std::chrono_literals;

// Keeps every report the reader delivers.
class RecordingReceiver : public ReportReceiver {
public:
    void OnReport(const Report& data, size_t length) override {
        std::lock_guard lock(mutex_);
        reports_.push_back({data, length});
    }
    bool WaitForCount(size_t count) {
        return test::Eventually([&] { return Reports().size() >= count; });
    }
    std::vector<std::pair<Report, size_t>> Reports() {
        std::lock_guard lock(mutex_);
        return reports_;
    }

private:
    std::mutex mutex_;
    std::vector<std::pair<Report, size_t>> reports_;
};

FakeTransport::Device Station(const std::string& path) {
    return {{path, STATION_VENDOR_ID, STATION_PRODUCT_ID}, ""};
}

// Which device is taken is the finder's to test; the link opens it twice.
TEST(DeviceLink, OpensAReaderAndAWriterHandleOrSaysWhyNone) {
    FakeTransport transport;
    DeviceLink link(transport);
    transport.SetDevices({{{"/dev/hidraw3", STATION_VENDOR_ID, STATION_PRODUCT_ID},
                           "Cannot open the station: permission denied."}});
    EXPECT_FALSE(link.OpenDevice());
    EXPECT_NE(link.LastOpenError().find("permission denied"), std::string::npos);
    link.WriteReport(Report{});
    EXPECT_TRUE(transport.Written().empty());

    transport.SetDevices({Station("/dev/hidraw4")});
    ASSERT_TRUE(link.OpenDevice());
    EXPECT_EQ(link.DevicePath(), "/dev/hidraw4");
    EXPECT_TRUE(link.LastOpenError().empty());
    EXPECT_EQ(transport.OpenedPaths(),
              (std::vector<std::string>{"/dev/hidraw3", "/dev/hidraw4", "/dev/hidraw4"}));
}

// A link opened on one station, the reports it reads kept.
class DeviceLinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        transport.SetDevices({Station("/dev/hidraw0")});
        link.SetReceiver(&receiver);
        ASSERT_TRUE(link.OpenDevice());
    }
    FakeTransport transport;
    RecordingReceiver receiver;
    DeviceLink link{transport};
};

TEST_F(DeviceLinkTest, WritesWithReportIdZeroAndReadsZeroPaddedReportsSkippingEmptyOnes) {
    Report full;
    full.fill(0xAB);
    link.WriteReport(full);
    std::vector<uint8_t> wire(WIRE_REPORT_SIZE, 0xAB);
    wire[0] = 0x00;
    EXPECT_EQ(transport.Written(), std::vector<std::vector<uint8_t>>{wire});

    transport.PushReport(full, 0);  // a zero-length read: nothing to route
    transport.PushReport(full, 64);
    transport.PushReport(full, 10);
    ASSERT_TRUE(receiver.WaitForCount(2));
    Report padded{};  // not left over from an earlier read
    std::fill_n(padded.begin(), 10, 0xAB);
    EXPECT_EQ(receiver.Reports(),
              (std::vector<std::pair<Report, size_t>>{{full, 64}, {padded, 10}}));
}

// Losing the station mid-work is the session's to test through the
// simulated station; here the reader's own end.
TEST_F(DeviceLinkTest, ReaderFollowsUnplugAndReplug) {
    // A write that fails tells it at once, before the reader does.
    transport.FailWrites();
    EXPECT_FALSE(link.WriteReport(Report{}) || link.StillConnected());
    transport.Unplug();
    EXPECT_TRUE(test::Eventually([&] { return link.ReaderLost(); }));
    EXPECT_FALSE(link.StillConnected() || link.OpenDevice() || link.IsConnected());
    transport.SetDevices({Station("/dev/hidraw5")});
    ASSERT_TRUE(link.OpenDevice());
    EXPECT_TRUE(link.StillConnected());
    link.Shutdown();  // joins the reader while it is in a read
    EXPECT_FALSE(link.ReaderRunning() || link.IsConnected());
}

// Handles whose reads wait at a gate, so a read can end after OpenDevice
// has replaced its handle. Two handles per OpenDevice: the reader's is the first.
class GatedTransport : public Transport {
public:
    struct Handle : TransportHandle {
        Handle(GatedTransport& owner, uint8_t mark) : owner(owner), mark(mark) {}
        int Write(const uint8_t*, size_t length) override { return static_cast<int>(length); }
        int Read(uint8_t* data, size_t capacity, int) override {
            std::unique_lock lock(owner.mutex_);
            ++owner.readsStarted_[mark];
            owner.changed_.notify_all();
            if (!owner.changed_.wait_for(lock, 50ms, [&] { return owner.open_[mark]; })) return 0;
            owner.open_[mark] = false;
            std::fill(data, data + capacity, 0);
            data[1] = mark;
            return 64;
        }
        GatedTransport& owner;
        uint8_t mark;
    };

    std::vector<HidInterface> Enumerate() override {
        return {{"/dev/hidraw0", STATION_VENDOR_ID, STATION_PRODUCT_ID}};
    }
    Result<std::unique_ptr<TransportHandle>> Open(const std::string&) override {
        std::lock_guard lock(mutex_);
        const uint8_t mark = static_cast<uint8_t>(1 + opened_++ / 2);
        return Result<std::unique_ptr<TransportHandle>>::Of(std::make_unique<Handle>(*this, mark));
    }
    bool WaitForRead(uint8_t mark) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, 5s, [&] { return readsStarted_[mark] > 0; });
    }
    void Release(uint8_t mark) {  // lets one report through handle `mark`
        std::lock_guard lock(mutex_);
        open_[mark] = true;
        changed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int opened_ = 0;
    std::map<uint8_t, int> readsStarted_;
    std::map<uint8_t, bool> open_;
};

TEST(DeviceLink, AReportReadOnAReplacedHandleIsDropped) {
    GatedTransport transport;
    RecordingReceiver receiver;
    DeviceLink link(transport);
    link.SetReceiver(&receiver);
    ASSERT_TRUE(link.OpenDevice());
    ASSERT_TRUE(transport.WaitForRead(1));
    ASSERT_TRUE(link.OpenDevice());  // handle 2 replaces handle 1 during its read
    transport.Release(1);
    ASSERT_TRUE(transport.WaitForRead(2));
    transport.Release(2);
    ASSERT_TRUE(receiver.WaitForCount(1));
    link.Shutdown();
    // Only the current handle's report reaches the receiver.
    for (const auto& [report, length] : receiver.Reports()) EXPECT_EQ(report[1], 2);
}

}  // namespace
}  // namespace corvalin
