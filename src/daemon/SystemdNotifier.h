// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <string>

namespace corvalin::daemon {

// What systemd hears of the service (Type=notify): ready, its status line
// and the watchdog's heartbeat. Outside systemd every call does nothing.
class SystemdNotifier {
public:
    SystemdNotifier();
    void Ready(const std::string& status);
    void Status(const std::string& status);
    void Reloading();
    void Stopping();
    // Sends the heartbeat when a watchdog is set.
    void Alive();
    // How often the heartbeat must come at least (half the watchdog's time);
    // zero without a watchdog.
    std::chrono::milliseconds HeartbeatEvery() const { return heartbeat_; }

private:
    std::chrono::milliseconds heartbeat_{0};
};

}  // namespace corvalin::daemon
