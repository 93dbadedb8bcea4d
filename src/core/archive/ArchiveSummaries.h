// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "archive/ArchiveRow.h"
#include "archive/Quantity.h"
#include "archive/QuantityStats.h"
#include "common/Status.h"
#include "store/Sqlite.h"

namespace corvalin {

// What the archive keeps beside its rows, so that days and records are read
// without a scan of the years: each channel's UTC hours, and each channel's
// records. Both follow from the rows alone and are renewed in the
// transaction that adds rows, so they always agree with them.

inline constexpr int64_t SUMMARY_HOUR = 3600;

// One UTC hour of one channel: its temperatures and humidities.
struct HourSummary {
    int channel = 1;
    int64_t hour = 0;  // its first second, a multiple of an hour
    QuantityStats temperature;
    QuantityStats humidity;
};

// One channel's lowest and highest of every quantity ever.
struct ChannelRecords {
    int channel = 1;
    std::array<Extremes, QUANTITY_COUNT> quantities;  // in the order of ALL_QUANTITIES
};

// The first second of the hour `time` falls in.
int64_t HourOf(int64_t time);

// The tables, made where missing.
Status CreateSummaryTables(const SqliteConnection& db);
// Whether the archive's summaries were built (an archive made before them
// has none until a writer opens it).
bool HasSummaries(const SqliteConnection& db);
// Builds them from every row, where they are missing; in its own transaction.
Status BuildMissingSummaries(const SqliteConnection& db);
// Renews the summaries of the hours the rows fall in, and the records, from
// the rows stored there now; inside the caller's transaction. `allNew`: every
// one of the rows was just added (none was there before), so each hour's
// summary so far is added to instead of read again.
Status RefreshSummaries(const SqliteConnection& db, int64_t stationId,
                        const std::vector<ArchiveRow>& rows, bool allNew);

// The channel's hour summaries from `from` (included) to `to` (excluded) in time order.
Status ReadHourSummaries(const SqliteConnection& db, int64_t stationId, int channel, int64_t from,
                         int64_t to, const std::function<void(const HourSummary&)>& visit);
// Every channel's records, by channel.
Result<std::vector<ChannelRecords>> ReadChannelRecords(const SqliteConnection& db,
                                                       int64_t stationId);

}  // namespace corvalin
