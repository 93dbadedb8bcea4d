// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/Status.h"
#include "sharedarchive/PgConnection.h"

namespace corvalin {

// The version of the shared archive's tables this program writes and reads.
inline constexpr int SHARED_ARCHIVE_VERSION = 1;

// Makes the shared archive's tables where they are missing, and checks them
// where they are: readings(station, channel, time, temperature, humidity,
// dew_point, heat_index, source) with its key on (station, channel, time),
// times as timestamptz, beside a table of the schema's version; a
// hypertable where the TimescaleDB extension is in the database. A table of
// another shape, or of a newer version, is refused with what differs.
Status PrepareSharedArchive(PgConnection& server);

}  // namespace corvalin
