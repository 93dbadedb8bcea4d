// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/SimWeather.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace corvalin {

namespace {

struct Base {
    double temperatureC;
    int humidityPct;
};

constexpr Base DEFAULTS[7] = {{21.5, 45}, {23.0, 50}, {19.8, 55}, {24.6, 38},
                              {18.2, 62}, {25.3, 41}, {-3.5, 80}};

constexpr double SECONDS_PER_DAY = 86400.0;

}  // namespace

SensorSpec DefaultSensor(int channel) {
    SensorSpec sensor;
    sensor.channel = channel;
    if (channel < 1 || channel > 7) {
        sensor.present = false;
        return sensor;
    }
    sensor.temperatureC = DEFAULTS[channel - 1].temperatureC;
    sensor.humidityPct = DEFAULTS[channel - 1].humidityPct;
    return sensor;
}

SensorSpec IndoorSensor() {
    SensorSpec sensor;
    sensor.channel = 0;
    sensor.temperatureC = 22.4;
    sensor.humidityPct = 47;
    return sensor;
}

SimReading ReadSensor(const SensorSpec& sensor, bool drifting, double epochSeconds) {
    if (!drifting) return {sensor.temperatureC, sensor.humidityPct};
    // A daily swing shared by every channel (the same weather reaches them all)
    // and a wobble of a few minutes of each channel's own. The wobble stays
    // small enough that no two default channels ever read the same.
    const double twoPi = 2.0 * std::numbers::pi;
    const double phase = sensor.channel * 0.9;
    const double daily = std::sin(twoPi * epochSeconds / SECONDS_PER_DAY);
    const double minutes = std::sin(twoPi * epochSeconds / (420.0 + 60.0 * sensor.channel) + phase);
    SimReading reading;
    reading.temperatureC = sensor.temperatureC + 1.2 * daily + 0.2 * minutes;
    const double humidity = sensor.humidityPct - 3.0 * daily + 1.0 * minutes;
    reading.humidityPct = std::clamp(static_cast<int>(std::lround(humidity)), 1, 99);
    return reading;
}

std::optional<double> DewPointC(double temperatureC, int humidityPct) {
    if (humidityPct <= 0) return std::nullopt;
    constexpr double a = 17.62;
    constexpr double b = 243.12;
    const double gamma = std::log(humidityPct / 100.0) + a * temperatureC / (b + temperatureC);
    return b * gamma / (a - gamma);
}

}  // namespace corvalin
