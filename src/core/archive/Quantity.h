// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <optional>
#include <string_view>

#include "archive/ArchiveRow.h"

namespace corvalin {

// What a reading holds: the values the station gives and those derived from
// its temperature and humidity.
enum class Quantity { Temperature, Humidity, DewPoint, HeatIndex, AbsoluteHumidity, FrostPoint };
inline constexpr size_t QUANTITY_COUNT = 6;
inline constexpr std::array<Quantity, QUANTITY_COUNT> ALL_QUANTITIES{
    Quantity::Temperature, Quantity::Humidity,         Quantity::DewPoint,
    Quantity::HeatIndex,   Quantity::AbsoluteHumidity, Quantity::FrostPoint};

// Its key in JSON ("dewPoint"), and back.
const char* QuantityKey(Quantity quantity);
std::optional<Quantity> ParseQuantity(std::string_view key);
// Its name in tables and line protocol ("dew_point").
const char* QuantityField(Quantity quantity);
// Its unit: "°C", "%" or "g/m³".
const char* QuantityUnit(Quantity quantity);
// Where a table writes its unit into names: "C", "pct", "gm3".
const char* QuantityUnitName(Quantity quantity);

// The row's value of it: stored, or derived from the row's temperature and
// humidity; none where the row has no value to give or derive it from.
std::optional<double> QuantityValue(const ArchiveRow& row, Quantity quantity);

}  // namespace corvalin
