#include "common/ReadingFormat.h"

#include <cmath>
#include <cstdio>

namespace corvalin {
namespace {

std::string Printf(const char* format, double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
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
        return Printf("%0.1f", fahrenheit ? valueC * 1.8 : static_cast<double>(valueC));
    }
    std::string text;
    if (noData) {
        text = fahrenheit ? "--  °F" : "--  °C";
    } else if (fahrenheit) {
        text = Printf("%0.1f  °F", valueC * 1.8 + 32);
    } else {
        text = Printf("%0.1f  °C", valueC);
    }
    if (mode == 1) {
        EraseAll(text, "°C");
        EraseAll(text, "°F");
    }
    return text;
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

}  // namespace corvalin
