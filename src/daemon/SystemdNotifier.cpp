// SPDX-License-Identifier: GPL-3.0-or-later
#include "SystemdNotifier.h"

#include <systemd/sd-daemon.h>

namespace corvalin::daemon {

SystemdNotifier::SystemdNotifier() {
    uint64_t usec = 0;
    if (sd_watchdog_enabled(0, &usec) > 0 && usec > 0) {
        heartbeat_ = std::chrono::milliseconds(usec / 2000);
    }
}

void SystemdNotifier::Ready(const std::string& status) {
    sd_notify(0, ("READY=1\nSTATUS=" + status).c_str());
}

void SystemdNotifier::Status(const std::string& status) {
    sd_notify(0, ("STATUS=" + status).c_str());
}

void SystemdNotifier::Reloading() { sd_notify(0, "RELOADING=1"); }

void SystemdNotifier::Stopping() { sd_notify(0, "STOPPING=1"); }

void SystemdNotifier::Alive() {
    if (heartbeat_.count() > 0) sd_notify(0, "WATCHDOG=1");
}

}  // namespace corvalin::daemon
