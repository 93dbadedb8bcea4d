// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/StationChoice.h"

#include <filesystem>

namespace corvalin {

namespace {

// The node a path names: a link such as /dev/kv7500/SERIAL leads to its hidraw node.
std::string Resolved(const std::string& path) {
    std::error_code error;
    const std::filesystem::path target = std::filesystem::canonical(path, error);
    return error ? path : target.string();
}

}  // namespace

bool StationChoice::Matches(const HidInterface& device) const {
    if (!serial.empty() && device.serial != serial) return false;
    if (devicePath.empty() || devicePath == device.path) return true;
    return Resolved(devicePath) == Resolved(device.path);
}

std::string DescribeDevice(const std::string& path, const std::string& serial) {
    return path + (serial.empty() ? " (no serial)" : " (serial " + serial + ")");
}

std::string SkipReason(const DeviceCandidate& candidate) {
    if (!candidate.openError.empty()) return candidate.openError;
    switch (candidate.answer) {
        case StationAnswer::Silent:
            return "it did not answer as a station";
        case StationAnswer::Busy:
            return "another program kept it busy, so it could not be asked";
        default:
            return "another station was chosen";
    }
}

}  // namespace corvalin
