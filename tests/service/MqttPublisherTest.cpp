// SPDX-License-Identifier: GPL-3.0-or-later
// The logger's readings through a real broker to a subscriber of our own.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <set>
#include <thread>

#include "config/AlarmForm.h"
#include "service/MqttPublisher.h"
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
        LoggerSettings settings;
        settings.dataDir = data.path();
        settings.interval = 60s;
        settings.station = "attic";
        logger.Configure(settings);
        MqttSettings mqtt;
        ASSERT_TRUE(ParseMqttAddress(broker.Address(), mqtt));
        mqtt.station = "attic";
        mqtt.interval = 60s;
        mqtt.archivePath = data.File(ARCHIVE_FILE);
        publisher = std::make_unique<MqttPublisher>(mqtt, state, nullptr);
        logger.SetReadingListener(
            [this](const ReadingSnapshot& reading) { publisher->OnReading(reading); });
        ASSERT_TRUE(publisher->Start());
    }
    void TearDown() override {
        if (publisher) publisher->Stop();
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
    test::SimRig rig{Sensors()};
    test::TempDir data;
    TestClock clock;
    StationLogger logger{rig.session(), clock, nullptr};
    ServiceStateHolder state;
    std::unique_ptr<MqttPublisher> publisher;
};

TEST_F(MqttPublisherTest, DiscoveryOnceThenStatesAvailabilityAndTheStationsAlarms) {
    Pass(3);
    ASSERT_TRUE(subscriber->WaitFor(CH1 + "state", 3));

    // Discovery: one config per channel and quantity, sent once, and
    // retained: a subscriber that comes later gets every one of them.
    std::map<std::string, int> configs;
    for (const auto& message : subscriber->Messages()) {
        if (message.topic.rfind("homeassistant/", 0) == 0) ++configs[message.topic];
    }
    EXPECT_EQ(configs.size(), 8u * 6);
    for (const auto& [topic, count] : configs) EXPECT_EQ(count, 1) << topic;
    test::MqttSubscriber later(broker.port(), "later");
    ASSERT_TRUE(later.WaitFor("corvalin/attic/status", 1));
    for (const auto& [topic, count] : configs) {
        ASSERT_TRUE(later.WaitFor(topic, 1)) << topic;
        EXPECT_TRUE(later.On(topic)[0].retained) << topic;
    }
    EXPECT_TRUE(later.On("corvalin/attic/status")[0].retained);
    EXPECT_TRUE(later.On(CH1 + "availability")[0].retained);
    const auto temperature =
        subscriber->On("homeassistant/sensor/corvalin_attic_ch1_temperature/config");
    ASSERT_EQ(temperature.size(), 1u);
    const nlohmann::json config = nlohmann::json::parse(temperature[0].payload);
    EXPECT_EQ(config["unique_id"], "corvalin_attic_ch1_temperature");
    EXPECT_EQ(config["state_topic"], CH1 + "state");
    EXPECT_EQ(config["device_class"], "temperature");
    EXPECT_EQ(config["state_class"], "measurement");
    EXPECT_EQ(config["unit_of_measurement"], "°C");
    EXPECT_EQ(config["availability"].size(), 2u);
    EXPECT_EQ(config["expire_after"], 180);
    EXPECT_EQ(config["device"]["identifiers"][0], "corvalin_attic");

    EXPECT_EQ(Payloads("corvalin/attic/status").back(), "online");
    const std::vector<std::string> times = StateTimes(CH1);
    EXPECT_EQ(times, (std::vector<std::string>{"2023-11-14T22:13:20Z", "2023-11-14T22:14:20Z",
                                               "2023-11-14T22:15:20Z"}));
    const nlohmann::json ch3 = nlohmann::json::parse(Payloads(CH3 + "state").back());
    EXPECT_EQ(ch3["temperature"], -3.2);
    EXPECT_EQ(ch3["humidity"], 80);
    EXPECT_EQ(ch3["unit"], "°C");
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
    EXPECT_EQ(Payloads(CH3 + "availability").back(), "offline");
    EXPECT_EQ(Payloads(CH3 + "state").size(), 3u);

    rig.station().SetSensor({1, true, 19.0, 40});
    Pass(1);
    ASSERT_TRUE(subscriber->WaitFor(CH1 + "alarm", 5));
    EXPECT_EQ(nlohmann::json::parse(Payloads(CH1 + "alarm").back())["temperature"], "OFF");
}

