// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <tuple>

#include "publish/MetricsPage.h"

namespace corvalin {
namespace {

// A Prometheus text page as a scraper reads it: each series (name, then its
// labels sorted, as written) with its value text, and each family's type.
struct ParsedPage {
    std::map<std::string, std::string> samples;
    std::map<std::string, std::string> types;
};

// Fails the test on a line out of the text format 0.0.4, a family without
// HELP and TYPE before its samples, a family split up, or a series repeated.
ParsedPage ParsePage(const std::string& text) {
    static const std::regex help(R"(# HELP ([a-zA-Z_:][a-zA-Z0-9_:]*) \S.*)");
    static const std::regex type(R"(# TYPE ([a-zA-Z_:][a-zA-Z0-9_:]*) (gauge|counter))");
    static const std::regex sample(R"(([a-zA-Z_:][a-zA-Z0-9_:]*)\{(.*)\} (\S+))");
    static const std::regex label(
        R"re(([a-zA-Z_][a-zA-Z0-9_]*)="((?:[^"\\\n]|\\[\\"n])*)"(,|$))re");
    ParsedPage page;
    std::set<std::string> done;
    std::string family;
    EXPECT_TRUE(!text.empty() && text.back() == '\n');
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::smatch match;
        if (std::regex_match(line, match, help)) {
            EXPECT_TRUE(done.insert(match[1]).second) << "family again: " << line;
            family = match[1];
        } else if (std::regex_match(line, match, type)) {
            EXPECT_EQ(match[1], family) << "TYPE without its HELP: " << line;
            page.types[match[1]] = match[2];
        } else if (std::regex_match(line, match, sample)) {
            EXPECT_EQ(match[1], family) << "sample outside its family: " << line;
            EXPECT_TRUE(page.types.count(family)) << "sample before TYPE: " << line;
            std::map<std::string, std::string> labels;
            std::string rest = match[2];
            std::smatch pair;
            while (!rest.empty() &&
                   std::regex_search(rest, pair, label, std::regex_constants::match_continuous)) {
                labels[pair[1]] = pair[2];
                rest = pair.suffix();
            }
            EXPECT_TRUE(rest.empty()) << "labels: " << line;
            std::string series = match[1].str() + "{";
            for (const auto& [key, value] : labels) {
                series += (series.back() == '{' ? "" : ",") + key + "=" + value;
            }
            EXPECT_TRUE(page.samples.emplace(series + "}", match[3]).second) << "again: " << line;
        } else {
            ADD_FAILURE() << "not a line of the text format: " << line;
        }
    }
    return page;
}

ArchiveRow PageRow(int channel, std::optional<double> temperature, std::optional<double> humidity,
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
    const ServiceState missing =
        StateWith({PageRow(1, 21.4, 45.3, 9.2, 21.4), PageRow(2, 18.0, 50.0, 7.4, 18.0),
                   PageRow(3, -5.5, std::nullopt)},
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
        const ParsedPage page = ParsePage(RenderMetricsPage(state));
        EXPECT_EQ(page.samples, samples) << name;
        // Each family named has samples.
        for (const auto& [family, type] : page.types) {
            EXPECT_EQ(type, family.ends_with("_total") ? "counter" : "gauge") << family;
            const auto first = page.samples.lower_bound(family + "{");
            EXPECT_TRUE(first != page.samples.end() && first->first.starts_with(family)) << family;
        }
    }
}

TEST(MetricsPage, LabelValuesAreEscaped) {
    ServiceState state = StateWith({PageRow(1, 20.0, 40.0)}, {1});
    state.station = "a\\b \"c\"\nd";
    const std::string text = RenderMetricsPage(state);
    EXPECT_NE(text.find("station=\"a\\\\b \\\"c\\\"\\nd\""), std::string::npos) << text;
    ParsePage(text);  // every label of the page is well formed
}

}  // namespace
}  // namespace corvalin
