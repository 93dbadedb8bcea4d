// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "device/Transport.h"
#include "sim/SimulatedStation.h"

namespace corvalin {

// The transport that reaches a SimulatedStation instead of hidapi: it lists the
// station while it is plugged in and opens handles that die with an unplug.
// Beside it, it may list the same station again under other serials, and
// look-alikes with the station's USB ids that take every report and never
// answer (another gadget on the same chip).
class SimTransport : public Transport {
public:
    static constexpr const char* DEVICE_PATH = "sim:kv7500";

    explicit SimTransport(SimulatedStation& station, const SimOptions& options = {});

    std::vector<HidInterface> Enumerate() override;
    Result<std::unique_ptr<TransportHandle>> Open(const std::string& path) override;

private:
    SimulatedStation& station_;
    std::vector<HidInterface> stations_;
    std::vector<HidInterface> lookAlikes_;
};

}  // namespace corvalin
