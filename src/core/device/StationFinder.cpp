// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/StationFinder.h"

#include <algorithm>
#include <set>

#include "device/Report.h"

namespace corvalin {

namespace {

std::string Described(const DeviceCandidate& candidate) {
    return DescribeDevice(candidate.path, candidate.serial);
}

std::string ChoiceText(const StationChoice& choice) {
    std::string text;
    if (!choice.serial.empty()) text = "--serial " + choice.serial;
    if (!choice.devicePath.empty()) {
        text += (text.empty() ? "--device " : " and --device ") + choice.devicePath;
    }
    return text;
}

std::string NoMatch(const StationChoice& choice, const std::vector<HidInterface>& attached) {
    std::string text = "No station matches " + ChoiceText(choice);
    if (attached.empty()) return text + "; no device with the station's USB ids is attached";
    text += "; attached:";
    for (const HidInterface& device : attached) {
        text += (&device == &attached.front() ? " " : ", ") +
                DescribeDevice(device.path, device.serial);
    }
    return text;
}

// Taken for a station: it answered, or it was the only one and nothing was asked.
bool Trusted(StationAnswer answer) {
    return answer == StationAnswer::Answered || answer == StationAnswer::NotAsked;
}

// One line per device, each with why it was not taken.
std::string Reasons(const std::vector<DeviceCandidate>& candidates, const std::string& lead) {
    std::string text = lead;
    for (const DeviceCandidate& candidate : candidates) {
        text += "\n  " + Described(candidate) + ": " + SkipReason(candidate);
    }
    return text;
}

}  // namespace

void StationFinder::SetChoice(StationChoice choice) {
    std::lock_guard lock(mutex_);
    choice_ = std::move(choice);
}

StationChoice StationFinder::Choice() const {
    std::lock_guard lock(mutex_);
    return choice_;
}

void StationFinder::SetProbe(Probe probe) {
    std::lock_guard lock(mutex_);
    probe_ = std::move(probe);
}

std::vector<HidInterface> StationFinder::StationIdDevices() {
    std::vector<HidInterface> devices;
    std::set<std::pair<std::string, std::string>> present;
    for (const HidInterface& device : transport_.Enumerate()) {
        if (device.vendorId != STATION_VENDOR_ID || device.productId != STATION_PRODUCT_ID) {
            continue;
        }
        devices.push_back(device);
        present.insert({device.path, device.serial});
    }
    // A device that went may come back as something else.
    std::erase_if(learnt_, [&](const auto& entry) { return !present.contains(entry.first); });
    return devices;
}

StationAnswer StationFinder::Ask(DeviceCandidate& candidate, TransportHandle& handle, bool fresh) {
    const auto key = std::make_pair(candidate.path, candidate.serial);
    const auto known = learnt_.find(key);
    if (!fresh && known != learnt_.end()) return candidate.answer = known->second;
    candidate.answer = probe_ ? probe_(candidate.path, handle) : StationAnswer::Silent;
    // A busy device is asked again next time.
    if (candidate.answer == StationAnswer::Busy) {
        learnt_.erase(key);
    } else {
        learnt_[key] = candidate.answer;
    }
    return candidate.answer;
}

StationFinder::Found StationFinder::Find() {
    std::lock_guard lock(mutex_);
    Found found;
    const std::vector<HidInterface> attached = StationIdDevices();
    std::vector<Opened> opened;
    for (const HidInterface& device : attached) {
        if (!choice_.Matches(device)) continue;
        DeviceCandidate candidate{device.path, device.serial, {}, StationAnswer::NotAsked};
        auto handle = transport_.Open(device.path);
        if (!handle) {
            candidate.openError = handle.error;
            found.candidates.push_back(candidate);
            continue;
        }
        opened.emplace_back(candidate, std::move(*handle.value));
    }
    if (opened.empty() && found.candidates.empty()) {
        if (!choice_.Any()) found.error = NoMatch(choice_, attached);
        return found;
    }
    Decide(opened, found);
    return found;
}

void StationFinder::Decide(std::vector<Opened>& opened, Found& found) {
    std::vector<DeviceCandidate> unopened = found.candidates;
    // Only where there is a choice to make is any device asked.
    if (opened.size() > 1) {
        for (auto& [candidate, handle] : opened) Ask(candidate, *handle, false);
    }
    size_t answered = 0;
    for (const auto& entry : opened) {
        if (Trusted(entry.first.answer)) ++answered;
        found.candidates.push_back(entry.first);
    }
    if (opened.empty()) {
        // As before: every open failure, one to a line.
        for (const DeviceCandidate& candidate : unopened) {
            found.error += (found.error.empty() ? "" : "\n") + candidate.openError;
        }
        return;
    }
    if (answered > 1) {
        found.several = true;
        found.error = "Several stations are attached:";
        for (const auto& [candidate, handle] : opened) {
            if (candidate.answer == StationAnswer::Answered)
                found.error += "\n  " + Described(candidate);
        }
        found.error += "\nChoose one with --serial or --device.";
        return;
    }
    if (answered == 0) {
        found.error = Reasons(found.candidates, "No device answered as a station:");
        return;
    }
    for (auto& [candidate, handle] : opened) {
        if (!Trusted(candidate.answer)) {
            found.notes.push_back("Skipped " + Described(candidate) + ": " + SkipReason(candidate));
        } else {
            found.handle = std::move(handle);
            found.path = candidate.path;
            found.serial = candidate.serial;
        }
    }
}

std::vector<DeviceCandidate> StationFinder::Survey() {
    std::lock_guard lock(mutex_);
    std::vector<DeviceCandidate> listed;
    for (const HidInterface& device : StationIdDevices()) {
        DeviceCandidate candidate{device.path, device.serial, {}, StationAnswer::NotAsked};
        auto handle = transport_.Open(device.path);
        if (!handle) {
            candidate.openError = handle.error;
        } else {
            Ask(candidate, **handle.value, true);
        }
        listed.push_back(candidate);
    }
    return listed;
}

}  // namespace corvalin
