// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "archive/ArchiveRow.h"
#include "logger/ReadingSnapshot.h"

namespace corvalin {

// The MQTT topic tree and payloads (units fixed: °C, % and g/m³, never in key names):
//   corvalin/<station>/status               online | offline (retained; offline is the will)
//   corvalin/<station>/ch<N>/state          {"time", "temperature", "humidity",
//                                            "dewPoint", "heatIndex", "absoluteHumidity",
//                                            "frostPoint", "unit"}
//   corvalin/<station>/ch<N>/<quantity>     the bare number (temperature, humidity,
//                                            dew_point, heat_index, absolute_humidity,
//                                            frost_point)
//   corvalin/<station>/ch<N>/availability   online | offline (retained)
//   corvalin/<station>/ch<N>/alarm          {"temperature": "ON"|"OFF", "humidity": …} (retained)
//   corvalin/<station>/alert/<rule id>      ON | OFF: whether an alert rule fires (retained)
// and Home Assistant discovery: one device-based message per station under
// homeassistant/device/corvalin_<station>/config.
struct MqttMessage {
    std::string topic;
    std::string payload;
    bool retain = false;
};

std::string StatusTopic(const std::string& station);
std::string ChannelTopic(const std::string& station, int channel, const std::string& leaf);
inline constexpr const char* HOME_ASSISTANT_STATUS = "homeassistant/status";

// The messages of one reading of one channel: its state, one topic per value,
// its availability and its alarm state (with the station's limits, when known).
std::vector<MqttMessage> ReadingMessages(const std::string& station, const ArchiveRow& row,
                                         const std::optional<StationAlarms>& alarms);
// A channel without a reading at that time: its sensor is missing.
MqttMessage ChannelOffline(const std::string& station, int channel);

// An alert rule as Home Assistant sees it: a problem binary sensor, on while
// the rule fires.
struct AlertSensor {
    std::string id;    // letters, digits and _
    std::string rule;  // the rule's text, the entity's name
    bool firing = false;

    bool operator==(const AlertSensor&) const = default;
};

// The retained device-based discovery: the station as one device with an
// origin, one sensor per channel and quantity and one problem binary sensor
// per channel and alarm, each with the unique id it always had, and one per
// alert rule; the rules `removed` since the last one are taken off.
MqttMessage DeviceDiscovery(const std::string& station, std::chrono::seconds interval,
                            const std::vector<AlertSensor>& alerts = {},
                            const std::vector<std::string>& removed = {});
// An alert rule's retained state; a rule removed has its state emptied.
MqttMessage AlertStateMessage(const std::string& station, const AlertSensor& sensor);
MqttMessage AlertStateRemoval(const std::string& station, const std::string& id);
// Moving from the per-entity configs of before: first each old config topic
// hands its entity over to the device's config, then, after that config, it
// is emptied, so that no entity is doubled and none loses its history.
std::vector<MqttMessage> FormerDiscoveryHandOver(const std::string& station);
std::vector<MqttMessage> FormerDiscoveryRemoval(const std::string& station);

}  // namespace corvalin
