// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ArchiveCommand.h"
#include "summary/DaySummaries.h"
#include "summary/Records.h"

namespace corvalin::cli {

// What `archive days` and `archive records` read: the local archive, or the
// shared archive on a server. Both summarize through the same core rules.
class SummarySource {
public:
    virtual ~SummarySource() = default;
    // Who holds the stations, for messages ("The archive …").
    virtual std::string Holder() const = 0;
    virtual Result<std::vector<std::string>> Stations() = 0;
    // The UTC times of the station's first and last row on the channels
    // (all where none are named); nothing when it has none.
    virtual Result<std::optional<std::pair<int64_t, int64_t>>> ArchivedTimes(
        const std::string& station, const std::vector<int>& channels) = 0;
    virtual Result<std::vector<DaySummary>> Days(const DayQuery& query) = 0;
    virtual Result<std::vector<ChannelRecords>> Records(const std::string& station,
                                                        const std::vector<int>& channels) = 0;
    // Prints why a read failed; the exit status.
    virtual int Failed(const std::string& error) = 0;
};

// The shared archive with --server, else the local one. Nothing, with the
// reason printed and `failed` set to the exit status, when it cannot be
// opened.
std::unique_ptr<SummarySource> OpenSummarySource(CommandContext& context,
                                                 const ArchiveOptions& options, int& failed);

}  // namespace corvalin::cli
