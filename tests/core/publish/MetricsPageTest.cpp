// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <map>

#include "PageParser.h"
#include "publish/MetricsPage.h"

namespace corvalin {
namespace {

ArchiveRow Row(int channel, std::optional<double> temperature, std::optional<double> humidity,
               std::optional<double> dewPoint = std::nullopt,
               std::optional<double> heatIndex = std::nullopt) {
    ArchiveRow row;
    row.channel = channel;
    row.temperature = temperature;
    row.humidity = humidity;
    row.dewPoint = dewPoint;
    row.heatIndex = heatIndex;
    return row;
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

TEST(MetricsPage, BeforeAnyReadingOnlyTheStationAndItsCounters) {
    ServiceState state;
    state.station = "kv1";
    state.reads = 5;
    state.readFailures = 5;
    const test::ParsedPage page = test::ParsePage(RenderMetricsPage(state));
    EXPECT_EQ(page.samples, (std::map<std::string, std::string>{
                                {"corvalin_station_up{station=kv1}", "0"},
                                {"corvalin_reads_total{station=kv1}", "5"},
                                {"corvalin_read_failures_total{station=kv1}", "5"}}));
    EXPECT_EQ(page.types.at("corvalin_reads_total"), "counter");
    EXPECT_EQ(page.types.at("corvalin_station_up"), "gauge");
}

TEST(MetricsPage, AMissingSensorHasNoValuesButSensorUpZero) {
    // CH2's sensor is gone though its row still carries the values of before.
    const ServiceState state = StateWith(
        {Row(1, 21.4, 45.3, 9.2, 21.4), Row(2, 18.0, 50.0, 7.4, 18.0), Row(3, -5.5, std::nullopt)},
        {1, 3});
    const test::ParsedPage page = test::ParsePage(RenderMetricsPage(state));
    const std::map<std::string, std::string> expected{
        {"corvalin_station_up{station=kv1}", "1"},
        {"corvalin_reads_total{station=kv1}", "12"},
        {"corvalin_read_failures_total{station=kv1}", "3"},
        {"corvalin_last_reading_timestamp_seconds{station=kv1}", "1729989000"},
        {"corvalin_sensor_up{channel=1,station=kv1}", "1"},
        {"corvalin_sensor_up{channel=2,station=kv1}", "0"},
        {"corvalin_sensor_up{channel=3,station=kv1}", "1"},
        {"corvalin_sensor_up{channel=4,station=kv1}", "0"},
        {"corvalin_sensor_up{channel=5,station=kv1}", "0"},
        {"corvalin_sensor_up{channel=6,station=kv1}", "0"},
        {"corvalin_sensor_up{channel=7,station=kv1}", "0"},
        {"corvalin_sensor_up{channel=8,station=kv1}", "0"},
        {"corvalin_temperature_celsius{channel=1,station=kv1}", "21.4"},
        {"corvalin_temperature_celsius{channel=3,station=kv1}", "-5.5"},
        {"corvalin_relative_humidity_ratio{channel=1,station=kv1}", "0.453"},
        {"corvalin_dew_point_celsius{channel=1,station=kv1}", "9.2"},
        {"corvalin_heat_index_celsius{channel=1,station=kv1}", "21.4"}};
    EXPECT_EQ(page.samples, expected);
    for (const auto& [family, type] : page.types) {
        const bool counter = family.size() > 6 && family.ends_with("_total");
        EXPECT_EQ(type, counter ? "counter" : "gauge") << family;
    }
    EXPECT_EQ(page.types.size(), 9u);
}

// A lost station keeps its counters and the time of its last reading, but
// none of the values that came before.
TEST(MetricsPage, ALostStationShowsNoValues) {
    ServiceState state = StateWith({Row(1, 21.4, 45.3, 9.2, 21.4)}, {1});
    state.stationConnected = false;
    const test::ParsedPage page = test::ParsePage(RenderMetricsPage(state));
    std::map<std::string, std::string> expected{
        {"corvalin_station_up{station=kv1}", "0"},
        {"corvalin_reads_total{station=kv1}", "12"},
        {"corvalin_read_failures_total{station=kv1}", "3"},
        {"corvalin_last_reading_timestamp_seconds{station=kv1}", "1729989000"}};
    for (int channel = 1; channel <= CHANNEL_COUNT; ++channel) {
        expected["corvalin_sensor_up{channel=" + std::to_string(channel) + ",station=kv1}"] = "0";
    }
    EXPECT_EQ(page.samples, expected);
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
