// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace corvalin {

// The columns of the Records table. Callers name them in any letter case
// ("DewPoint"); only these names ever reach a statement.
enum class RecordColumn { Time, Temperature, Humidity, Dewpoint, Heatindex };

inline constexpr std::array<RecordColumn, 5> RECORD_COLUMNS = {
    RecordColumn::Time, RecordColumn::Temperature, RecordColumn::Humidity, RecordColumn::Dewpoint,
    RecordColumn::Heatindex};

// The name as the table spells it.
const char* RecordColumnName(RecordColumn column);
std::optional<RecordColumn> FindRecordColumn(std::string_view name);
// A column that holds readings (not Time), the ones range queries filter.
std::optional<RecordColumn> FindValueColumn(std::string_view name);

bool EqualNoCase(std::string_view a, std::string_view b);

}  // namespace corvalin
