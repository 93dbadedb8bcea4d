// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "archive/ArchiveRow.h"
#include "logger/ReadingSnapshot.h"

namespace corvalin {

// The MQTT topic tree and payloads (units fixed: °C and %, never in key names):
//   corvalin/<station>/status               online | offline (retained; offline is the will)
//   corvalin/<station>/ch<N>/state          {"time", "temperature", "humidity",
//                                            "dewPoint", "heatIndex", "unit"}
//   corvalin/<station>/ch<N>/<quantity>     the bare number (temperature, humidity,
//                                            dew_point, heat_index)
//   corvalin/<station>/ch<N>/availability   online | offline (retained)
//   corvalin/<station>/ch<N>/alarm          {"temperature": "ON"|"OFF", "humidity": …} (retained)
//   corvalin/<station>/alert/<rule id>      ON | OFF: whether an alert rule fires (retained)
// and Home Assistant discovery under homeassistant/<component>/<object id>/config.
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
MqttMessage AlertDiscoveryMessage(const std::string& station, const AlertSensor& sensor);
// The empty retained config and state that remove a rule no longer there.
std::vector<MqttMessage> AlertRemovalMessages(const std::string& station, const std::string& id);
MqttMessage AlertStateMessage(const std::string& station, const AlertSensor& sensor);

// The retained discovery configs: one device per station, one sensor per
// channel and quantity, one problem binary sensor per channel and alarm.
std::vector<MqttMessage> DiscoveryMessages(const std::string& station,
                                           std::chrono::seconds interval);

}  // namespace corvalin
