// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/SimOptions.h"

#include <charconv>
#include <cmath>
#include <optional>
#include <system_error>

namespace corvalin {

namespace {

constexpr double MIN_SENSOR_TEMPERATURE = -100.0;
constexpr double MAX_SENSOR_TEMPERATURE = 100.0;
constexpr int MAX_HUMIDITY = 100;
constexpr int MAX_DELAY_MS = 60000;

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

// Whole text as an integer, nothing before or after it.
std::optional<long long> ToInteger(std::string_view text) {
    long long value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end) return std::nullopt;
    return value;
}

std::optional<double> ToNumber(std::string_view text) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    double value = 0.0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value, std::chars_format::fixed);
    if (text.empty() || ec != std::errc() || ptr != end || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

Result<int> FaultNumber(std::string_view whole, std::string_view digits, long long low,
                        long long high) {
    auto value = ToInteger(digits);
    if (!value || *value < low || *value > high) {
        return Result<int>::Fail("Bad fault " + Quoted(whole) +
                                 ": the value must be a whole number from " + std::to_string(low) +
                                 " to " + std::to_string(high));
    }
    return Result<int>::Of(static_cast<int>(*value));
}

}  // namespace

Result<SensorSpec> ParseSensorSpec(std::string_view text) {
    using R = Result<SensorSpec>;
    const std::string usage = " (expected N=T,H or N=none, N from 1 to 8, e.g. 2=23.4,45)";
    size_t eq = text.find('=');
    if (eq == std::string_view::npos) return R::Fail("Bad sensor " + Quoted(text) + usage);

    SensorSpec sensor;
    auto channel = ToInteger(text.substr(0, eq));
    if (!channel || *channel < 1 || *channel > 8) {
        return R::Fail("Bad sensor " + Quoted(text) + ": channel " + Quoted(text.substr(0, eq)) +
                       " is not a number from 1 to 8");
    }
    sensor.channel = static_cast<int>(*channel);

    std::string_view values = text.substr(eq + 1);
    if (values == "none") {
        sensor.present = false;
        return R::Of(sensor);
    }
    size_t comma = values.find(',');
    if (comma == std::string_view::npos) return R::Fail("Bad sensor " + Quoted(text) + usage);

    std::string_view temperatureText = values.substr(0, comma);
    auto temperature = ToNumber(temperatureText);
    if (!temperature || *temperature < MIN_SENSOR_TEMPERATURE ||
        *temperature > MAX_SENSOR_TEMPERATURE) {
        return R::Fail("Bad sensor " + Quoted(text) + ": temperature " + Quoted(temperatureText) +
                       " is not a number from -100.0 to 100.0");
    }
    std::string_view humidityText = values.substr(comma + 1);
    auto humidity = ToInteger(humidityText);
    if (!humidity || *humidity < 0 || *humidity > MAX_HUMIDITY) {
        return R::Fail("Bad sensor " + Quoted(text) + ": humidity " + Quoted(humidityText) +
                       " is not a whole number from 0 to 100");
    }
    sensor.temperatureC = *temperature;
    sensor.humidityPct = static_cast<int>(*humidity);
    return R::Of(sensor);
}

Result<FaultSpec> ParseFaultSpec(std::string_view whole) {
    using R = Result<FaultSpec>;
    FaultSpec fault;
    std::string_view text = whole;
    if (const size_t at = whole.rfind('@');
        at != std::string_view::npos &&
        (whole.rfind("drop=", 0) == 0 || whole.rfind("stray", 0) == 0)) {
        const Result<int> after = FaultNumber(whole, whole.substr(at + 1), 0, 1000000);
        if (!after) return R::Fail(after.error + " after \"@\"");
        fault.after = *after;
        text = whole.substr(0, at);
    }
    if (text == "stray") {
        fault.kind = FaultSpec::Kind::Stray;
        return R::Of(fault);
    }
    size_t eq = text.find('=');
    std::string_view key = text.substr(0, eq);
    std::string_view value =
        eq == std::string_view::npos ? std::string_view() : text.substr(eq + 1);
    if (key == "stray") return R::Fail("Bad fault " + Quoted(text) + ": stray takes no value");
    if (eq == std::string_view::npos) {
        return R::Fail(
            "Bad fault " + Quoted(text) +
            " (expected drop=N[@K], delay=MS, short-chunk=BYTES, stray[@K], unplug-after=N or "
            "list-name=NAME)");
    }

    if (key == "list-name") {
        if (value.empty()) return R::Fail("Bad fault " + Quoted(text) + ": the name is empty");
        fault.kind = FaultSpec::Kind::ListName;
        fault.text = std::string(value);
        return R::Of(fault);
    }

    Result<int> number = Result<int>::Fail("");
    if (key == "drop") {
        fault.kind = FaultSpec::Kind::Drop;
        number = FaultNumber(text, value, 0, 1000000);
    } else if (key == "delay") {
        fault.kind = FaultSpec::Kind::Delay;
        number = FaultNumber(text, value, 0, MAX_DELAY_MS);
    } else if (key == "short-chunk") {
        fault.kind = FaultSpec::Kind::ShortChunk;
        number = FaultNumber(text, value, 1, 4096);
    } else if (key == "unplug-after") {
        fault.kind = FaultSpec::Kind::UnplugAfter;
        number = FaultNumber(text, value, 1, 1000000000);
    } else {
        return R::Fail(
            "Unknown fault " + Quoted(text) +
            " (expected drop=N[@K], delay=MS, short-chunk=BYTES, stray[@K], unplug-after=N or "
            "list-name=NAME)");
    }
    if (!number) return R::Fail(number.error);
    fault.value = *number;
    return R::Of(fault);
}

}  // namespace corvalin
