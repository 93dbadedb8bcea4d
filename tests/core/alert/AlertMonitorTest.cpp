// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "alert/AlertMonitor.h"

namespace corvalin {
namespace {

std::vector<AlertRule> Rules(std::initializer_list<const char*> texts) {
    std::vector<AlertRule> rules;
    for (const char* text : texts) rules.push_back(ParseAlertRule(text).value.value());
    return rules;
}

// A reading at `time` with CH1 (and CH2) as given; no value: no row.
ReadingSnapshot Reading(int64_t time, std::optional<double> ch1, std::optional<double> ch2 = {}) {
    ReadingSnapshot reading;
    reading.time = time;
    for (auto [channel, value] : {std::pair(1, ch1), std::pair(2, ch2)}) {
        if (!value) continue;
        reading.rows.push_back({channel, time, value, value, value, value});
        reading.sensorPresent[channel - 1] = true;
    }
    return reading;
}

// "FIRING 31.5" / "CLEARED 29.4" / "" for a step's events.
std::string Told(const std::vector<AlertEvent>& events) {
    std::string text;
    for (const AlertEvent& event : events) {
        if (!text.empty()) text += "; ";
        text += StateName(event.state);
        if (event.value) text += " " + std::to_string(*event.value).substr(0, 4);
    }
    return text;
}

struct Step {
    int64_t time;
    std::optional<double> value;
    const char* told;
};

void Expect(const char* rule, const std::vector<Step>& steps) {
    AlertMonitor monitor("attic", Rules({rule}));
    for (const Step& step : steps) {
        EXPECT_EQ(Told(monitor.OnReading(Reading(step.time, step.value))), step.told)
            << rule << " at " << step.time;
    }
}

TEST(AlertMonitor, ALimitFiresAfterItsDelayOnceAndClearsOncePastTheClearValue) {
    Expect("ch1.temperature above 30 for 60s",
           {{0, 31.0, ""},
            {30, 29.9, ""},  // back within: the delay starts again
            {60, 31.0, ""},
            {90, {}, ""},  // no value: nothing is known, the delay starts again
            {120, 31.0, ""},
            {180, 31.5, "FIRING 31.5"},
            {240, 29.6, ""},  // inside the limit, not yet past 29.5
            {300, {}, ""},
            {360, 35.0, ""},  // firing: never told again
            {420, 29.4, "CLEARED 29.4"},
            {480, 29.0, ""},
            {540, 31.0, ""},
            {600, 31.0, "FIRING 31.0"}});
    Expect(
        "ch1.humidity below 30",
        {{0, 29.0, "FIRING 29.0"}, {60, 28.0, ""}, {120, 32.0, ""}, {180, 33.0, "CLEARED 33.0"}});
    Expect("ch1.dewPoint below 5 clear 8",
           {{0, 4.0, "FIRING 4.00"}, {60, 8.0, ""}, {120, 8.1, "CLEARED 8.10"}, {180, 30.0, ""}});
    Expect("ch1.heatIndex above 40", {{0, 40.0, ""}, {60, 40.1, "FIRING 40.1"}});
}

TEST(AlertMonitor, EachQuantityIsReadFromItsOwnValue) {
    const std::pair<std::string, std::optional<double> ArchiveRow::*> quantities[] = {
        {"temperature", &ArchiveRow::temperature},
        {"humidity", &ArchiveRow::humidity},
        {"dewPoint", &ArchiveRow::dewPoint},
        {"heatIndex", &ArchiveRow::heatIndex}};
    for (const auto& [quantity, field] : quantities) {
        AlertMonitor monitor("attic", Rules({("ch2." + quantity + " above 30").c_str()}));
        ReadingSnapshot reading = Reading(0, {}, 20.0);
        reading.rows.at(0).*field = 31;
        const std::vector<AlertEvent> events = monitor.OnReading(reading);
        ASSERT_EQ(events.size(), 1u) << quantity;
        EXPECT_EQ(
            std::tuple(events[0].channel, events[0].quantity, *events[0].value, *events[0].limit),
            std::tuple(2, quantity, 31.0, 30.0));
    }
}

TEST(AlertMonitor, SilenceCountsOnlyWhileTheStationIsThere) {
    AlertMonitor monitor("attic", Rules({"ch1 silent 120s", "ch2 silent 60s"}));
    EXPECT_EQ(Told(monitor.OnService(true, 0, 0)), "");
    EXPECT_EQ(Told(monitor.OnReading(Reading(0, 20.0))), "");
    EXPECT_EQ(Told(monitor.OnReading(Reading(60, {}))), "FIRING");  // CH2 never sent one
    EXPECT_EQ(Told(monitor.OnReading(Reading(119, {}))), "");
    EXPECT_EQ(Told(monitor.OnReading(Reading(120, {}))), "FIRING");
    EXPECT_EQ(Told(monitor.OnReading(Reading(180, {}))), "");
    EXPECT_EQ(Told(monitor.OnReading(Reading(240, 20.0, 20.0))), "CLEARED; CLEARED");
    // Away for long, back without CH1: its silence starts at the return.
    EXPECT_EQ(Told(monitor.OnService(false, 0, 300)), "");
    EXPECT_EQ(Told(monitor.OnReading(Reading(5000, {}, 20.0))), "");
    EXPECT_EQ(Told(monitor.OnService(true, 0, 5000)), "");
    EXPECT_EQ(Told(monitor.OnReading(Reading(5119, {}, 20.0))), "");
    EXPECT_EQ(Told(monitor.OnReading(Reading(5120, {}, 20.0))), "FIRING");
    EXPECT_EQ(monitor.Firing().size(), 1u);
    EXPECT_EQ(monitor.Firing()[0].rule, "ch1 silent 2m");
    // Back again, heard of before its first reading: the same.
    EXPECT_EQ(Told(monitor.OnReading(Reading(5200, 20.0, 20.0))), "CLEARED");
    EXPECT_EQ(Told(monitor.OnService(false, 0, 5300)), "");
    EXPECT_EQ(Told(monitor.OnService(true, 0, 9000)), "");
    EXPECT_EQ(Told(monitor.OnReading(Reading(9119, {}, 20.0))), "");
    EXPECT_EQ(Told(monitor.OnReading(Reading(9120, {}, 20.0))), "FIRING");
}

TEST(AlertMonitor, StationLostAndArchiveStalledFireAtTheirDeadlineAndClearOnce) {
    AlertMonitor monitor("attic", Rules({"station lost 5m", "archive stalled 10m"}));
    EXPECT_EQ(Told(monitor.OnService(true, 0, 0)), "");
    EXPECT_EQ(monitor.NextDeadline(), std::nullopt);
    EXPECT_EQ(Told(monitor.OnService(false, 0, 10)), "");
    EXPECT_EQ(monitor.NextDeadline(), 310);
    EXPECT_EQ(Told(monitor.OnService(false, 0, 309)), "");
    EXPECT_EQ(Told(monitor.OnService(false, 0, 310)), "FIRING");
    EXPECT_EQ(Told(monitor.OnService(false, 0, 400)), "");
    EXPECT_EQ(monitor.NextDeadline(), std::nullopt);
    // The answer that brings it back clears it, and the service state after it does not again.
    EXPECT_EQ(Told(monitor.OnReading(Reading(500, 20.0))), "CLEARED");
    EXPECT_EQ(Told(monitor.OnService(true, 0, 500)), "");

    EXPECT_EQ(Told(monitor.OnService(true, 5, 600)), "");
    EXPECT_EQ(monitor.NextDeadline(), 1200);
    EXPECT_EQ(Told(monitor.OnService(true, 20, 1199)), "");
    EXPECT_EQ(Told(monitor.OnService(true, 30, 1200)), "FIRING 30.0");
    EXPECT_EQ(Told(monitor.OnService(true, 40, 1300)), "");
    EXPECT_EQ(Told(monitor.OnService(true, 0, 1400)), "CLEARED 0.00");

    AlertMonitor atOnce("attic", Rules({"station lost 0s"}));
    EXPECT_EQ(Told(atOnce.OnService(false, 0, 0)), "FIRING");  // started without a station
}

TEST(AlertMonitor, StationAlarmsRelayTheStationsOwnStatePerChannelAndQuantity) {
    StationAlarms alarms;
    alarms.channels[1].temperatureHigh = 25.0;
    alarms.channels[1].humidityHigh = 70.0;
    AlertMonitor monitor("attic", Rules({"station-alarms"}));
    auto reading = [&](int64_t time, double temperature, std::optional<double> humidity,
                       bool withAlarms = true) {
        ReadingSnapshot snapshot = Reading(time, {}, temperature);
        snapshot.rows[0].humidity = humidity;
        if (withAlarms) snapshot.alarms = alarms;
        return monitor.OnReading(snapshot);
    };
    const std::vector<AlertEvent> fired = reading(60, 25.5, 50);
    ASSERT_EQ(fired.size(), 1u);
    EXPECT_EQ(std::tuple(fired[0].channel, fired[0].quantity, *fired[0].limit),
              std::tuple(2, std::string("temperature"), 25.0));
    EXPECT_EQ(Told(reading(120, 26.0, 75)), "FIRING 75.0");  // the humidity's own alarm
    EXPECT_EQ(Told(reading(180, 20.0, 50, false)), "");      // no alarm settings this read
    EXPECT_EQ(Told(reading(240, 24.0, std::nullopt)), "CLEARED 24.0");  // no humidity: it stays
    EXPECT_EQ(Told(reading(300, 24.0, 60)), "CLEARED 60.0");
}

TEST(AlertMonitor, ARuleKeptOverAReloadKeepsItsStateAndOneDroppedIsForgotten) {
    AlertMonitor monitor("attic", Rules({"ch1.temperature above 30"}));
    EXPECT_EQ(Told(monitor.OnReading(Reading(0, 31.0))), "FIRING 31.0");
    monitor.SetRules(Rules({"ch1.temperature above 30", "ch1.temperature above 20"}));
    EXPECT_EQ(monitor.OnReading(Reading(60, 31.0)).size(), 1u);  // only the new rule
    monitor.SetRules(Rules({"ch1.temperature above 20"}));
    monitor.SetRules(Rules({"ch1.temperature above 20", "ch1.temperature above 30"}));
    const std::vector<AlertEvent> events = monitor.OnReading(Reading(120, 31.0));
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].rule, "ch1.temperature above 30");
    EXPECT_EQ(monitor.Firing().size(), 2u);
}

}  // namespace
}  // namespace corvalin
