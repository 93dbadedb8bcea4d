// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "alert/AlertEvent.h"
#include "logger/ReadingSnapshot.h"

namespace corvalin {

// What the running logger is doing, for its metrics page, its status file
// and corvalin-cli service.
struct ServiceState {
    std::string station;    // the station's name in the archive
    int64_t interval = 60;  // seconds between live reads
    bool stationConnected = false;
    uint64_t reads = 0;                   // live reads tried
    uint64_t readFailures = 0;            // of which no fresh answer came
    std::optional<ReadingSnapshot> last;  // the latest reading taken
    std::string broker;                   // the MQTT broker's address; empty: none
    bool brokerConnected = false;
    uint64_t queued = 0;  // readings the broker has not acknowledged yet
    uint64_t alertRules = 0;
    uint64_t alertSinks = 0;
    std::vector<FiringAlert> alertsFiring;
    std::string archiveServer;  // the shared archive's server; empty: none
    bool archiveServerConnected = false;
    std::string archiveServerProblem;  // why it is not connected, in words
};

// The state shared between the logger's thread and the pages that show it.
class ServiceStateHolder {
public:
    ServiceState Get() const {
        std::lock_guard<std::mutex> guard(mutex_);
        return state_;
    }
    void Update(const std::function<void(ServiceState&)>& change) {
        std::lock_guard<std::mutex> guard(mutex_);
        change(state_);
    }

private:
    mutable std::mutex mutex_;
    ServiceState state_;
};

}  // namespace corvalin
