// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/DerivedValues.h"

#include <cmath>

namespace corvalin {

namespace {

constexpr double MAGNUS_HPA = 6.112;  // saturation vapour pressure at 0 °C
constexpr double WATER_A = 17.62;
constexpr double WATER_B = 243.12;
constexpr double ICE_A = 22.46;
constexpr double ICE_B = 272.62;
// Water vapour's gas constant: grams per cubic metre = this × hPa / kelvin.
constexpr double GRAMS_PER_HPA_KELVIN = 216.7;

// The vapour pressure in hPa; none outside the range the form holds for.
std::optional<double> VapourPressure(double temperatureC, double humidityPct) {
    if (!(temperatureC >= -100 && temperatureC <= 100) || !(humidityPct >= 0)) {
        return std::nullopt;
    }
    const double saturation =
        MAGNUS_HPA * std::exp(WATER_A * temperatureC / (WATER_B + temperatureC));
    return humidityPct / 100.0 * saturation;
}

double Rounded(double value, double steps) { return std::round(value * steps) / steps; }

}  // namespace

std::optional<double> AbsoluteHumidity(double temperatureC, double humidityPct) {
    const std::optional<double> vapour = VapourPressure(temperatureC, humidityPct);
    if (!vapour) return std::nullopt;
    return Rounded(GRAMS_PER_HPA_KELVIN * *vapour / (273.15 + temperatureC), 100);
}

std::optional<double> FrostPoint(double temperatureC, double humidityPct) {
    const std::optional<double> vapour = VapourPressure(temperatureC, humidityPct);
    // At or above the pressure of 0 °C the vapour condenses as dew first.
    if (!vapour || *vapour <= 0 || *vapour >= MAGNUS_HPA) return std::nullopt;
    const double ratio = std::log(*vapour / MAGNUS_HPA);
    const double frostPoint = Rounded(ICE_B * ratio / (ICE_A - ratio), 10);
    if (frostPoint >= 0) return std::nullopt;
    return frostPoint;
}

}  // namespace corvalin
