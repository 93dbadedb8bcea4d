// SPDX-License-Identifier: GPL-3.0-or-later
#include "alert/DesktopAlerts.h"

#include "common/ReadingFormat.h"

namespace corvalin {

namespace {

AlertRule MustParse(const std::string& text) { return *ParseAlertRule(text); }

std::string Shown(const std::string& quantity, double value, int32_t unitCode) {
    return quantity == "humidity" ? FormatHumidity(static_cast<int32_t>(value), 0)
                                  : FormatTemperature(static_cast<float>(value), 0, unitCode);
}

std::string Channel(int channel) { return "CH" + std::to_string(channel); }

}  // namespace

DesktopAlerts::DesktopAlerts()
    : monitor_("", {}), rules_{MustParse("station-alarms"), MustParse("station lost 0s")} {
    monitor_.SetRules(rules_);
}

std::vector<DesktopNotice> DesktopAlerts::OnReading(const ReadingSnapshot& reading,
                                                    int32_t unitCode) {
    wasConnected_ = true;
    // A channel is watched for silence once it has sent a value.
    bool newChannel = false;
    for (const ArchiveRow& row : reading.rows) {
        if (!last_[row.channel - 1]) {
            rules_.push_back(MustParse(Channel(row.channel) + " silent " +
                                       std::to_string(SILENT_AFTER.count()) + "s"));
            newChannel = true;
        }
    }
    if (newChannel) monitor_.SetRules(rules_);
    const std::vector<DesktopNotice> notices = Notices(monitor_.OnReading(reading), unitCode);
    for (const ArchiveRow& row : reading.rows) last_[row.channel - 1] = row;
    return notices;
}

std::vector<DesktopNotice> DesktopAlerts::OnStation(bool connected, int64_t now) {
    // A station never seen is not lost.
    if (!connected && !wasConnected_) return {};
    wasConnected_ = wasConnected_ || connected;
    return Notices(monitor_.OnService(connected, 0, now), 0);
}

std::vector<DesktopNotice> DesktopAlerts::Notices(const std::vector<AlertEvent>& events,
                                                  int32_t unitCode) const {
    std::vector<DesktopNotice> notices;
    for (const AlertEvent& event : events) {
        if (event.state != AlertState::Firing) continue;
        DesktopNotice notice;
        notice.channel = event.channel;
        if (event.kind == AlertKind::StationLost) {
            notice.summary = "Station lost";
            notice.body = "The station was unplugged or no longer answers.";
            notice.critical = true;
        } else if (event.kind == AlertKind::Silent) {
            notice.summary = Channel(event.channel) + " is silent";
            notice.body = "No value from " + Channel(event.channel) + " for " +
                          std::to_string(SILENT_AFTER.count() / 60) + " minutes.";
            if (const std::optional<ArchiveRow>& last = last_[event.channel - 1]) {
                notice.body +=
                    " The last: " +
                    (last->temperature ? Shown("temperature", *last->temperature, unitCode)
                                       : std::string("--")) +
                    ", " +
                    (last->humidity ? Shown("humidity", *last->humidity, unitCode)
                                    : std::string("--")) +
                    ".";
            }
        } else {
            notice.summary = Channel(event.channel) + " " + event.quantity + " alarm";
            notice.body = Shown(event.quantity, event.value.value_or(0), unitCode) +
                          ", past the station's limit of " +
                          Shown(event.quantity, event.limit.value_or(0), unitCode) + ".";
            notice.critical = true;
        }
        notices.push_back(notice);
    }
    return notices;
}

}  // namespace corvalin
