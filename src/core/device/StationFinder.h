// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "device/StationChoice.h"
#include "device/Transport.h"

namespace corvalin {

// Decides which device with the station's USB ids to open. Other gadgets
// share those ids, so where several could be opened each is asked a read
// that changes nothing, and only a device that answered as a station is
// trusted; where only one can be opened it is taken as it is, as it always
// was. What was learnt of a device is kept while it stays attached, so a
// search again does not ask it twice.
class StationFinder {
public:
    // Asks the device at `path`, opened as `handle`, whether it is a station.
    using Probe = std::function<StationAnswer(const std::string& path, TransportHandle& handle)>;

    struct Found {
        std::unique_ptr<TransportHandle> handle;  // the chosen station, opened; null: none
        std::string path;
        std::string serial;
        // The devices that matched the choice, with what each did.
        std::vector<DeviceCandidate> candidates;
        bool several = false;            // more than one answered: the user must choose
        std::string error;               // why none was chosen; empty when none was attached
        std::vector<std::string> notes;  // devices passed over beside the chosen one, named
    };

    explicit StationFinder(Transport& transport) : transport_(transport) {}

    void SetChoice(StationChoice choice);
    StationChoice Choice() const;
    void SetProbe(Probe probe);

    Found Find();
    // Every device with the station's ids, whatever the choice, each opened and asked.
    std::vector<DeviceCandidate> Survey();

private:
    using Opened = std::pair<DeviceCandidate, std::unique_ptr<TransportHandle>>;

    std::vector<HidInterface> StationIdDevices();
    StationAnswer Ask(DeviceCandidate& candidate, TransportHandle& handle, bool fresh);
    void Decide(std::vector<Opened>& opened, Found& found);

    Transport& transport_;
    mutable std::mutex mutex_;
    StationChoice choice_;
    Probe probe_;
    // What each attached device answered, by path and serial.
    std::map<std::pair<std::string, std::string>, StationAnswer> learnt_;
};

}  // namespace corvalin
