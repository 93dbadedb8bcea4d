// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <vector>

#include "archive/ArchiveRow.h"
#include "common/Readings.h"

namespace corvalin {

// The archive rows of one live reading taken at `utcSeconds`: one per
// channel that has a value, with its dew point and heat index; a channel
// without any value (no sensor) gives no row.
std::vector<ArchiveRow> RowsFromLiveReadings(const LiveReadings& readings, int64_t utcSeconds);

}  // namespace corvalin
