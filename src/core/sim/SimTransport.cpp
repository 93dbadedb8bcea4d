// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/SimTransport.h"

#include <algorithm>
#include <chrono>
#include <thread>

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

// Takes every report and never answers one.
class SilentHandle : public TransportHandle {
public:
    int Write(const uint8_t*, size_t length) override { return static_cast<int>(length); }
    int Read(uint8_t*, size_t, int timeoutMs) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(std::max(timeoutMs, 0)));
        return 0;
    }
};

HidInterface StationIds(std::string path, std::string serial) {
    return {std::move(path), STATION_VENDOR_ID, STATION_PRODUCT_ID, std::move(serial)};
}

}  // namespace

SimTransport::SimTransport(SimulatedStation& station, const SimOptions& options)
    : station_(station) {
    stations_.push_back(StationIds(DEVICE_PATH, options.serial));
    for (size_t i = 0; i < options.secondStations.size(); ++i) {
        stations_.push_back(StationIds(std::string(DEVICE_PATH) + "-" + std::to_string(i + 2),
                                       options.secondStations[i]));
    }
    for (size_t i = 0; i < options.lookAlikes.size(); ++i) {
        lookAlikes_.push_back(
            StationIds("sim:look-alike-" + std::to_string(i + 1), options.lookAlikes[i]));
    }
}

std::vector<HidInterface> SimTransport::Enumerate() {
    std::vector<HidInterface> present;
    if (station_.IsPlugged()) present = stations_;
    present.insert(present.end(), lookAlikes_.begin(), lookAlikes_.end());
    return present;
}

Result<std::unique_ptr<TransportHandle>> SimTransport::Open(const std::string& path) {
    using R = Result<std::unique_ptr<TransportHandle>>;
    for (const HidInterface& lookAlike : lookAlikes_) {
        if (lookAlike.path == path) return R::Of(std::make_unique<SilentHandle>());
    }
    const bool station = std::any_of(stations_.begin(), stations_.end(),
                                     [&](const HidInterface& s) { return s.path == path; });
    if (!station) return R::Fail("No such device: \"" + path + "\"");
    const uint64_t generation = station_.Generation();
    if (!station_.IsPlugged()) return R::Fail("The simulated station is unplugged");
    return R::Of(std::make_unique<SimHandle>(station_, generation));
}

}  // namespace corvalin
