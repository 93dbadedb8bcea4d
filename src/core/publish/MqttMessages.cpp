// SPDX-License-Identifier: GPL-3.0-or-later
#include "publish/MqttMessages.h"

#include <charconv>
#include <nlohmann/json.hpp>

#include "common/Version.h"
#include "common/ZonedTime.h"
#include "logger/StationAlarmCheck.h"

namespace corvalin {

namespace {

// How many intervals without a reading before Home Assistant shows none.
constexpr int EXPIRE_AFTER_INTERVALS = 3;

std::string Number(double value) {
    char text[32];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value);
    return error == std::errc() ? std::string(text, end) : std::string("0");
}

nlohmann::json Value(const std::optional<double>& value) {
    return value ? nlohmann::json(*value) : nlohmann::json(nullptr);
}

struct Quantity {
    const char* key;   // in the state payload
    const char* leaf;  // its own topic, and the entity's id
    const char* name;
    const char* deviceClass;
    const char* unit;
    std::optional<double> ArchiveRow::*value;
};

constexpr Quantity QUANTITIES[] = {
    {"temperature", "temperature", "Temperature", "temperature", "°C", &ArchiveRow::temperature},
    {"humidity", "humidity", "Humidity", "humidity", "%", &ArchiveRow::humidity},
    {"dewPoint", "dew_point", "Dew point", "temperature", "°C", &ArchiveRow::dewPoint},
    {"heatIndex", "heat_index", "Heat index", "temperature", "°C", &ArchiveRow::heatIndex},
};

constexpr const char* ALARMS[] = {"temperature", "humidity"};

std::string ObjectId(const std::string& station, int channel, const std::string& what) {
    return "corvalin_" + station + "_ch" + std::to_string(channel) + "_" + what;
}

nlohmann::json Device(const std::string& station) {
    return {{"identifiers", nlohmann::json::array({"corvalin_" + station})},
            {"name", "KV7500 " + station},
            {"manufacturer", "KV7500"},
            {"model", "KV7500"},
            {"sw_version", CORVALIN_VERSION}};
}

nlohmann::json Availability(const std::string& station, int channel) {
    return nlohmann::json::array({{{"topic", StatusTopic(station)}},
                                  {{"topic", ChannelTopic(station, channel, "availability")}}});
}

}  // namespace

std::string StatusTopic(const std::string& station) { return "corvalin/" + station + "/status"; }

std::string ChannelTopic(const std::string& station, int channel, const std::string& leaf) {
    return "corvalin/" + station + "/ch" + std::to_string(channel) + "/" + leaf;
}

std::vector<MqttMessage> ReadingMessages(const std::string& station, const ArchiveRow& row,
                                         const std::optional<StationAlarms>& alarms) {
    std::vector<MqttMessage> messages;
    nlohmann::ordered_json state{{"time", IsoTime(row.time, true)}};
    for (const Quantity& quantity : QUANTITIES) state[quantity.key] = Value(row.*quantity.value);
    state["unit"] = "°C";
    messages.push_back({ChannelTopic(station, row.channel, "state"), state.dump(), false});
    for (const Quantity& quantity : QUANTITIES) {
        const std::optional<double>& value = row.*quantity.value;
        if (value) {
            messages.push_back(
                {ChannelTopic(station, row.channel, quantity.leaf), Number(*value), false});
        }
    }
    messages.push_back({ChannelTopic(station, row.channel, "availability"), "online", true});
    if (alarms) {
        const ChannelAlarms crossed = CheckAlarms(*alarms, row);
        const nlohmann::ordered_json alarm{{"temperature", crossed.temperature ? "ON" : "OFF"},
                                           {"humidity", crossed.humidity ? "ON" : "OFF"}};
        messages.push_back({ChannelTopic(station, row.channel, "alarm"), alarm.dump(), true});
    }
    return messages;
}

MqttMessage ChannelOffline(const std::string& station, int channel) {
    return {ChannelTopic(station, channel, "availability"), "offline", true};
}

namespace {

std::string AlertObjectId(const std::string& station, const std::string& id) {
    return "corvalin_" + station + "_alert_" + id;
}

std::string AlertStateTopic(const std::string& station, const std::string& id) {
    return "corvalin/" + station + "/alert/" + id;
}

std::string AlertConfigTopic(const std::string& station, const std::string& id) {
    return "homeassistant/binary_sensor/" + AlertObjectId(station, id) + "/config";
}

}  // namespace

MqttMessage AlertDiscoveryMessage(const std::string& station, const AlertSensor& sensor) {
    const std::string id = AlertObjectId(station, sensor.id);
    const nlohmann::json config{
        {"name", "Alert " + sensor.rule},
        {"unique_id", id},
        {"object_id", id},
        {"state_topic", AlertStateTopic(station, sensor.id)},
        {"payload_on", "ON"},
        {"payload_off", "OFF"},
        {"device_class", "problem"},
        {"availability", nlohmann::json::array({{{"topic", StatusTopic(station)}}})},
        {"device", Device(station)},
        {"origin", {{"name", "Corvalin"}, {"sw_version", CORVALIN_VERSION}}}};
    return {AlertConfigTopic(station, sensor.id), config.dump(), true};
}

std::vector<MqttMessage> AlertRemovalMessages(const std::string& station, const std::string& id) {
    return {{AlertConfigTopic(station, id), "", true}, {AlertStateTopic(station, id), "", true}};
}

MqttMessage AlertStateMessage(const std::string& station, const AlertSensor& sensor) {
    return {AlertStateTopic(station, sensor.id), sensor.firing ? "ON" : "OFF", true};
}

std::vector<MqttMessage> DiscoveryMessages(const std::string& station,
                                           std::chrono::seconds interval) {
    std::vector<MqttMessage> messages;
    const nlohmann::json origin{{"name", "Corvalin"}, {"sw_version", CORVALIN_VERSION}};
    for (int channel = 1; channel <= CHANNEL_COUNT; ++channel) {
        for (const Quantity& quantity : QUANTITIES) {
            const std::string id = ObjectId(station, channel, quantity.leaf);
            const nlohmann::json config{
                {"name", "CH" + std::to_string(channel) + " " + quantity.name},
                {"unique_id", id},
                {"object_id", id},
                {"state_topic", ChannelTopic(station, channel, "state")},
                {"value_template", std::string("{{ value_json.") + quantity.key + " }}"},
                {"device_class", quantity.deviceClass},
                {"state_class", "measurement"},
                {"unit_of_measurement", quantity.unit},
                {"availability", Availability(station, channel)},
                {"availability_mode", "all"},
                {"expire_after", EXPIRE_AFTER_INTERVALS * interval.count()},
                {"device", Device(station)},
                {"origin", origin}};
            messages.push_back({"homeassistant/sensor/" + id + "/config", config.dump(), true});
        }
        for (const char* alarm : ALARMS) {
            const std::string id = ObjectId(station, channel, std::string(alarm) + "_alarm");
            const nlohmann::json config{
                {"name", "CH" + std::to_string(channel) + " " + alarm + " alarm"},
                {"unique_id", id},
                {"object_id", id},
                {"state_topic", ChannelTopic(station, channel, "alarm")},
                {"value_template", std::string("{{ value_json.") + alarm + " }}"},
                {"payload_on", "ON"},
                {"payload_off", "OFF"},
                {"device_class", "problem"},
                {"availability", Availability(station, channel)},
                {"availability_mode", "all"},
                {"device", Device(station)},
                {"origin", origin}};
            messages.push_back(
                {"homeassistant/binary_sensor/" + id + "/config", config.dump(), true});
        }
    }
    return messages;
}

}  // namespace corvalin
