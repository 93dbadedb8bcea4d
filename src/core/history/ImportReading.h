// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "history/HistoryTable.h"
#include "history/TimeText.h"
#include "store/ReadingRecord.h"
#include "store/StoredRow.h"

namespace corvalin {

// How the import reads the fields of a log line.

// A field holding "--" anywhere ("--", "--.-") is a missing value.
bool IsMissingValue(std::string_view field);

// The reading of data line `row`: the time from field 0, then temperature,
// humidity, and for a channel file dew point and heat index; NO_DATA for
// missing values, for fields the line lacks, and for an indoor file's dew
// point and heat index.
ReadingRecord ReadingFromLine(const HistoryTable& table, size_t row, DateOrder order);

// The same line as the row to store, made straight from a time written as
// the store writes it ("2024-03-05 14:07:09"), the form the station logs.
StoredRow StoredRowFromLine(const HistoryTable& table, size_t row, DateOrder order);

}  // namespace corvalin
