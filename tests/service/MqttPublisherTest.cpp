// SPDX-License-Identifier: GPL-3.0-or-later
// The logger's readings through a real broker to a subscriber of our own.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <set>
#include <thread>

#include "config/AlarmForm.h"
#include "service/MqttPublisher.h"
#include "support/Eventually.h"
#include "support/LoggerRig.h"
#include "support/MqttBroker.h"
#include "support/SimRig.h"

namespace corvalin {
namespace {

using namespace std::chrono_literals;

using test::TestClock;
const auto Sensors = test::TwoSensors;

const std::string CH1 = "corvalin/attic/ch1/";
const std::string CH3 = "corvalin/attic/ch3/";

class MqttPublisherTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(broker.Start());
        subscriber = std::make_unique<test::MqttSubscriber>(broker.port());
        ASSERT_TRUE(subscriber->Connected());
        logging.dataDir = data.path();
        logging.interval = 60s;
        logging.station = "attic";
        logger.Configure(logging);
        ASSERT_TRUE(ParseMqttAddress(broker.Address(), settings));
        settings.station = "attic";
        settings.interval = 60s;
        settings.archivePath = data.File(ARCHIVE_DATABASE_FILE);
        publisher = std::make_unique<MqttPublisher>(settings, state, nullptr);
        logger.SetReadingListener(
            [this](const ReadingSnapshot& reading) { publisher->OnReading(reading); });
        ASSERT_TRUE(publisher->Start());
    }
    void TearDown() override {
        if (publisher) publisher->Stop();
    }

    // A new start of the publisher, with `alerts` (none: as before).
    void Restart(std::optional<std::vector<AlertSensor>> alerts = {}) {
        publisher->Stop();
        publisher = std::make_unique<MqttPublisher>(settings, state, nullptr);
        if (alerts) publisher->SetAlerts(*alerts);
        ASSERT_TRUE(publisher->Start());
    }

    void Pass(int count) {
        for (int i = 0; i < count; ++i) {
            logger.Turn();
            clock.now += 60s;
        }
    }

    std::vector<std::string> Payloads(const std::string& topic) {
        std::vector<std::string> payloads;
        for (const auto& message : subscriber->On(topic)) payloads.push_back(message.payload);
        return payloads;
    }

    std::vector<std::string> StateTimes(const std::string& channel) {
        std::vector<std::string> times;
        for (const std::string& payload : Payloads(channel + "state")) {
            times.push_back(nlohmann::json::parse(payload)["time"]);
        }
        return times;
    }

    test::MqttBroker broker;
    std::unique_ptr<test::MqttSubscriber> subscriber;
    LoggerSettings logging;
    test::SimRig rig{Sensors()};
    test::TempDir data;
    TestClock clock;
    StationLogger logger{rig.session(), clock, nullptr};
    ServiceStateHolder state;
    MqttSettings settings;
    std::unique_ptr<MqttPublisher> publisher;
};

