// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "archive/ArchiveRow.h"
#include "common/Status.h"
#include "sharedarchive/PgConnection.h"

namespace corvalin {

// Adds the rows to the shared archive in one statement, and so in one
// transaction: all or none. A row the server has already (the same
// station, channel and time) stays as it is, so sending rows again never
// doubles one. Returns how many were new.
Result<int64_t> SendRows(PgConnection& server, const std::vector<ArchivedRow>& rows);

// The shared archive's rows that match the query, across every station,
// ordered by station, channel and time; `visit` returning false stops.
Status ReadRows(PgConnection& server, const ArchiveQuery& query,
                const std::function<bool(const ArchivedRow&)>& visit);

// The stations that have rows in the shared archive, by name.
Result<std::vector<std::string>> ReadStations(PgConnection& server);

// The times of the first and the last row that match the query; nothing
// when none does.
Result<std::optional<std::pair<int64_t, int64_t>>> ReadTimeRange(PgConnection& server,
                                                                 const ArchiveQuery& query);

}  // namespace corvalin
