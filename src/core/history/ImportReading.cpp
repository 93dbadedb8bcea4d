// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/ImportReading.h"

#include <cmath>
#include <limits>
#include <optional>

#include "common/NumberText.h"
#include "common/Readings.h"
#include "store/OleDate.h"

namespace corvalin {

namespace {

float TemperatureField(const std::optional<std::string_view>& field) {
    if (!field || IsMissingValue(*field)) return NO_DATA;
    const double value = ReadLeadingNumber(*field);
    // A number no float holds is no reading, like "--".
    if (!std::isfinite(value) || std::fabs(value) > std::numeric_limits<float>::max()) {
        return NO_DATA;
    }
    return static_cast<float>(value);
}

std::string_view TimeField(const HistoryTable& table, size_t row) {
    return table.Field(row, 0).value_or(std::string_view{});
}

// Every field but the time.
ReadingRecord ValuesFromLine(const HistoryTable& table, size_t row) {
    ReadingRecord record;
    record.temperature = TemperatureField(table.Field(row, 1));
    const auto humidity = table.Field(row, 2);
    record.humidity =
        !humidity || IsMissingValue(*humidity) ? NO_DATA_INT : ReadLeadingInteger(*humidity);
    record.dewpoint = table.IndoorFile() ? NO_DATA : TemperatureField(table.Field(row, 3));
    record.heatindex = table.IndoorFile() ? NO_DATA : TemperatureField(table.Field(row, 4));
    return record;
}

}  // namespace

bool IsMissingValue(std::string_view field) { return field.find("--") != std::string_view::npos; }

ReadingRecord ReadingFromLine(const HistoryTable& table, size_t row, DateOrder order) {
    ReadingRecord record = ValuesFromLine(table, row);
    record.time = ParseTimeText(TimeField(table, row), order);
    return record;
}

StoredRow StoredRowFromLine(const HistoryTable& table, size_t row, DateOrder order) {
    const std::string_view time = TimeField(table, row);
    // Read as ParseTimeText reads it, without the detour through an OLE date.
    if (const auto civil = ParseIsoText(time)) {
        return StoredRow::From(*civil, ValuesFromLine(table, row));
    }
    return StoredRow::From(ReadingFromLine(table, row, order));
}

}  // namespace corvalin
