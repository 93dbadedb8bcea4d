// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <string>
#include <vector>

#include "archive/ArchiveDatabase.h"
#include "archive/ArchiveRowReader.h"
#include "archive/Quantity.h"
#include "archive/QuantityStats.h"
#include "common/CivilTime.h"
#include "common/Status.h"

namespace corvalin {

// One channel's values on one local calendar day (the computer's zone).
struct DaySummary {
    CivilTime date;
    int channel = 1;
    std::array<QuantityStats, QUANTITY_COUNT> quantities;  // in the order of ALL_QUANTITIES

    const QuantityStats& Of(Quantity quantity) const {
        return quantities[static_cast<size_t>(quantity)];
    }
};

struct DayQuery {
    std::string station;
    CivilTime from;  // the first and last local date, both included
    CivilTime to;
    std::vector<int> channels;  // none: every channel
    // Temperature and humidity come from the archive's hour summaries; every
    // quantity needs the rows themselves (for a day, not for years).
    bool everyQuantity = false;
};

// The days and channels that have values, by date and channel: from the
// local archive's hour summaries where they serve, else from its rows.
Result<std::vector<DaySummary>> SummarizeDays(ArchiveDatabase& archive, const DayQuery& query);
// The same from the rows alone (an archive without hour summaries, or the
// shared one on a server).
Result<std::vector<DaySummary>> SummarizeDays(const ArchiveRowReader& read, const DayQuery& query);

}  // namespace corvalin
