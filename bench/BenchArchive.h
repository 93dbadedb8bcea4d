// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <ctime>
#include <vector>

#include "archive/ArchiveDatabase.h"

namespace corvalin::bench {

// The archive the benches measure: 10 years x 8 channels at 5-minute steps
// (8.4 M rows) of the station "bench".
inline constexpr int64_t STEP = 300;
inline constexpr int64_t DAY = 86400;
inline constexpr int64_t YEAR = 365 * DAY;
inline constexpr int YEARS = 10;
inline constexpr const char* BENCH_STATION = "bench";
// Ten years that end today, so that a logger started on the archive adds its
// readings after the last ones, and today has readings.
inline const int64_t YEAR_START = (std::time(nullptr) - YEARS * YEAR) / DAY * DAY;

inline bool BuildArchive(ArchiveDatabase& archive) {
    std::vector<ArchiveRow> rows;
    rows.reserve(200000);
    const int64_t end = YEAR_START + YEARS * YEAR;
    for (int64_t time = YEAR_START; time < end; time += STEP) {
        for (int channel = 1; channel <= 8; ++channel) {
            const double t = 15.0 + ((time / STEP + channel) % 200) / 10.0;
            rows.push_back({channel, time, t, 50.0, t - 8.0, t, RowSource::Live});
        }
        if (rows.size() >= 200000) {
            if (!archive.Add(BENCH_STATION, rows)) return false;
            rows.clear();
        }
    }
    return bool(archive.Add(BENCH_STATION, rows));
}

}  // namespace corvalin::bench
