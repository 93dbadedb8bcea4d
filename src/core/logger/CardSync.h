// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "archive/ArchiveDatabase.h"
#include "common/Status.h"
#include "session/StationSession.h"

namespace corvalin {

// The archive settings that say how far apart rows are meant to be, in seconds.
inline constexpr const char* LOGGER_INTERVAL_SETTING = "interval";
inline constexpr const char* STATION_INTERVAL_SETTING = "stationInterval";

// How the station's log times are read: in the computer's zone, or at the
// station's own zone and daylight-saving settings.
enum class CardTimeMode { Computer, Station };

struct CardSyncOptions {
    std::string station;
    std::string dataDir;  // where the local copies of the card's logs are kept
    CardTimeMode timeMode = CardTimeMode::Computer;
    std::function<bool()> stop;
    // Told of each file's progress ("CH3.CSV: 120 rows"), for logs and the terminal.
    std::function<void(const std::string&)> note;
};

struct CardSyncResult {
    Status status;
    int files = 0;
    int64_t rowsAdded = 0;
    uint64_t bytesFetched = 0;
    bool stopped = false;
};

// Fills the archive from the channel logs on the station's card: fetches
// only the bytes each local copy lacks (the resumable download) and adds
// the lines the archive has not taken. Needs a fresh read of the station for
// its date order (and, by the station's time, its zone); without one it
// refuses rather than guess.
CardSyncResult SyncArchiveFromCard(StationSession& session, ArchiveDatabase& archive,
                                   const CardSyncOptions& options);

}  // namespace corvalin