TEST_F(MqttPublisherTest, DiscoveryOnceThenStatesAvailabilityAndTheStationsAlarms) {
    Pass(3);
    ASSERT_TRUE(subscriber->WaitFor(CH1 + "state", 3));

    // Discovery: one device-based config, sent once and retained, with every
    // entity under the unique id it always had.
    const std::string device = "homeassistant/device/corvalin_attic/config";
    ASSERT_EQ(subscriber->On(device).size(), 1u);
    const nlohmann::json config = nlohmann::json::parse(subscriber->On(device)[0].payload);
    ASSERT_EQ(config["cmps"].size(), 8u * 8);
    for (const auto& [id, component] : config["cmps"].items()) {
        EXPECT_EQ(component["unique_id"], id);
        EXPECT_EQ(component["default_entity_id"], component["p"].get<std::string>() + "." + id);
        EXPECT_EQ(component["availability"].size(), 2u) << id;
    }
    EXPECT_EQ(config["cmps"]["corvalin_attic_ch1_temperature"]["expire_after"], 180);
    // Sensors new to the device-based config had no config of their own to hand over.
    EXPECT_TRUE(
        subscriber->On("homeassistant/sensor/corvalin_attic_ch1_frost_point/config").empty());
    // Each per-entity config of before: handed over, then emptied.
    const std::string former = "homeassistant/sensor/corvalin_attic_ch4_dew_point/config";
    ASSERT_EQ(subscriber->On(former).size(), 2u);
    EXPECT_EQ(nlohmann::json::parse(subscriber->On(former)[0].payload)["migrate_discovery"], true);
    EXPECT_EQ(subscriber->On(former)[1].payload, "");
    // The old configs go once: a new start sends the device's config alone,
    // and not the reading the broker took as the publisher stopped.
    Restart();
    ASSERT_TRUE(subscriber->WaitFor(device, 2));
    // Home Assistant, started again, is told again.
    subscriber->Publish("homeassistant/status", "online");
    ASSERT_TRUE(subscriber->WaitFor(device, 3));
    publisher->Reconfigure(120s);  // and of another interval's expiry
    ASSERT_TRUE(subscriber->WaitFor(device, 4));
    EXPECT_NE(Payloads(device)[3].find("\"expire_after\":360"), std::string::npos);
    EXPECT_EQ(subscriber->On(former).size(), 2u);

    EXPECT_EQ(Payloads("corvalin/attic/status").back(), "online");
    EXPECT_EQ(StateTimes(CH1).front(), "2023-11-14T22:13:20Z");  // the reading's own time
    const nlohmann::json ch3 = nlohmann::json::parse(Payloads(CH3 + "state").back());
    EXPECT_EQ(std::tuple(ch3["temperature"], ch3["humidity"], ch3["frostPoint"]),
              std::tuple(-3.2, 80, -5.4));
    EXPECT_TRUE(nlohmann::json::parse(Payloads(CH1 + "state").back())["frostPoint"].is_null());
    EXPECT_TRUE(Payloads(CH1 + "frost_point").empty());
    EXPECT_EQ(Payloads(CH1 + "temperature").back(), "21.5");
    EXPECT_EQ(Payloads(CH1 + "availability").back(), "online");
    EXPECT_EQ(Payloads("corvalin/attic/ch2/availability").back(), "offline");
    EXPECT_TRUE(Payloads("corvalin/attic/ch2/state").empty());

    // CH3's sensor goes: offline, and no value of it.
    rig.station().SetSensor({3, false, 0, 0});
    // CH1's high temperature limit, 20.0 °C, set on the station.
    AlarmForm alarms;
    ASSERT_TRUE(rig.session().Load(alarms));
    alarms.temperatureAlarm = 0;
    alarms.channels[0].temperatureHigh = "20.0";
    alarms.channels[0].temperatureHighEnabled = true;
    ASSERT_EQ(rig.session().Save(alarms).result, SaveResult::Written);
    Pass(1);
    // Each reading carries the alarm state with it.
    ASSERT_TRUE(subscriber->WaitFor(CH1 + "alarm", 4));
    EXPECT_EQ(nlohmann::json::parse(Payloads(CH1 + "alarm")[2])["temperature"], "OFF");
    EXPECT_EQ(nlohmann::json::parse(Payloads(CH1 + "alarm").back()),
              nlohmann::json::parse(R"({"temperature": "ON", "humidity": "OFF"})"));
    // A subscriber that comes later gets the device's config, the status, the
    // lost sensor and the alarm state, kept for it, and no old config and no
    // reading.
    test::MqttSubscriber later(broker.port(), "later");
    for (const std::string& topic : {device, std::string("corvalin/attic/status"),
                                     CH1 + "availability", CH3 + "availability", CH1 + "alarm"}) {
        ASSERT_TRUE(later.WaitFor(topic, 1)) << topic;
        EXPECT_TRUE(later.On(topic)[0].retained) << topic;
    }
    EXPECT_EQ(later.On(CH1 + "availability")[0].payload, "online");
    EXPECT_EQ(later.On(CH3 + "availability")[0].payload, "offline");
    EXPECT_TRUE(later.On(former).empty() && later.On(CH1 + "state").empty());
    EXPECT_EQ(Payloads(CH3 + "state").size(), 3u);

    // The alarm answer of the next read does not come: no reading, and no
    // alarm state built on what did not come; the one after is whole again.
    rig.station().InjectFault(*ParseFaultSpec("drop=1@3"));
    Pass(2);
    ASSERT_TRUE(subscriber->WaitFor(CH1 + "alarm", 5));
    EXPECT_EQ(Payloads(CH1 + "state").size(), 5u);
    EXPECT_EQ(nlohmann::json::parse(Payloads(CH1 + "alarm").back())["temperature"], "ON");
}

