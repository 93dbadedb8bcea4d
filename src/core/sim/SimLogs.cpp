// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/SimLogs.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "common/ZonedTime.h"
#include "sim/SimWeather.h"

namespace corvalin {

namespace {

const char* const LINE_END = "\r\n";
const char* const MISSING = "--";

// Line numbers at which a sensor "missed" a reading, spread over the file.
bool TemperatureMissed(long line) { return line % 157 == 77; }
bool HumidityMissed(long line) { return line % 211 == 130; }

long Tenths(double value) { return std::lround(value * 10.0); }

std::string InUnit(double celsius, bool fahrenheit) {
    return FormatTenths(Tenths(fahrenheit ? celsius * 1.8 + 32.0 : celsius));
}

std::string UnitLetter(bool fahrenheit) { return fahrenheit ? "F" : "C"; }

long LineCount(const LogPlan& plan) {
    const int interval = std::max(plan.intervalMinutes, 1);
    return static_cast<long>(plan.days) * 24 * 60 / interval + 1;
}

std::time_t LineTime(const LogPlan& plan, long line, long count) {
    const long step = std::max(plan.intervalMinutes, 1) * 60L;
    return plan.endTime - (count - 1 - line) * step;
}

}  // namespace

std::string FormatTenths(long tenths) {
    const char* sign = tenths < 0 ? "-" : "";
    const long magnitude = std::labs(tenths);
    return sign + std::to_string(magnitude / 10) + "." + std::to_string(magnitude % 10);
}

std::string FormatLogTime(std::time_t time) { return CivilText(LocalCivilTime(time)); }

std::string ChannelLogText(const SensorSpec& sensor, bool drifting, LogOffsets offsets,
                           const LogPlan& plan) {
    const std::string unit = UnitLetter(plan.fahrenheit);
    std::string text = "Time,Temperature(" + unit + "),Humidity(%),DewPoint(" + unit +
                       "),HeatIndex(" + unit + ")" + LINE_END;
    const long count = LineCount(plan);
    for (long line = 0; line < count; ++line) {
        const std::time_t time = LineTime(plan, line, count);
        const SimReading raw = ReadSensor(sensor, drifting, static_cast<double>(time));
        const double temperature = (Tenths(raw.temperatureC) + offsets.temperatureTenths) / 10.0;
        const int humidity = std::clamp(raw.humidityPct + offsets.humidityPct, 0, 100);
        const bool noTemperature = TemperatureMissed(line);
        const bool noHumidity = HumidityMissed(line);

        text += FormatLogTime(time) + ",";
        text += (noTemperature ? MISSING : InUnit(temperature, plan.fahrenheit)) + ",";
        text += (noHumidity ? MISSING : std::to_string(humidity)) + ",";
        const auto dewPoint = DewPointC(temperature, humidity);
        const bool derived = !noTemperature && !noHumidity;
        text += (derived && dewPoint ? InUnit(*dewPoint, plan.fahrenheit) : MISSING) + ",";
        text += derived ? InUnit(HeatIndexC(temperature, humidity), plan.fahrenheit) : MISSING;
        text += LINE_END;
    }
    return text;
}

std::string IndoorLogText(const LogPlan& plan) {
    const std::string unit = UnitLetter(plan.fahrenheit);
    std::string text = "Time,Temperature(" + unit + "),Humidity(%)" + LINE_END;
    const SensorSpec sensor = IndoorSensor();
    const long count = LineCount(plan);
    for (long line = 0; line < count; ++line) {
        const std::time_t time = LineTime(plan, line, count);
        const SimReading raw = ReadSensor(sensor, true, static_cast<double>(time));
        text += FormatLogTime(time) + ",";
        text +=
            (TemperatureMissed(line) ? MISSING : InUnit(raw.temperatureC, plan.fahrenheit)) + ",";
        text += (HumidityMissed(line) ? MISSING : std::to_string(raw.humidityPct));
        text += LINE_END;
    }
    return text;
}

}  // namespace corvalin
