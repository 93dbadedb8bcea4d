// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "alert/AlertMonitor.h"
#include "logger/ReadingSnapshot.h"

namespace corvalin {

// One desktop notification of the window.
struct DesktopNotice {
    int channel = 0;  // 0: the station; a channel's notice replaces its earlier one
    std::string summary;
    std::string body;
    bool critical = false;
};

// What the window tells the desktop, once as each begins: a station alarm
// that turns on, a sensor that goes silent (one that sent values before),
// the station lost after it was there. Values in the unit the station shows.
class DesktopAlerts {
public:
    static constexpr std::chrono::seconds SILENT_AFTER{120};

    DesktopAlerts();
    std::vector<DesktopNotice> OnReading(const ReadingSnapshot& reading, int32_t unitCode);
    std::vector<DesktopNotice> OnStation(bool connected, int64_t now);

private:
    std::vector<DesktopNotice> Notices(const std::vector<AlertEvent>& events,
                                       int32_t unitCode) const;

    AlertMonitor monitor_;
    std::vector<AlertRule> rules_;
    std::array<std::optional<ArchiveRow>, CHANNEL_COUNT> last_;  // each channel's last values
    bool wasConnected_ = false;
};

}  // namespace corvalin
