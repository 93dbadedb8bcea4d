// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "archive/ArchiveBuckets.h"
#include "archive/ArchiveRow.h"
#include "archive/ArchiveSummaries.h"
#include "common/Status.h"
#include "store/Sqlite.h"

namespace corvalin {

// How far a card log has been read into the archive: the bytes taken (whole
// lines only) and the UTC time of the last line, which orders the next ones
// on a day whose wall-clock hour repeats.
struct CardPosition {
    uint64_t offset = 0;
    std::optional<int64_t> lastTime;
};

// The lasting archive of readings (archive.db in the data folder): one row
// per station, channel and UTC second, so nothing is ever stored twice. It is
// written in WAL mode with full syncs, so a killed writer loses at most the
// transaction it was in. A file that is not a sound archive is reported and
// left as it is; nothing here ever replaces or empties it.
class ArchiveDatabase {
public:
    static Result<std::unique_ptr<ArchiveDatabase>> Open(const std::string& path,
                                                         bool readOnly = false);
    ~ArchiveDatabase();
    ArchiveDatabase(const ArchiveDatabase&) = delete;
    ArchiveDatabase& operator=(const ArchiveDatabase&) = delete;

    // Adds the rows in one transaction; rows already archived stay as they
    // are. Returns how many were new.
    Result<int64_t> Add(const std::string& station, const std::vector<ArchiveRow>& rows);
    // Adds a card log's new lines and moves its position, in one transaction.
    Result<int64_t> AddCardRows(const std::string& station, const std::string& file,
                                const std::vector<ArchiveRow>& rows, const CardPosition& position);
    CardPosition Position(const std::string& station, const std::string& file);

    // The matching rows ordered by station, channel and time; `visit`
    // returning false stops the reading.
    Status Read(const ArchiveQuery& query, const std::function<bool(const ArchivedRow&)>& visit);
    Result<int64_t> Count(const ArchiveQuery& query);
    // The station's first live reading after `afterTime`: every channel of
    // it, in channel order; empty when none is newer. Served by an index in
    // that order, so the cost never grows with the archive's age.
    Result<std::vector<ArchiveRow>> NextLiveReading(const std::string& station, int64_t afterTime);
    // How many of the station's live readings are newer than `afterTime`.
    Result<int64_t> LiveReadingsAfter(const std::string& station, int64_t afterTime);
    // The time of the station's newest live row, if it has one.
    std::optional<int64_t> NewestLiveTime(const std::string& station);
    // The time of the channel's oldest and newest row, if it has one.
    std::optional<int64_t> OldestTime(const std::string& station, int channel);
    std::optional<int64_t> NewestTime(const std::string& station, int channel);
    // The stations that have rows, by name.
    std::vector<std::string> Stations();

    // Whether the hour summaries and records are there: an archive made
    // before them has none until a writer opens it.
    bool HasSummaries();
    // The channel's hour summaries from `from` (included) to `to` (excluded).
    Status ReadHours(const std::string& station, int channel, int64_t from, int64_t to,
                     const std::function<void(const HourSummary&)>& visit);
    // Each channel's records, by channel; none for a station without rows.
    Result<std::vector<ChannelRecords>> Records(const std::string& station);
    // The buckets of the query that have values, in time order.
    Status ReadBuckets(const std::string& station, const BucketQuery& query,
                       const std::function<void(const ValueBucket&)>& visit);

    // Small named values the logger leaves for the tools (its interval).
    std::optional<std::string> Setting(const std::string& key);
    Status SetSetting(const std::string& key, const std::string& value);

    // SQLite's integrity check: ok, or what it found.
    Status Check();

    // For a connection that only reads, beside the logger's: a page cache of
    // this many KiB instead of the writer's big one.
    Status LimitCache(int kibibytes);

private:
    friend class ForwardCursor;
    explicit ArchiveDatabase(SqliteConnection db, std::string path);
    Result<int64_t> StationId(const std::string& station, bool create);
    Result<int64_t> InsertRows(int64_t stationId, const std::vector<ArchiveRow>& rows);
    // Rows added behind where copies elsewhere have got: they go there too.
    Status NoteAddedFrom(const std::vector<ArchiveRow>& rows);
    // Adds the rows and does `alongside` in the same transaction.
    Result<int64_t> AddInTransaction(const std::string& station,
                                     const std::vector<ArchiveRow>& rows,
                                     const std::function<Status(int64_t stationId)>& alongside);
    std::string Failure(const std::string& what) const;
    // min(time) or max(time) of one channel, through the primary key.
    std::optional<int64_t> ChannelTime(const std::string& station, int channel,
                                       const char* aggregate);

    SqliteConnection db_;
    std::string path_;
};

}  // namespace corvalin
