// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "archive/ArchiveDatabase.h"
#include "archive/Quantity.h"
#include "common/Status.h"

namespace corvalin {

// One channel's quantity over a span as at most `points` buckets of equal
// length, each with the lowest, highest and mean of its rows.
struct SeriesQuery {
    std::string station;
    int channel = 1;
    Quantity quantity = Quantity::Temperature;
    int64_t from = 0;  // UTC, included
    int64_t to = 0;    // UTC, excluded
    int64_t points = 1000;
    // Rows further apart than this have a gap between them (two logging
    // intervals, as the archive's gaps are found).
    int64_t longestStep = 120;
};

// A bucket with values; all none for the first empty bucket of a gap.
struct SeriesPoint {
    int64_t time = 0;  // where the bucket begins
    std::optional<double> lowest;
    std::optional<double> highest;
    std::optional<double> mean;

    bool operator==(const SeriesPoint&) const = default;
};

struct ValueSeries {
    int64_t bucketSeconds = 0;
    std::vector<SeriesPoint> points;
};

Result<ValueSeries> ReadSeries(ArchiveDatabase& archive, const SeriesQuery& query);

}  // namespace corvalin
