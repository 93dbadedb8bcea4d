// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "device/Report.h"
#include "device/Transport.h"

namespace corvalin::test {

// A transport whose devices and input reports the test controls. It keeps
// every report written. Handles opened before an Unplug fail afterwards.
class FakeTransport : public Transport {
public:
    struct Device {
        HidInterface info;
        std::string openError;  // non-empty: Open fails with this text
    };

    void SetDevices(std::vector<Device> devices);
    // Queues one input report of `length` data bytes for the reader.
    void PushReport(const Report& data, int length = 64);
    // Makes every open handle fail, as a pulled plug does.
    void Unplug();
    // Makes the writes of the open handles fail while their reads go on.
    void FailWrites();

    std::vector<std::vector<uint8_t>> Written() const;  // whole 65-byte reports
    std::vector<std::string> OpenedPaths() const;

    std::vector<HidInterface> Enumerate() override;
    Result<std::unique_ptr<TransportHandle>> Open(const std::string& path) override;

    // Used by the handles.
    int WriteFrom(int generation, const uint8_t* report, size_t length);
    int ReadInto(int generation, uint8_t* data, size_t capacity, int timeoutMs);

private:
    struct Queued {
        Report data;
        int length;
    };
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Device> devices_;
    std::deque<Queued> reports_;
    std::vector<std::vector<uint8_t>> written_;
    std::vector<std::string> opened_;
    int generation_ = 0;
    int failingWrites_ = -1;  // the generation whose writes fail
};

}  // namespace corvalin::test
