// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

#include "common/CivilTime.h"

namespace corvalin {

// The TimeKey of a row of Records: its second (since 0001-01-01) in the
// high bits and, in the low KEY_ORDER_BITS, its place among the rows of the
// same second in the order they were appended. As the table's primary key
// it keeps the rows in time order, so range queries need no other index.
inline constexpr int KEY_ORDER_BITS = 24;
inline constexpr int64_t KEY_ORDER_MASK = (int64_t{1} << KEY_ORDER_BITS) - 1;

// Rows that old layouts held move to the key of their time: seconds from
// 0001-01-01 to 1970-01-01, for SQLite's unixepoch().
inline constexpr int64_t YEAR_ONE_TO_UNIX_EPOCH_SECONDS = 62135596800;

// The key of the first row of that second.
inline int64_t FirstKeyOf(const CivilTime& time) {
    return (WallSeconds(time) + YEAR_ONE_TO_UNIX_EPOCH_SECONDS) << KEY_ORDER_BITS;
}
// Every key of that second is at most this.
inline int64_t LastKeyOf(const CivilTime& time) { return FirstKeyOf(time) | KEY_ORDER_MASK; }

// The second of a key as seconds since 1970-01-01 00:00 of the same clock.
inline int64_t EpochSecondsOfKey(int64_t key) {
    return (key >> KEY_ORDER_BITS) - YEAR_ONE_TO_UNIX_EPOCH_SECONDS;
}

}  // namespace corvalin
