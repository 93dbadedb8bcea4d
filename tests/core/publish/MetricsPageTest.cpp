// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <map>
#include <tuple>

#include "PageParser.h"
#include "publish/MetricsPage.h"

namespace corvalin {
namespace {

ArchiveRow Row(int channel, std::optional<double> temperature, std::optional<double> humidity,
               std::optional<double> dewPoint = std::nullopt,
               std::optional<double> heatIndex = std::nullopt) {
    return {channel, 0, temperature, humidity, dewPoint, heatIndex};
}

ServiceState StateWith(std::vector<ArchiveRow> rows, std::vector<int> present) {
    ServiceState state;
    state.station = "kv1";
    state.stationConnected = true;
    state.reads = 12;
    state.readFailures = 3;
    ReadingSnapshot reading;
    reading.time = 1729989000;
    reading.rows = std::move(rows);
    for (int channel : present) reading.sensorPresent[channel - 1] = true;
    state.last = reading;
    return state;
}

// Before any reading only the station and its counters; a sensor gone has no
// values though its row still carries those of before; a lost station keeps
// its counters and its last reading's time, but none of its values.
TEST(MetricsPage, OnlyValuesOfAPresentSensorOfAConnectedStation) {
    using Samples = std::map<std::string, std::string>;
    const Samples counters{{"corvalin_reads_total{station=kv1}", "12"},
                           {"corvalin_read_failures_total{station=kv1}", "3"}};
    ServiceState none;
    none.station = "kv1";
    none.reads = 12;
    none.readFailures = 3;
    const ServiceState missing = StateWith(
        {Row(1, 21.4, 45.3, 9.2, 21.4), Row(2, 18.0, 50.0, 7.4, 18.0), Row(3, -5.5, std::nullopt)},
        {1, 3});
    ServiceState lost = missing;
    lost.stationConnected = false;
    Samples withReading = counters;
    withReading["corvalin_last_reading_timestamp_seconds{station=kv1}"] = "1729989000";
    for (int channel = 1; channel <= CHANNEL_COUNT; ++channel) {
        withReading["corvalin_sensor_up{channel=" + std::to_string(channel) + ",station=kv1}"] =
            "0";
    }
    Samples present = withReading;
    present.insert(
        {{"corvalin_station_up{station=kv1}", "1"},
         {"corvalin_temperature_celsius{channel=1,station=kv1}", "21.4"},
         {"corvalin_temperature_celsius{channel=3,station=kv1}", "-5.5"},
         {"corvalin_relative_humidity_ratio{channel=1,station=kv1}", "0.453"},
         {"corvalin_dew_point_celsius{channel=1,station=kv1}", "9.2"},
         {"corvalin_heat_index_celsius{channel=1,station=kv1}", "21.4"},
         {"corvalin_absolute_humidity_grams_per_cubic_meter{channel=1,station=kv1}", "8.47"}});
    present["corvalin_sensor_up{channel=1,station=kv1}"] = "1";
    present["corvalin_sensor_up{channel=3,station=kv1}"] = "1";
    Samples before = counters, away = withReading;
    before["corvalin_station_up{station=kv1}"] = away["corvalin_station_up{station=kv1}"] = "0";
    const std::tuple<const char*, ServiceState, Samples> cases[] = {
        {"before any reading", none, before},
        {"a sensor gone", missing, present},
        {"the station lost", lost, away}};
    for (const auto& [name, state, samples] : cases) {
        const test::ParsedPage page = test::ParsePage(RenderMetricsPage(state));
        EXPECT_EQ(page.samples, samples) << name;
        for (const auto& [family, type] : page.types) {
            EXPECT_EQ(type, family.ends_with("_total") ? "counter" : "gauge") << family;
        }
    }
}

TEST(MetricsPage, LabelValuesAreEscaped) {
    ServiceState state = StateWith({Row(1, 20.0, 40.0)}, {1});
    state.station = "a\\b \"c\"\nd";
    const std::string text = RenderMetricsPage(state);
    EXPECT_NE(text.find("station=\"a\\\\b \\\"c\\\"\\nd\""), std::string::npos) << text;
    const test::ParsedPage page = test::ParsePage(text);  // unescapes
    EXPECT_EQ(
        page.samples.count("corvalin_temperature_celsius{channel=1,station=" + state.station + "}"),
        1u);
}

}  // namespace
}  // namespace corvalin
