// SPDX-License-Identifier: GPL-3.0-or-later
#include "publish/MqttMessages.h"

#include <nlohmann/json.hpp>

#include "archive/Quantity.h"
#include "common/NumberText.h"
#include "common/Version.h"
#include "common/ZonedTime.h"
#include "logger/StationAlarmCheck.h"

namespace corvalin {

namespace {

// Where a user of Home Assistant finds help with the origin of its entities.
constexpr const char* SUPPORT_URL = "https://corvalin.github.io";
// How many intervals without a reading before Home Assistant shows none.
constexpr int EXPIRE_AFTER_INTERVALS = 3;

nlohmann::json Value(const std::optional<double>& value) {
    return value ? nlohmann::json(*value) : nlohmann::json(nullptr);
}

// A quantity as it is published: in the state payload under its key, on a
// topic of its own under its field name, and as a sensor of that id.
struct Published {
    Quantity quantity;
    const char* name;
    const char* deviceClass;
    bool hadOwnConfig;  // a sensor of the per-entity discovery of before
};

constexpr Published QUANTITIES[] = {
    {Quantity::Temperature, "Temperature", "temperature", true},
    {Quantity::Humidity, "Humidity", "humidity", true},
    {Quantity::DewPoint, "Dew point", "temperature", true},
    {Quantity::HeatIndex, "Heat index", "temperature", true},
    {Quantity::AbsoluteHumidity, "Absolute humidity", "absolute_humidity", false},
    {Quantity::FrostPoint, "Frost point", "temperature", false},
};

constexpr const char* ALARMS[] = {"temperature", "humidity"};

std::string ObjectId(const std::string& station, int channel, const std::string& what) {
    return "corvalin_" + station + "_ch" + std::to_string(channel) + "_" + what;
}

nlohmann::json Device(const std::string& station) {
    return {{"ids", nlohmann::json::array({"corvalin_" + station})},
            {"name", "KV7500 " + station},
            {"mf", "KV7500"},
            {"mdl", "KV7500"},
            {"sw", CORVALIN_VERSION}};
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
    for (const Published& published : QUANTITIES) {
        state[QuantityKey(published.quantity)] = Value(QuantityValue(row, published.quantity));
    }
    state["unit"] = "°C";
    messages.push_back({ChannelTopic(station, row.channel, "state"), state.dump(), false});
    for (const Published& published : QUANTITIES) {
        if (const std::optional<double> value = QuantityValue(row, published.quantity)) {
            messages.push_back(
                {ChannelTopic(station, row.channel, QuantityField(published.quantity)),
                 ShortestText(*value), false});
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

// The entities' ids and components, as the per-entity configs had them.
struct Entity {
    std::string id;
    const char* component;
};

std::vector<Entity> Entities(const std::string& station) {
    std::vector<Entity> entities;
    for (int channel = 1; channel <= CHANNEL_COUNT; ++channel) {
        for (const Published& published : QUANTITIES) {
            if (!published.hadOwnConfig) continue;
            entities.push_back(
                {ObjectId(station, channel, QuantityField(published.quantity)), "sensor"});
        }
        for (const char* alarm : ALARMS) {
            entities.push_back(
                {ObjectId(station, channel, std::string(alarm) + "_alarm"), "binary_sensor"});
        }
    }
    return entities;
}

std::string FormerConfigTopic(const Entity& entity) {
    return std::string("homeassistant/") + entity.component + "/" + entity.id + "/config";
}

nlohmann::json SensorComponent(const std::string& station, int channel, const Published& published,
                               std::chrono::seconds interval) {
    const std::string id = ObjectId(station, channel, QuantityField(published.quantity));
    return {
        {"p", "sensor"},
        {"name", "CH" + std::to_string(channel) + " " + published.name},
        {"unique_id", id},
        {"default_entity_id", "sensor." + id},
        {"state_topic", ChannelTopic(station, channel, "state")},
        {"value_template", std::string("{{ value_json.") + QuantityKey(published.quantity) + " }}"},
        {"device_class", published.deviceClass},
        {"state_class", "measurement"},
        {"unit_of_measurement", QuantityUnit(published.quantity)},
        {"availability", Availability(station, channel)},
        {"availability_mode", "all"},
        {"expire_after", EXPIRE_AFTER_INTERVALS * interval.count()}};
}

nlohmann::json AlarmComponent(const std::string& station, int channel, const char* alarm) {
    const std::string id = ObjectId(station, channel, std::string(alarm) + "_alarm");
    return {{"p", "binary_sensor"},
            {"name", "CH" + std::to_string(channel) + " " + alarm + " alarm"},
            {"unique_id", id},
            {"default_entity_id", "binary_sensor." + id},
            {"state_topic", ChannelTopic(station, channel, "alarm")},
            {"value_template", std::string("{{ value_json.") + alarm + " }}"},
            {"payload_on", "ON"},
            {"payload_off", "OFF"},
            {"device_class", "problem"},
            {"availability", Availability(station, channel)},
            {"availability_mode", "all"}};
}

std::string AlertObjectId(const std::string& station, const std::string& id) {
    return "corvalin_" + station + "_alert_" + id;
}

std::string AlertStateTopic(const std::string& station, const std::string& id) {
    return "corvalin/" + station + "/alert/" + id;
}

nlohmann::json AlertComponent(const std::string& station, const AlertSensor& sensor) {
    const std::string id = AlertObjectId(station, sensor.id);
    return {{"p", "binary_sensor"},
            {"name", "Alert " + sensor.rule},
            {"unique_id", id},
            {"default_entity_id", "binary_sensor." + id},
            {"state_topic", AlertStateTopic(station, sensor.id)},
            {"payload_on", "ON"},
            {"payload_off", "OFF"},
            {"device_class", "problem"},
            {"availability", nlohmann::json::array({{{"topic", StatusTopic(station)}}})}};
}

}  // namespace

MqttMessage AlertStateMessage(const std::string& station, const AlertSensor& sensor) {
    return {AlertStateTopic(station, sensor.id), sensor.firing ? "ON" : "OFF", true};
}

MqttMessage AlertStateRemoval(const std::string& station, const std::string& id) {
    return {AlertStateTopic(station, id), "", true};
}

MqttMessage DeviceDiscovery(const std::string& station, std::chrono::seconds interval,
                            const std::vector<AlertSensor>& alerts,
                            const std::vector<std::string>& removed) {
    nlohmann::json components = nlohmann::json::object();
    for (int channel = 1; channel <= CHANNEL_COUNT; ++channel) {
        for (const Published& published : QUANTITIES) {
            components[ObjectId(station, channel, QuantityField(published.quantity))] =
                SensorComponent(station, channel, published, interval);
        }
        for (const char* alarm : ALARMS) {
            components[ObjectId(station, channel, std::string(alarm) + "_alarm")] =
                AlarmComponent(station, channel, alarm);
        }
    }
    for (const AlertSensor& alert : alerts) {
        components[AlertObjectId(station, alert.id)] = AlertComponent(station, alert);
    }
    // A component with its platform only is taken off the device.
    for (const std::string& id : removed) {
        components[AlertObjectId(station, id)] = {{"p", "binary_sensor"}};
    }
    const nlohmann::json config{
        {"dev", Device(station)},
        {"o", {{"name", "Corvalin"}, {"sw", CORVALIN_VERSION}, {"url", SUPPORT_URL}}},
        {"cmps", components}};
    return {"homeassistant/device/corvalin_" + station + "/config", config.dump(), true};
}

std::vector<MqttMessage> FormerDiscoveryHandOver(const std::string& station) {
    std::vector<MqttMessage> messages;
    for (const Entity& entity : Entities(station)) {
        messages.push_back({FormerConfigTopic(entity), R"({"migrate_discovery": true})", true});
    }
    return messages;
}

std::vector<MqttMessage> FormerDiscoveryRemoval(const std::string& station) {
    std::vector<MqttMessage> messages;
    for (const Entity& entity : Entities(station)) {
        messages.push_back({FormerConfigTopic(entity), "", true});
    }
    return messages;
}

}  // namespace corvalin
