// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "archive/ArchiveDatabase.h"
#include "archive/ArchiveRowReader.h"
#include "common/Status.h"

namespace corvalin {

// The forms the archive is written out in:
//  CSV (RFC 4180, units in the header, an empty cell for no value),
//  JSON (a list of rows, null for no value),
//  InfluxDB line protocol (measurement "corvalin", station and channel as
//  tags, float fields, timestamps in seconds),
//  OpenMetrics with timestamps, one gauge family after the other, ending in
//  "# EOF" (as promtool's backfill reads it).
// Times in CSV and JSON are ISO 8601 with the computer's offset.
enum class ExportFormat { Csv, Json, Influx, OpenMetrics };
std::optional<ExportFormat> ParseExportFormat(std::string_view name);

Status WriteArchive(ArchiveDatabase& archive, const ArchiveQuery& query, ExportFormat format,
                    std::ostream& out);
Status WriteArchive(const ArchiveRowReader& read, const ArchiveQuery& query, ExportFormat format,
                    std::ostream& out);

// A stretch of a channel with no rows longer than the allowed gap.
struct ArchiveGap {
    std::string station;
    int channel = 1;
    int64_t lastBefore = 0;  // UTC of the row before the gap
    int64_t firstAfter = 0;  // and of the row after it, or `until` for the open gap
    bool open = false;       // no row came since: the gap lasts until now
};
// The gaps longer than `longestStep` seconds between rows that match the
// query, and after each channel's last row the one up to `until` (now, or
// the query's end), if it is that long.
Result<std::vector<ArchiveGap>> FindGaps(ArchiveDatabase& archive, const ArchiveQuery& query,
                                         int64_t longestStep, int64_t until);

}  // namespace corvalin
