// SPDX-License-Identifier: GPL-3.0-or-later
#include "summary/Records.h"

#include <algorithm>
#include <map>

namespace corvalin {

Result<std::vector<ChannelRecords>> ReadRecords(ArchiveDatabase& archive,
                                                const std::string& station,
                                                const std::vector<int>& channels) {
    // An archive made before the summaries, opened by someone who may not
    // write it, has none yet.
    if (!archive.HasSummaries()) return ReadRecords(ReaderOf(archive), station, channels);
    Result<std::vector<ChannelRecords>> records = archive.Records(station);
    if (!records || channels.empty()) return records;
    std::erase_if(*records.value, [&](const ChannelRecords& each) {
        return std::find(channels.begin(), channels.end(), each.channel) == channels.end();
    });
    return records;
}

Result<std::vector<ChannelRecords>> ReadRecords(const ArchiveRowReader& read,
                                                const std::string& station,
                                                const std::vector<int>& channels) {
    using R = Result<std::vector<ChannelRecords>>;
    std::map<int, ChannelRecords> byChannel;
    ArchiveQuery all;
    all.station = station;
    all.channels = channels;
    const Status done = read(all, [&](const ArchivedRow& stored) {
        const ArchiveRow& row = stored.row;
        ChannelRecords& records = byChannel[row.channel];
        records.channel = row.channel;
        for (size_t i = 0; i < QUANTITY_COUNT; ++i) {
            if (const std::optional<double> value = QuantityValue(row, ALL_QUANTITIES[i])) {
                records.quantities[i].Add(*value, row.time);
            }
        }
        return true;
    });
    if (!done) return R::Fail(done.message);
    // As the archive keeps them: a channel only with a value.
    std::vector<ChannelRecords> records;
    for (const auto& [channel, each] : byChannel) {
        if (std::any_of(each.quantities.begin(), each.quantities.end(),
                        [](const Extremes& extremes) { return extremes.any; })) {
            records.push_back(each);
        }
    }
    return R::Of(std::move(records));
}

}  // namespace corvalin
