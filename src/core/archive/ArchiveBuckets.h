// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>

#include "archive/Quantity.h"
#include "common/Status.h"
#include "store/Sqlite.h"

namespace corvalin {

// One channel's values of one quantity in buckets of equal length, added up
// by the database: a year of readings comes back as a few hundred rows.
struct BucketQuery {
    int channel = 1;
    Quantity quantity = Quantity::Temperature;
    int64_t from = 0;   // UTC, included: the first bucket begins here
    int64_t to = 0;     // UTC, excluded
    int64_t width = 1;  // seconds of a bucket
};

// A bucket with at least one value: the values of the rows in
// [from + index × width, from + (index + 1) × width).
struct ValueBucket {
    int64_t index = 0;
    int64_t count = 0;
    double lowest = 0;
    double highest = 0;
    double sum = 0;
    int64_t firstTime = 0;  // of its first and last row with a value
    int64_t lastTime = 0;
};

// Lets the connection's queries derive values as QuantityValue does.
Status DefineDerivedFunctions(const SqliteConnection& db);

// The buckets with values, in time order.
Status ReadValueBuckets(const SqliteConnection& db, int64_t stationId, const BucketQuery& query,
                        const std::function<void(const ValueBucket&)>& visit);

}  // namespace corvalin
