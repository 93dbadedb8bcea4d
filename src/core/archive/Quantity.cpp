// SPDX-License-Identifier: GPL-3.0-or-later
#include "archive/Quantity.h"

#include "common/DerivedValues.h"

namespace corvalin {

namespace {

struct QuantityNames {
    const char* key;
    const char* field;
    const char* unit;
    const char* unitName;
};

constexpr std::array<QuantityNames, QUANTITY_COUNT> NAMES{{
    {"temperature", "temperature", "°C", "C"},
    {"humidity", "humidity", "%", "pct"},
    {"dewPoint", "dew_point", "°C", "C"},
    {"heatIndex", "heat_index", "°C", "C"},
    {"absoluteHumidity", "absolute_humidity", "g/m³", "gm3"},
    {"frostPoint", "frost_point", "°C", "C"},
}};

const QuantityNames& Names(Quantity quantity) { return NAMES[static_cast<size_t>(quantity)]; }

}  // namespace

const char* QuantityKey(Quantity quantity) { return Names(quantity).key; }
const char* QuantityField(Quantity quantity) { return Names(quantity).field; }
const char* QuantityUnit(Quantity quantity) { return Names(quantity).unit; }
const char* QuantityUnitName(Quantity quantity) { return Names(quantity).unitName; }

std::optional<Quantity> ParseQuantity(std::string_view key) {
    for (Quantity quantity : ALL_QUANTITIES) {
        if (key == QuantityKey(quantity)) return quantity;
    }
    return std::nullopt;
}

std::optional<double> QuantityValue(const ArchiveRow& row, Quantity quantity) {
    switch (quantity) {
        case Quantity::Temperature:
            return row.temperature;
        case Quantity::Humidity:
            return row.humidity;
        case Quantity::DewPoint:
            return row.dewPoint;
        case Quantity::HeatIndex:
            return row.heatIndex;
        case Quantity::AbsoluteHumidity:
            if (!row.temperature || !row.humidity) return std::nullopt;
            return AbsoluteHumidity(*row.temperature, *row.humidity);
        case Quantity::FrostPoint:
            if (!row.temperature || !row.humidity) return std::nullopt;
            return FrostPoint(*row.temperature, *row.humidity);
    }
    return std::nullopt;
}

}  // namespace corvalin
