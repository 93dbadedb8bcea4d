// SPDX-License-Identifier: GPL-3.0-or-later
#include "publish/MetricsPage.h"

#include <optional>
#include <vector>

#include "common/NumberText.h"

namespace corvalin {

namespace {

struct Sample {
    std::string labels;  // without braces
    std::string value;
};

std::string EscapeLabelValue(const std::string& text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (char c : text) {
        if (c == '\\') {
            escaped += "\\\\";
        } else if (c == '"') {
            escaped += "\\\"";
        } else if (c == '\n') {
            escaped += "\\n";
        } else {
            escaped += c;
        }
    }
    return escaped;
}

void AddFamily(std::string& page, const char* name, const char* type, const char* help,
               const std::vector<Sample>& samples) {
    if (samples.empty()) return;
    page += std::string("# HELP ") + name + " " + help + "\n";
    page += std::string("# TYPE ") + name + " " + type + "\n";
    for (const Sample& sample : samples) {
        page += std::string(name) + "{" + sample.labels + "} " + sample.value + "\n";
    }
}

// One sample per channel whose sensor is present and whose reading has the value.
std::vector<Sample> ChannelValues(const ReadingSnapshot& reading, const std::string& station,
                                  std::optional<double> ArchiveRow::*field, bool ratio) {
    std::vector<Sample> samples;
    for (const ArchiveRow& row : reading.rows) {
        if (row.channel < 1 || row.channel > CHANNEL_COUNT) continue;
        if (!reading.sensorPresent[row.channel - 1] || !(row.*field)) continue;
        const double value = *(row.*field);
        samples.push_back({station + ",channel=\"" + std::to_string(row.channel) + "\"",
                           ratio ? PercentAsRatioText(value) : ShortestText(value)});
    }
    return samples;
}

}  // namespace

std::string RenderMetricsPage(const ServiceState& state) {
    const std::string station = "station=\"" + EscapeLabelValue(state.station) + "\"";
    std::string page;
    AddFamily(page, "corvalin_station_up", "gauge",
              "Whether the logger is connected to the station (1) or not (0).",
              {{station, state.stationConnected ? "1" : "0"}});
    AddFamily(page, "corvalin_reads_total", "counter", "Live reads of the station tried.",
              {{station, std::to_string(state.reads)}});
    AddFamily(page, "corvalin_read_failures_total", "counter",
              "Live reads of the station that brought no fresh answer.",
              {{station, std::to_string(state.readFailures)}});
    if (!state.last) return page;

    const ReadingSnapshot& reading = *state.last;
    AddFamily(page, "corvalin_last_reading_timestamp_seconds", "gauge",
              "When the latest reading was taken, in seconds since 1970 (UTC).",
              {{station, std::to_string(reading.time)}});
    // A lost station has no sensors: its last values are no longer readings.
    std::vector<Sample> sensors;
    for (int channel = 1; channel <= CHANNEL_COUNT; ++channel) {
        const bool up = state.stationConnected && reading.sensorPresent[channel - 1];
        sensors.push_back(
            {station + ",channel=\"" + std::to_string(channel) + "\"", up ? "1" : "0"});
    }
    AddFamily(page, "corvalin_sensor_up", "gauge",
              "Whether the station has the channel's sensor (1) or reports it missing (0).",
              sensors);
    if (!state.stationConnected) return page;
    AddFamily(page, "corvalin_temperature_celsius", "gauge", "Temperature in degrees Celsius.",
              ChannelValues(reading, station, &ArchiveRow::temperature, false));
    AddFamily(page, "corvalin_relative_humidity_ratio", "gauge",
              "Relative humidity as a ratio from 0 to 1.",
              ChannelValues(reading, station, &ArchiveRow::humidity, true));
    AddFamily(page, "corvalin_dew_point_celsius", "gauge", "Dew point in degrees Celsius.",
              ChannelValues(reading, station, &ArchiveRow::dewPoint, false));
    AddFamily(page, "corvalin_heat_index_celsius", "gauge", "Heat index in degrees Celsius.",
              ChannelValues(reading, station, &ArchiveRow::heatIndex, false));
    return page;
}

}  // namespace corvalin