TEST_F(MqttPublisherTest, ABrokerAwayLosesNoReadingAndSendsNoneTwice) {
    Pass(2);
    ASSERT_TRUE(subscriber->WaitFor(CH1 + "state", 2));
    broker.Stop();
    Pass(30);  // half an hour of readings while the broker is away
    ASSERT_TRUE(broker.Start());
    ASSERT_TRUE(subscriber->WaitFor(CH1 + "state", 32, 60));
    const std::vector<std::string> times = StateTimes(CH1);
    ASSERT_EQ(times.size(), 32u);
    EXPECT_TRUE(std::is_sorted(times.begin(), times.end()));
    EXPECT_EQ(std::set<std::string>(times.begin(), times.end()).size(), times.size());
    EXPECT_TRUE(subscriber->WaitFor(CH3 + "state", 32));
    // The acknowledgments of the last reading follow its delivery.
    for (int i = 0; i < 200 && state.Get().queued != 0; ++i) std::this_thread::sleep_for(25ms);
    EXPECT_EQ(state.Get().queued, 0u);
}

// Each alert rule is a problem binary sensor whose state follows the rule;
// a rule dropped is removed, also after a restart of the publisher.
TEST_F(MqttPublisherTest, AlertRulesAreBinarySensorsWithRetainedStates) {
    const std::string config = "homeassistant/binary_sensor/corvalin_attic_alert_";
    const std::string state = "corvalin/attic/alert/";
    Pass(1);
    publisher->SetAlerts({{"ch1_temperature_above_30", "ch1.temperature above 30", false},
                          {"station_lost_5m", "station lost 5m", false}});
    ASSERT_TRUE(subscriber->WaitFor(state + "station_lost_5m", 1));
    const nlohmann::json sensor =
        nlohmann::json::parse(Payloads(config + "ch1_temperature_above_30/config").at(0));
    EXPECT_EQ(sensor["name"], "Alert ch1.temperature above 30");
    EXPECT_EQ(sensor["device_class"], "problem");
    EXPECT_EQ(sensor["state_topic"], state + "ch1_temperature_above_30");
    EXPECT_EQ(sensor["unique_id"], "corvalin_attic_alert_ch1_temperature_above_30");
    EXPECT_EQ(Payloads(state + "ch1_temperature_above_30"), std::vector<std::string>{"OFF"});

    publisher->SetAlerts({{"ch1_temperature_above_30", "ch1.temperature above 30", true},
                          {"station_lost_5m", "station lost 5m", false}});
    ASSERT_TRUE(subscriber->WaitFor(state + "ch1_temperature_above_30", 2));
    EXPECT_EQ(Payloads(state + "ch1_temperature_above_30").back(), "ON");
    EXPECT_EQ(Payloads(config + "ch1_temperature_above_30/config").size(), 1u);  // unchanged rules

    // Stopped with two rules, started again with one: the other is removed.
    publisher->Stop();
    MqttSettings mqtt = publisher->settings();
    publisher = std::make_unique<MqttPublisher>(mqtt, this->state, nullptr);
    publisher->SetAlerts({{"station_lost_5m", "station lost 5m", false}});
    ASSERT_TRUE(publisher->Start());
    ASSERT_TRUE(subscriber->WaitFor(config + "ch1_temperature_above_30/config", 2));
    EXPECT_EQ(Payloads(config + "ch1_temperature_above_30/config").back(), "");
    // What the broker keeps for one who comes later.
    test::MqttSubscriber later(broker.port(), "later-alerts");
    ASSERT_TRUE(later.WaitFor(state + "station_lost_5m", 1));
    ASSERT_TRUE(later.WaitFor(config + "station_lost_5m/config", 1));
    EXPECT_TRUE(later.On(config + "station_lost_5m/config")[0].retained);
    EXPECT_TRUE(later.On(config + "ch1_temperature_above_30/config").empty());
    EXPECT_TRUE(later.On(state + "ch1_temperature_above_30").empty());
    EXPECT_EQ(later.On(state + "station_lost_5m")[0].payload, "OFF");
}

}  // namespace
}  // namespace corvalin
