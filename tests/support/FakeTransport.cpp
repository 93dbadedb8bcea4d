// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/FakeTransport.h"

#include <algorithm>
#include <chrono>

namespace corvalin::test {

namespace {

class FakeHandle : public TransportHandle {
public:
    FakeHandle(FakeTransport& transport, int generation)
        : transport_(transport), generation_(generation) {}
    int Write(const uint8_t* report, size_t length) override {
        return transport_.WriteFrom(generation_, report, length);
    }
    int Read(uint8_t* data, size_t capacity, int timeoutMs) override {
        return transport_.ReadInto(generation_, data, capacity, timeoutMs);
    }

private:
    FakeTransport& transport_;
    int generation_;
};

}  // namespace

void FakeTransport::SetDevices(std::vector<Device> devices) {
    std::lock_guard lock(mutex_);
    devices_ = std::move(devices);
}

void FakeTransport::PushReport(const Report& data, int length) {
    {
        std::lock_guard lock(mutex_);
        reports_.push_back({data, length});
    }
    changed_.notify_all();
}

void FakeTransport::Unplug() {
    {
        std::lock_guard lock(mutex_);
        ++generation_;
        devices_.clear();
        reports_.clear();
    }
    changed_.notify_all();
}

void FakeTransport::FailWrites() {
    std::lock_guard lock(mutex_);
    failingWrites_ = generation_;
}

std::vector<std::vector<uint8_t>> FakeTransport::Written() const {
    std::lock_guard lock(mutex_);
    return written_;
}

std::vector<std::string> FakeTransport::OpenedPaths() const {
    std::lock_guard lock(mutex_);
    return opened_;
}

std::vector<HidInterface> FakeTransport::Enumerate() {
    std::lock_guard lock(mutex_);
    std::vector<HidInterface> found;
    for (const Device& device : devices_) found.push_back(device.info);
    return found;
}

Result<std::unique_ptr<TransportHandle>> FakeTransport::Open(const std::string& path) {
    std::lock_guard lock(mutex_);
    opened_.push_back(path);
    for (const Device& device : devices_) {
        if (device.info.path != path) continue;
        if (!device.openError.empty()) {
            return Result<std::unique_ptr<TransportHandle>>::Fail(device.openError);
        }
        return Result<std::unique_ptr<TransportHandle>>::Of(
            std::make_unique<FakeHandle>(*this, generation_));
    }
    return Result<std::unique_ptr<TransportHandle>>::Fail("no such device: " + path);
}

int FakeTransport::WriteFrom(int generation, const uint8_t* report, size_t length) {
    std::lock_guard lock(mutex_);
    if (generation != generation_ || generation == failingWrites_) return -1;
    written_.emplace_back(report, report + length);
    return static_cast<int>(length);
}

int FakeTransport::ReadInto(int generation, uint8_t* data, size_t capacity, int timeoutMs) {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                      [&] { return generation != generation_ || !reports_.empty(); });
    if (generation != generation_) return -1;
    if (reports_.empty()) return 0;
    Queued next = reports_.front();
    reports_.pop_front();
    const size_t count = std::min<size_t>(capacity, static_cast<size_t>(next.length));
    std::copy_n(next.data.begin(), count, data);
    return next.length;
}

}  // namespace corvalin::test
