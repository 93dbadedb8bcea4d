// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/ReadingFormat.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>

namespace corvalin {
namespace {

// One decimal, the way every output rounds, with a point whatever the
// desktop's locale; a value that rounds to zero is "0.0", never "-0.0".
std::string Tenths(double value) {
    char buffer[64];
    const auto written =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 1);
    const std::string text(buffer, written.ptr);
    return text == "-0.0" ? "0.0" : text;
}

void EraseAll(std::string& text, const std::string& what) {
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at)) {
        text.erase(at, what.size());
    }
}

}  // namespace

std::string FormatTemperature(float valueC, int mode, int32_t unitFahrenheit) {
    const bool fahrenheit = unitFahrenheit != 0;
    const bool noData = valueC == NO_DATA;
    if (mode == 2) {
        if (noData) return "--";
        return Tenths(fahrenheit ? valueC * 1.8 : static_cast<double>(valueC));
    }
    std::string text;
    if (noData) {
        text = fahrenheit ? "--  °F" : "--  °C";
    } else if (fahrenheit) {
        text = Tenths(valueC * 1.8 + 32) + "  °F";
    } else {
        text = Tenths(valueC) + "  °C";
    }
    if (mode == 1) {
        EraseAll(text, "°C");
        EraseAll(text, "°F");
    }
    return text;
}

std::optional<double> ShownTemperature(float valueC, int32_t unitFahrenheit) {
    if (valueC == NO_DATA) return std::nullopt;
    const std::string text =
        Tenths(unitFahrenheit != 0 ? valueC * 1.8 + 32 : static_cast<double>(valueC));
    double shown = 0;
    std::from_chars(text.data(), text.data() + text.size(), shown);
    return shown;
}

std::string FormatHumidity(int32_t value, int mode) {
    std::string text = value == NO_DATA_INT ? std::string("--  %") : std::to_string(value) + "  %";
    if (mode == 1) EraseAll(text, "%");
    return text;
}

float DewPoint(float temperatureC, int32_t humidityPct) {
    if (humidityPct == NO_DATA_INT) return NO_DATA;
    const double t = temperatureC;
    const double x = 7.6 * t / (t + 240.7);
    const float e = static_cast<float>(std::pow(10.0, x) * 6.107 / 10.0);
    const float v =
        static_cast<float>(std::log(e * static_cast<double>(humidityPct) / 100.0 / 0.61078));
    const float td = static_cast<float>(241.88 * v / (17.558 - v));
    if (td > 60.0f || td < -40.0f || std::isnan(td)) return NO_DATA;
    return td;
}

float DewPointOfReading(float temperatureC, int32_t humidityPct) {
    if (temperatureC == NO_DATA) return NO_DATA;
    return DewPoint(temperatureC, humidityPct);
}

double HeatIndexC(double temperatureC, int humidityPct) {
    if (temperatureC < 26.7) return temperatureC;
    const double t = temperatureC * 1.8 + 32.0;
    const double r = humidityPct;
    double f = -42.379 + 2.04901523 * t + 10.14333127 * r - 0.22475541 * t * r -
               0.00683783 * t * t - 0.05481717 * r * r + 0.00122874 * t * t * r +
               0.00085282 * t * r * r - 0.00000199 * t * t * r * r;
    if (r < 13.0 && t >= 80.0 && t <= 112.0) {
        f -= (13.0 - r) / 4.0 * std::sqrt((17.0 - std::abs(t - 95.0)) / 17.0);
    } else if (r > 85.0 && t >= 80.0 && t <= 87.0) {
        f += (r - 85.0) / 10.0 * (87.0 - t) / 5.0;
    }
    return (f - 32.0) / 1.8;
}

}  // namespace corvalin
