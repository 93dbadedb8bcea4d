// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "protocol/WireValues.h"

namespace corvalin {

// How the configuration dialogs read the numbers typed into their edit boxes,
// and how those numbers travel to the station.

// What an edit box holds.
enum class EditValueKind {
    TemperatureLimit,   // an alarm limit: Fahrenheit converts with (x - 32) / 1.8
    TemperatureOffset,  // a calibration offset, a difference: Fahrenheit converts with x / 1.8
    Humidity,           // percent, an integer
};

// A temperature text as tenths of a degree Celsius, not yet truncated
// (the "--" rule does not apply: "--" reads as 0.0 in the user's unit).
double TemperatureTenths(std::string_view text, EditValueKind kind, int32_t unitFahrenheit);
// Truncated toward zero and held inside the 32-bit range.
int32_t TruncateTenths(double tenths);

// The wire value of an edit text: UNSET_VALUE for "--" (blanks around it
// allowed), else the integer (humidity) or the truncated tenths of °C.
int32_t ParseEditValue(std::string_view text, EditValueKind kind, int32_t unitFahrenheit);

// The unit sign beside a temperature edit: "°C", or "°F" for a non-zero unit code.
const char* TemperatureUnitText(int32_t unitFahrenheit);

}  // namespace corvalin
