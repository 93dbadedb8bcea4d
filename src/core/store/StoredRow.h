// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <type_traits>

#include "store/OleDate.h"
#include "store/ReadingRecord.h"

namespace corvalin {

// A reading as a row of Records holds it, ready to bind: the time as the
// first key of its second and as ISO text, the values widened as stored.
// Made on any thread; only the row's place within its second is left to
// the inserter. Plain bytes, so that an import can stage it as it is.
struct StoredRow {
    int64_t firstKey = NOT_STORABLE;  // NOT_STORABLE: no date of the years 100 to 9999
    double temperature = 0;
    double dewpoint = 0;
    double heatindex = 0;
    int32_t humidity = 0;
    char time[CIVIL_TEXT_LENGTH + 1] = {};  // not bound past CIVIL_TEXT_LENGTH

    static constexpr int64_t NOT_STORABLE = -1;

    static StoredRow From(const ReadingRecord& record);
    // The same when the time is known as a valid CivilTime: `values` gives
    // the rest.
    static StoredRow From(const CivilTime& time, const ReadingRecord& values);
    bool Storable() const { return firstKey != NOT_STORABLE; }
};

static_assert(std::is_trivially_copyable_v<StoredRow>);

}  // namespace corvalin
