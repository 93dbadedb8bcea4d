// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/ImportReading.h"

#include <cmath>
#include <limits>
#include <optional>

#include "common/NumberText.h"
#include "common/Readings.h"
#include "history/LogLine.h"
#include "store/OleDate.h"

namespace corvalin {

namespace {

float TemperatureField(const std::optional<std::string_view>& field) {
    switch (KindOfLogValue(field)) {
        case LogValueKind::Absent:
        case LogValueKind::Missing:
            return NO_DATA;
        case LogValueKind::NoNumber:
            return 0.0f;
        case LogValueKind::Number:
            break;
    }
    const double value = ReadLeadingNumber(*field);
    // A number no float holds is no reading, like "--".
    if (!std::isfinite(value) || std::fabs(value) > std::numeric_limits<float>::max()) {
        return NO_DATA;
    }
    return static_cast<float>(value);
}

int32_t HumidityField(const std::optional<std::string_view>& field) {
    switch (KindOfLogValue(field)) {
        case LogValueKind::Absent:
        case LogValueKind::Missing:
            return NO_DATA_INT;
        case LogValueKind::NoNumber:
            return 0;
        case LogValueKind::Number:
            break;
    }
    return ReadLeadingInteger(*field);
}

std::string_view TimeField(const HistoryTable& table, size_t row) {
    return table.Field(row, 0).value_or(std::string_view{});
}

// Every field but the time.
ReadingRecord ValuesFromLine(const HistoryTable& table, size_t row) {
    ReadingRecord record;
    record.temperature = TemperatureField(table.Field(row, 1));
    record.humidity = HumidityField(table.Field(row, 2));
    record.dewpoint = table.IndoorFile() ? NO_DATA : TemperatureField(table.Field(row, 3));
    record.heatindex = table.IndoorFile() ? NO_DATA : TemperatureField(table.Field(row, 4));
    return record;
}

}  // namespace

double ImportTime(std::string_view text, DateOrder order) {
    const LogTime time = ParseLogTime(text, order);
    switch (time.kind) {
        case LogTime::Kind::NotADate:
            return TIME_NOT_A_DATE;
        case LogTime::Kind::InvalidDate:
            return TIME_INVALID_DATE;
        case LogTime::Kind::Time:
            break;
    }
    return OleDateFromCivil(time.time);
}

ReadingRecord ReadingFromLine(const HistoryTable& table, size_t row, DateOrder order) {
    ReadingRecord record = ValuesFromLine(table, row);
    record.time = ImportTime(TimeField(table, row), order);
    return record;
}

StoredRow StoredRowFromLine(const HistoryTable& table, size_t row, DateOrder order) {
    const LogTime time = ParseLogTime(TimeField(table, row), order);
    if (time.kind == LogTime::Kind::Time)
        return StoredRow::From(time.time, ValuesFromLine(table, row));
    return StoredRow::From(ReadingFromLine(table, row, order));
}

}  // namespace corvalin
