// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "device/Transport.h"

namespace corvalin {

// Which station to open where more than one may be attached: a hidraw node
// (or a link to one, such as /dev/kv7500/SERIAL), a USB serial number, both,
// or neither (any).
struct StationChoice {
    std::string devicePath;
    std::string serial;

    bool Any() const { return devicePath.empty() && serial.empty(); }
    bool Matches(const HidInterface& device) const;
};

// What a device with the station's USB ids did when it was asked a read.
enum class StationAnswer {
    NotAsked,  // it was the only one that could be opened, and is taken as it is
    Answered,  // a well-formed answer came: it is a station
    Silent,    // nothing that a station would send came in time
    Busy,      // another program kept it for longer than the question may wait
};

// One device with the station's USB ids, as a search or the listing saw it.
struct DeviceCandidate {
    std::string path;
    std::string serial;
    std::string openError;  // why it cannot be opened; empty when it can
    StationAnswer answer = StationAnswer::NotAsked;

    bool operator==(const DeviceCandidate&) const = default;
};

// "/dev/hidraw3 (serial 0042)", or "(no serial)".
std::string DescribeDevice(const std::string& path, const std::string& serial);
// Why a device was passed over, in words: "did not answer as a station", ...
std::string SkipReason(const DeviceCandidate& candidate);

}  // namespace corvalin
