// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "device/DeviceLink.h"
#include "protocol/DeviceRecord.h"
#include "protocol/StationChannel.h"
#include "sim/SimTransport.h"
#include "sim/SimulatedStation.h"
#include "support/TempDir.h"

namespace corvalin::test {

// Options for a station that answers at once, its card in `dir` unless given.
SimOptions Unpaced(SimOptions options, const TempDir& dir);
// The command codes of `frames`, in order.
std::vector<uint8_t> CommandCodes(const std::vector<Report>& frames);

// The protocol's own view of a simulated station that answers at once: the
// link, the device record and the channel, with a record of every frame
// written. For tests below the session.
class ChannelRig {
public:
    explicit ChannelRig(SimOptions options = {});
    ~ChannelRig();

    bool Open() { return link.OpenDevice(); }
    std::vector<Report> Written() const;
    std::vector<uint8_t> WrittenCodes() const { return CommandCodes(Written()); }

    SimulatedStation& station() { return *station_; }

    DeviceRecord record;

private:
    TempDir dir_;
    std::unique_ptr<SimulatedStation> station_;
    std::unique_ptr<SimTransport> transport_;

public:
    DeviceLink link;
    StationChannel channel;

private:
    mutable std::mutex mutex_;
    std::vector<Report> written_;
};

// Options with one fault ("drop=1", "delay=400", ...).
SimOptions WithFault(const char* text);

}  // namespace corvalin::test
