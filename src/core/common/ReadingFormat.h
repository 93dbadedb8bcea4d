// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "common/Readings.h"

namespace corvalin {

// How a reading is written everywhere in the program. `unitFahrenheit` is the
// station's unit code (0 Celsius, other Fahrenheit). Texts are UTF-8.
//   mode 0: "23.4  °C"; mode 1: without the unit sign ("23.4  ");
//   mode 2: a temperature difference, "%0.1f" of valueC (× 1.8 in Fahrenheit).
std::string FormatTemperature(float valueC, int mode, int32_t unitFahrenheit);
// The number FormatTemperature writes in mode 0, for outputs that carry
// numbers (JSON): the same rounding everywhere. Nothing for no data.
std::optional<double> ShownTemperature(float valueC, int32_t unitFahrenheit);
//   mode 0: "45  %"; mode 1: without "%".
std::string FormatHumidity(int32_t value, int mode);

// Dew point in °C by the Magnus form, rounded to float at the station's steps;
// NO_DATA when the humidity is missing or the result is out of range.
float DewPoint(float temperatureC, int32_t humidityPct);

// The dew point of a reading as the live display shows it: no data when either
// value is missing.
float DewPointOfReading(float temperatureC, int32_t humidityPct);

// Heat index in °C: equal to the temperature below 26.7 °C, the Rothfusz
// regression above it.
double HeatIndexC(double temperatureC, int humidityPct);

}  // namespace corvalin
