// SPDX-License-Identifier: GPL-3.0-or-later
#include "LiveTable.h"

#include <cmath>

#include "common/ReadingFormat.h"

namespace corvalin::cli {

namespace {

size_t DisplayWidth(const std::string& text) {
    size_t width = 0;
    for (unsigned char c : text) {
        if ((c & 0xC0) != 0x80) ++width;  // count UTF-8 lead bytes only
    }
    return width;
}

std::string Pad(const std::string& text, size_t width) {
    const size_t shown = DisplayWidth(text);
    return shown >= width ? text + " " : text + std::string(width - shown, ' ');
}

nlohmann::json TemperatureValue(float valueC, int32_t unitFahrenheit) {
    const std::optional<double> shown = ShownTemperature(valueC, unitFahrenheit);
    return shown ? nlohmann::json(*shown) : nlohmann::json(nullptr);
}

}  // namespace

std::string LiveTableText(const LiveReadings& readings, int32_t unitFahrenheit) {
    std::string text =
        Pad("Channel", 9) + Pad("Temperature", 14) + Pad("Humidity", 11) + "DewPoint\n";
    for (int k = 0; k < CHANNEL_COUNT; ++k) {
        const float t = readings.temperatureC[k];
        const int32_t h = readings.humidityPct[k];
        text += Pad("CH" + std::to_string(k + 1), 9);
        text += Pad(FormatTemperature(t, 0, unitFahrenheit), 14);
        text += Pad(FormatHumidity(h, 0), 11);
        text += FormatTemperature(DewPointOfReading(t, h), 0, unitFahrenheit);
        text += "\n";
    }
    return text;
}

nlohmann::json LiveTableJson(const LiveReadings& readings, int32_t unitFahrenheit) {
    nlohmann::json channels = nlohmann::json::array();
    for (int k = 0; k < CHANNEL_COUNT; ++k) {
        const float t = readings.temperatureC[k];
        const int32_t h = readings.humidityPct[k];
        channels.push_back({
            {"channel", k + 1},
            {"temperature", TemperatureValue(t, unitFahrenheit)},
            {"humidity", h == NO_DATA_INT ? nlohmann::json(nullptr) : nlohmann::json(h)},
            {"dewPoint", TemperatureValue(DewPointOfReading(t, h), unitFahrenheit)},
        });
    }
    return {{"unit", unitFahrenheit != 0 ? "°F" : "°C"}, {"channels", channels}};
}

}  // namespace corvalin::cli
