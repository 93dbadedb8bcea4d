// SPDX-License-Identifier: GPL-3.0-or-later
#include "summary/Records.h"

#include <algorithm>

namespace corvalin {

namespace {

// For an archive without its summaries (made before them, and opened by
// someone who may not write it): a pass over the rows.
Result<std::vector<ChannelRecords>> RecordsFromRows(ArchiveDatabase& archive,
                                                    const std::string& station) {
    std::vector<ChannelRecords> records;
    ArchiveQuery all;
    all.station = station;
    const Status read = archive.Read(all, [&](const ArchivedRow& stored) {
        const ArchiveRow& row = stored.row;
        if (records.empty() || records.back().channel != row.channel) {
            records.push_back({row.channel, {}});
        }
        for (size_t i = 0; i < QUANTITY_COUNT; ++i) {
            if (const std::optional<double> value = QuantityValue(row, ALL_QUANTITIES[i])) {
                records.back().quantities[i].Add(*value, row.time);
            }
        }
        return true;
    });
    if (!read) return Result<std::vector<ChannelRecords>>::Fail(read.message);
    // As the archive keeps them: a channel only with a value.
    std::erase_if(records, [](const ChannelRecords& each) {
        return std::none_of(each.quantities.begin(), each.quantities.end(),
                            [](const Extremes& extremes) { return extremes.any; });
    });
    return Result<std::vector<ChannelRecords>>::Of(std::move(records));
}

}  // namespace

Result<std::vector<ChannelRecords>> ReadRecords(ArchiveDatabase& archive,
                                                const std::string& station,
                                                const std::vector<int>& channels) {
    Result<std::vector<ChannelRecords>> records =
        archive.HasSummaries() ? archive.Records(station) : RecordsFromRows(archive, station);
    if (!records || channels.empty()) return records;
    std::erase_if(*records.value, [&](const ChannelRecords& each) {
        return std::find(channels.begin(), channels.end(), each.channel) == channels.end();
    });
    return records;
}

}  // namespace corvalin
