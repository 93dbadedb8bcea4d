// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

#include "common/ManualResetEvent.h"
#include "device/DeviceLink.h"

namespace corvalin {
namespace {

using namespace std::chrono_literals;
using Handle = Result<std::unique_ptr<TransportHandle>>;

// A transport whose devices and input reports the test controls; it keeps
// every report written and every path opened. An unplug fails the handles
// opened before it. When `gated`, a read waits until the test releases its
// handle's number (two per OpenDevice, the reader's first) and then gives a
// report marked with that number.
class FakeTransport : public Transport {
public:
    struct Device {
        HidInterface info;
        std::string openError;  // non-empty: Open fails with this text
    };
    class FakeHandle : public TransportHandle {
    public:
        FakeHandle(FakeTransport& owner, int generation, uint8_t number)
            : owner_(owner), generation_(generation), number_(number) {}
        int Write(const uint8_t* report, size_t length) override {
            std::lock_guard lock(owner_.mutex_);
            if (generation_ != owner_.generation_) return -1;
            owner_.written_.emplace_back(report, report + length);
            return static_cast<int>(length);
        }
        int Read(uint8_t* data, size_t capacity, int timeoutMs) override {
            std::unique_lock lock(owner_.mutex_);
            ++owner_.readsStarted_[number_];
            owner_.changed_.notify_all();
            owner_.changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
                return generation_ != owner_.generation_ ||
                       (owner_.gated ? owner_.released_[number_] : !owner_.reports_.empty());
            });
            if (generation_ != owner_.generation_) return -1;
            std::pair<Report, int> next{{}, 64};
            if (owner_.gated && owner_.released_[number_]) {
                owner_.released_[number_] = false;
                next.first[1] = number_;
            } else if (!owner_.gated && !owner_.reports_.empty()) {
                next = owner_.reports_.front();
                owner_.reports_.pop_front();
            } else {
                return 0;
            }
            std::copy_n(next.first.begin(), std::min<size_t>(capacity, next.second), data);
            return next.second;
        }

    private:
        FakeTransport& owner_;
        int generation_;
        uint8_t number_;
    };

    void SetDevices(std::vector<Device> devices) {
        std::lock_guard lock(mutex_);
        devices_ = std::move(devices);
    }
    // Queues one input report of `length` data bytes for the reader.
    void PushReport(const Report& data, int length = 64) {
        std::lock_guard lock(mutex_);
        reports_.emplace_back(data, length);
        changed_.notify_all();
    }
    void Unplug() {
        std::lock_guard lock(mutex_);
        ++generation_;
        devices_.clear();
        changed_.notify_all();
    }
    bool WaitForRead(uint8_t number) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, 30s, [&] { return readsStarted_[number] > 0; });
    }
    void Release(uint8_t number) {
        std::lock_guard lock(mutex_);
        released_[number] = true;
        changed_.notify_all();
    }
    std::vector<std::vector<uint8_t>> Written() {
        std::lock_guard lock(mutex_);
        return written_;
    }
    std::vector<std::string> OpenedPaths() {
        std::lock_guard lock(mutex_);
        return opened_;
    }

    std::vector<HidInterface> Enumerate() override {
        std::lock_guard lock(mutex_);
        std::vector<HidInterface> found;
        for (const Device& device : devices_) found.push_back(device.info);
        return found;
    }
    Handle Open(const std::string& path) override {
        std::lock_guard lock(mutex_);
        opened_.push_back(path);
        for (const Device& device : devices_) {
            if (device.info.path != path) continue;
            if (!device.openError.empty()) return Handle::Fail(device.openError);
            const auto number = static_cast<uint8_t>(1 + handles_++ / 2);
            return Handle::Of(std::make_unique<FakeHandle>(*this, generation_, number));
        }
        return Handle::Fail("no such device: " + path);
    }

    bool gated = false;

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Device> devices_;
    std::deque<std::pair<Report, int>> reports_;
    std::vector<std::vector<uint8_t>> written_;
    std::vector<std::string> opened_;
    int generation_ = 0;
    int handles_ = 0;
    std::map<uint8_t, int> readsStarted_;
    std::map<uint8_t, bool> released_;
};

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
    bool WaitForCount(size_t count) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, 30s, [&] { return reports_.size() >= count; });
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

Report Marked(uint8_t mark) {
    Report report{};
    report[1] = mark;
    return report;
}

TEST(DeviceLink, OpensTheFirstUsableStationOrSaysWhyNone) {
    FakeTransport transport;
    DeviceLink link(transport);
    EXPECT_FALSE(link.OpenDevice());
    EXPECT_TRUE(link.ReaderRunning());
    EXPECT_TRUE(link.LastOpenError().empty());
    link.WriteReport(Marked(3));
    EXPECT_TRUE(transport.Written().empty());

    const FakeTransport::Device refused{{"/dev/hidraw3", STATION_VENDOR_ID, STATION_PRODUCT_ID},
                                        "Cannot open the station: permission denied."};
    transport.SetDevices(
        {{{"/dev/hidraw0", 0x046D, 0xC52B}, ""}, refused, Station("/dev/hidraw4")});
    ASSERT_TRUE(link.OpenDevice());
    EXPECT_EQ(link.DevicePath(), "/dev/hidraw4");
    // One handle for the reader, one for the writers; other devices untouched.
    EXPECT_EQ(transport.OpenedPaths(),
              (std::vector<std::string>{"/dev/hidraw3", "/dev/hidraw4", "/dev/hidraw4"}));
    // A write is report id 0, then the frame.
    Report frame{};
    frame.fill(0x5A);
    link.WriteReport(frame);
    std::vector<uint8_t> wire{0};
    wire.insert(wire.end(), frame.begin(), frame.end());
    EXPECT_EQ(transport.Written(), std::vector<std::vector<uint8_t>>{wire});

    transport.SetDevices({refused});
    EXPECT_FALSE(link.OpenDevice());
    EXPECT_NE(link.LastOpenError().find("permission denied"), std::string::npos);
}

TEST(DeviceLink, ReaderDeliversZeroPaddedReportsAndFollowsUnplugAndReplug) {
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
    EXPECT_EQ(reports[1].first, full);

    transport.Unplug();
    for (int i = 0; i < 3000 && !link.ReaderLost(); ++i) std::this_thread::sleep_for(10ms);
    EXPECT_TRUE(link.ReaderLost());
    EXPECT_FALSE(link.StillConnected());
    EXPECT_FALSE(link.OpenDevice());
    EXPECT_FALSE(link.IsConnected());

    transport.SetDevices({Station("/dev/hidraw5")});
    ASSERT_TRUE(link.OpenDevice());
    EXPECT_TRUE(link.StillConnected());
    transport.PushReport(Marked(2));
    ASSERT_TRUE(receiver.WaitForCount(3));
    EXPECT_EQ(receiver.Reports()[2].first[1], 2);

    link.Shutdown();  // joins the reader while it is in a read
    EXPECT_FALSE(link.ReaderRunning());
    EXPECT_FALSE(link.IsConnected());
}

TEST(DeviceLink, AReportReadOnAReplacedHandleIsDropped) {
    FakeTransport transport;
    transport.gated = true;
    transport.SetDevices({Station("/dev/hidraw0")});
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