// Switched on over an archive that has readings, it sends those that come after.
TEST_F(MqttPublisherTest, AFirstStartSendsNoneOfTheReadingsBefore) {
    test::TempDir other;
    logging.dataDir = other.path();
    logger.Configure(logging);
    Pass(2);
    settings.archivePath = other.File(ARCHIVE_DATABASE_FILE);
    Restart();
    // Stopped before it sent any, it sends those logged meanwhile at its next start.
    ASSERT_TRUE(test::Eventually([&] { return state.Get().brokerConnected; }));
    publisher->Stop();
    Pass(1);
    Restart();
    Pass(1);
    ASSERT_TRUE(subscriber->WaitFor(CH1 + "state", 2));
    EXPECT_EQ(StateTimes(CH1).front(), "2023-11-14T22:15:20Z");
}

// A broker away keeps no reading from coming; one that stops answering keeps
// the reading it was given unacknowledged and, killed and started again, gets
// that one and the rest. Every reading comes once, in order.
TEST_F(MqttPublisherTest, ABrokerAwayOrFrozenAndKilledLosesNoReadingAndGetsNoneTwice) {
    Pass(2);
    ASSERT_TRUE(subscriber->WaitFor(CH1 + "state", 2));
    broker.Stop();
    Pass(30);  // half an hour of readings while the broker is away
    ASSERT_TRUE(broker.Start());
    ASSERT_TRUE(subscriber->WaitFor(CH1 + "state", 32, 120));
    ASSERT_TRUE(test::Eventually([&] { return state.Get().queued == 0; }));
    broker.Freeze();
    Pass(5);
    ASSERT_TRUE(test::Eventually([&] { return state.Get().queued == 5; }));
    broker.Kill();
    ASSERT_TRUE(broker.Start());
    ASSERT_TRUE(subscriber->WaitFor(CH1 + "state", 37, 120));
    ASSERT_TRUE(test::Eventually([&] { return state.Get().queued == 0; }));
    const std::vector<std::string> times = StateTimes(CH1);
    ASSERT_EQ(times.size(), 37u);
    EXPECT_TRUE(std::is_sorted(times.begin(), times.end()));
    EXPECT_EQ(std::set<std::string>(times.begin(), times.end()).size(), times.size());
}

// Each alert rule is a problem binary sensor of the station's device whose
// state follows the rule; a rule dropped is taken off, also after a restart.
TEST_F(MqttPublisherTest, AlertRulesAreBinarySensorsWithRetainedStates) {
    const std::string device = "homeassistant/device/corvalin_attic/config";
    const std::string state = "corvalin/attic/alert/";
    const std::string above = "corvalin_attic_alert_ch1_temperature_above_30";
    Pass(1);
    ASSERT_TRUE(subscriber->WaitFor(device, 1));
    publisher->SetAlerts({{"ch1_temperature_above_30", "ch1.temperature above 30", false},
                          {"station_lost_5m", "station lost 5m", false}});
    ASSERT_TRUE(subscriber->WaitFor(state + "station_lost_5m", 1));
    ASSERT_EQ(subscriber->On(device).size(), 2u);
    EXPECT_EQ(nlohmann::json::parse(Payloads(device).back())["cmps"][above]["name"],
              "Alert ch1.temperature above 30");
    EXPECT_EQ(Payloads(state + "ch1_temperature_above_30"), std::vector<std::string>{"OFF"});

    publisher->SetAlerts({{"ch1_temperature_above_30", "ch1.temperature above 30", true},
                          {"station_lost_5m", "station lost 5m", false}});
    ASSERT_TRUE(subscriber->WaitFor(state + "ch1_temperature_above_30", 2));
    EXPECT_EQ(Payloads(state + "ch1_temperature_above_30").back(), "ON");
    EXPECT_EQ(subscriber->On(device).size(), 2u);  // the same rules: no new discovery

    // Stopped with two rules, started again with one: the other is taken off.
    Restart(std::vector<AlertSensor>{{"station_lost_5m", "station lost 5m", false}});
    ASSERT_TRUE(subscriber->WaitFor(device, 3));
    EXPECT_EQ(nlohmann::json::parse(Payloads(device).back())["cmps"][above],
              nlohmann::json::parse(R"({"p": "binary_sensor"})"));
    // What the broker keeps for one who comes later.
    test::MqttSubscriber later(broker.port(), "later-alerts");
    ASSERT_TRUE(later.WaitFor(state + "station_lost_5m", 1));
    EXPECT_TRUE(later.On(state + "ch1_temperature_above_30").empty());
    EXPECT_EQ(later.On(state + "station_lost_5m")[0].payload, "OFF");
}

}  // namespace
}  // namespace corvalin
