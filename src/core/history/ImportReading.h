// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string_view>

#include "common/LogTime.h"
#include "history/HistoryTable.h"
#include "store/ReadingRecord.h"
#include "store/StoredRow.h"

namespace corvalin {

// How the import turns a log line into a record.

inline constexpr double TIME_NOT_A_DATE = 0.0;
inline constexpr double TIME_INVALID_DATE = -1.0;

// A line's time as an OLE Automation date: TIME_NOT_A_DATE for a text that
// is no date at all, TIME_INVALID_DATE for one that looks like a date but is
// not a valid one.
double ImportTime(std::string_view text, DateOrder order);

// The reading of data line `row`: the time from field 0, then temperature,
// humidity, and for a channel file dew point and heat index; NO_DATA for
// missing values, for fields the line lacks, and for an indoor file's dew
// point and heat index; 0 for a field without a number.
ReadingRecord ReadingFromLine(const HistoryTable& table, size_t row, DateOrder order);

// The same line as the row to store, made straight from the time where it
// is a valid date, without the detour through an OLE date.
StoredRow StoredRowFromLine(const HistoryTable& table, size_t row, DateOrder order);

}  // namespace corvalin
