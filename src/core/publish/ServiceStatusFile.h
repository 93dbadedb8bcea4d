// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "common/Status.h"
#include "publish/ServiceState.h"

namespace corvalin {

// Where the running logger leaves its state for corvalin-cli service: in the
// program's own folder of the data folder.
inline constexpr const char* SERVICE_STATUS_FILE = "corvalind.json";

// The logger's state as its status file carries it. The station's alarm
// settings are not carried.
struct ServiceStatus {
    ServiceState state;
    int64_t pid = 0;
    int64_t started = 0;  // UTC seconds
    int64_t updated = 0;  // UTC seconds: when the logger wrote it
};

// A status file read back, and whether its process still lives.
struct StoredServiceStatus {
    ServiceStatus status;
    bool running = false;
};

// Replaces <dataDir>/.corvalin/corvalind.json at once (a temporary file
// renamed over it), making the folder (0700) when missing; links there are
// never followed.
Status WriteServiceStatus(const std::string& dataDir, const ServiceStatus& status);

// The status file; nothing when there is none.
using ServiceStatusResult = Result<std::optional<StoredServiceStatus>>;
ServiceStatusResult ReadServiceStatus(const std::string& dataDir);

// Removes the status file, as the logger does when it stops.
void RemoveServiceStatus(const std::string& dataDir);

// Whether a process with this id exists (also one of another user).
bool ProcessAlive(int64_t pid);

}  // namespace corvalin
