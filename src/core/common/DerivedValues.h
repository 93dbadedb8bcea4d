// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>

namespace corvalin {

// Values the program derives from a reading's temperature (°C) and relative
// humidity (%), beside the dew point and heat index the station gives. The
// vapour pressure comes from the Magnus form over water (WMO), as relative
// humidity is measured against water also below freezing.

// Grams of water vapour per cubic metre of air, to two decimals.
std::optional<double> AbsoluteHumidity(double temperatureC, double humidityPct);

// The temperature below 0 °C at which the air's vapour would settle as
// frost, to one decimal (Magnus form over ice). None where it would settle
// as dew above 0 °C instead, or where the air holds no vapour.
std::optional<double> FrostPoint(double temperatureC, double humidityPct);

}  // namespace corvalin
