// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/RecordColumns.h"

#include <algorithm>

namespace corvalin {

namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool EqualNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return Lower(x) == Lower(y); });
}

const char* RecordColumnName(RecordColumn column) {
    switch (column) {
        case RecordColumn::Time:
            return "Time";
        case RecordColumn::Temperature:
            return "Temperature";
        case RecordColumn::Humidity:
            return "Humidity";
        case RecordColumn::Dewpoint:
            return "Dewpoint";
        case RecordColumn::Heatindex:
            return "Heatindex";
    }
    return "";
}

std::optional<RecordColumn> FindRecordColumn(std::string_view name) {
    for (RecordColumn column : RECORD_COLUMNS) {
        if (EqualNoCase(name, RecordColumnName(column))) return column;
    }
    return std::nullopt;
}

std::optional<RecordColumn> FindValueColumn(std::string_view name) {
    const auto column = FindRecordColumn(name);
    if (column == RecordColumn::Time) return std::nullopt;
    return column;
}

}  // namespace corvalin
