// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/SimTransport.h"

#include <algorithm>

namespace corvalin {

namespace {

// A handle belongs to the connection it was opened on: after an unplug it
// fails like a hidraw handle whose device is gone, even once the station is back.
class SimHandle : public TransportHandle {
public:
    SimHandle(SimulatedStation& station, uint64_t generation)
        : station_(station), generation_(generation) {}

    int Write(const uint8_t* report, size_t length) override {
        if (report == nullptr || length != WIRE_REPORT_SIZE || report[0] != 0) return -1;
        Report frame;
        std::copy_n(report + 1, REPORT_SIZE, frame.begin());
        return station_.ReceiveFrame(generation_, frame) ? static_cast<int>(WIRE_REPORT_SIZE) : -1;
    }

    int Read(uint8_t* data, size_t capacity, int timeoutMs) override {
        Report report;
        const int got = station_.NextReport(generation_, report, timeoutMs);
        if (got <= 0) return got;
        const size_t length = std::min(capacity, REPORT_SIZE);
        std::copy_n(report.begin(), length, data);
        return static_cast<int>(length);
    }

private:
    SimulatedStation& station_;
    const uint64_t generation_;
};

}  // namespace

std::vector<HidInterface> SimTransport::Enumerate() {
    if (!station_.IsPlugged()) return {};
    return {HidInterface{DEVICE_PATH, STATION_VENDOR_ID, STATION_PRODUCT_ID}};
}

Result<std::unique_ptr<TransportHandle>> SimTransport::Open(const std::string& path) {
    using R = Result<std::unique_ptr<TransportHandle>>;
    if (path != DEVICE_PATH) return R::Fail("No such device: \"" + path + "\"");
    const uint64_t generation = station_.Generation();
    if (!station_.IsPlugged()) return R::Fail("The simulated station is unplugged");
    return R::Of(std::make_unique<SimHandle>(station_, generation));
}

}  // namespace corvalin
