// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "archive/ArchiveDatabase.h"
#include "common/Status.h"
#include "common/ZonedTime.h"
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
    // Told of each log when it is done ("CH3.CSV: 120 bytes fetched, 2 rows
    // added"), for logs and the terminal.
    std::function<void(const std::string&)> note;
};

struct CardSyncResult {
    Status status;
    int files = 0;
    int64_t rowsAdded = 0;
    uint64_t bytesFetched = 0;
    bool stopped = false;
    // Files on the card that are not taken, each with the reason.
    std::vector<std::string> skipped;
};

// Fills the archive from the channel logs on the station's card: fetches
// only the bytes each local copy lacks (the resumable download) and adds
// the lines the archive has not taken. It goes a slice at a time, each slice
// a bounded run of exchanges (the list, some chunks of one log) and of lines
// added, so that a logger keeps reading live and telling systemd it is alive
// while a long card comes in. Needs a fresh read of the station for its date
// order (and, by the station's time, its zone); without one it refuses
// rather than guess.
class CardSync {
public:
    CardSync(StationSession& session, ArchiveDatabase& archive, CardSyncOptions options);
    ~CardSync();
    CardSync(const CardSync&) = delete;
    CardSync& operator=(const CardSync&) = delete;

    // Does one slice; false once the sync is over (see Result).
    bool Step();
    const CardSyncResult& Result() const { return result_; }
    // How far it is, for a status line: "CH3.CSV: 120 of 4700 kB".
    std::string Progress() const;

private:
    bool Start();
    bool List();
    bool Fetch();
    bool AddLines();
    bool Fail(std::string message);
    bool Stopped();

    StationSession& session_;
    ArchiveDatabase& archive_;
    CardSyncOptions options_;
    CardSyncResult result_;
    enum class Phase { Start, List, Fetch, Add, Done } phase_ = Phase::Start;
    DateOrder order_ = DateOrder::MonthFirst;
    WallTimeZone zone_ = WallTimeZone::Local();
    std::unique_ptr<SdCardClient> card_;
    struct Log {
        std::string name;
        int channel = 0;
        uint64_t size = 0;
    };
    std::vector<Log> logs_;
    size_t next_ = 0;  // the log being fetched or added
    std::string localPath_;
    uint64_t logFetched_ = 0;
    uint64_t logRowsAdded_ = 0;
    uint64_t sliceBytes_ = 0;
};

// The whole sync at once, as corvalin-cli archive sync does it.
CardSyncResult SyncArchiveFromCard(StationSession& session, ArchiveDatabase& archive,
                                   const CardSyncOptions& options);

}  // namespace corvalin
