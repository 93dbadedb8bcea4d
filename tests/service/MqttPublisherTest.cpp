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
        mqtt.archivePath = data.File(ARCHIVE_DATABASE_FILE);
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

    // Waits (bounded) for what other threads bring about.
    static bool WaitUntil(const std::function<bool()>& done) {
        for (int i = 0; i < 2400 && !done(); ++i) std::this_thread::sleep_for(25ms);  // 60 s
        return done();
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
    // A subscriber that comes later hears of the lost sensor too.
    test::MqttSubscriber afterLoss(broker.port(), "after-loss");
    ASSERT_TRUE(afterLoss.WaitFor(CH3 + "availability", 1));
    EXPECT_EQ(afterLoss.On(CH3 + "availability")[0].payload, "offline");
    EXPECT_TRUE(afterLoss.On(CH3 + "availability")[0].retained);
    EXPECT_EQ(Payloads(CH3 + "state").size(), 3u);

    // The alarm answer of the next read does not come: no reading, and no
    // alarm state built on what did not come; the one after is whole again.
    rig.station().InjectFault(*ParseFaultSpec("drop=1@3"));
    Pass(2);
    ASSERT_TRUE(subscriber->WaitFor(CH1 + "alarm", 5));
    EXPECT_EQ(Payloads(CH1 + "state").size(), 5u);
    EXPECT_EQ(nlohmann::json::parse(Payloads(CH1 + "alarm").back())["temperature"], "ON");

    rig.station().SetSensor({1, true, 19.0, 40});
    Pass(1);
    ASSERT_TRUE(subscriber->WaitFor(CH1 + "alarm", 6));
    EXPECT_EQ(nlohmann::json::parse(Payloads(CH1 + "alarm").back())["temperature"], "OFF");
}

// Every reading once, in order, whatever happened to the broker meanwhile.
void ExpectEachReadingOnce(const std::vector<std::string>& times, size_t count) {
    ASSERT_EQ(times.size(), count);
    EXPECT_TRUE(std::is_sorted(times.begin(), times.end()));
    EXPECT_EQ(std::set<std::string>(times.begin(), times.end()).size(), times.size());
}

TEST_F(MqttPublisherTest, ABrokerAwayLosesNoReadingAndSendsNoneTwice) {
    Pass(2);
    ASSERT_TRUE(subscriber->WaitFor(CH1 + "state", 2));
    broker.Stop();
    Pass(30);  // half an hour of readings while the broker is away
    ASSERT_TRUE(broker.Start());
    ASSERT_TRUE(subscriber->WaitFor(CH1 + "state", 32, 120));
    ASSERT_TRUE(subscriber->WaitFor(CH3 + "state", 32));
    ExpectEachReadingOnce(StateTimes(CH1), 32);
    ASSERT_TRUE(WaitUntil([&] { return state.Get().queued == 0; }));
}

// A broker that stops answering keeps the reading it was given unacknowledged;
// killed and started again, it gets that one and the rest, each once.
TEST_F(MqttPublisherTest, AFrozenBrokerKilledAndStartedAgainGetsEveryReadingOnce) {
    Pass(2);
    ASSERT_TRUE(subscriber->WaitFor(CH1 + "state", 2));
    ASSERT_TRUE(WaitUntil([&] { return state.Get().queued == 0; }));
    broker.Freeze();
    Pass(5);
    ASSERT_TRUE(WaitUntil([&] { return state.Get().queued == 5; }));
    broker.Kill();
    ASSERT_TRUE(broker.Start());
    ASSERT_TRUE(subscriber->WaitFor(CH1 + "state", 7, 120));
    ASSERT_TRUE(WaitUntil([&] { return state.Get().queued == 0; }));
    ExpectEachReadingOnce(StateTimes(CH1), 7);
}

}  // namespace
}  // namespace corvalin
