// SPDX-License-Identifier: GPL-3.0-or-later
#include "archive/ArchiveDatabase.h"

#include <sqlite3.h>

#include <algorithm>
#include <string_view>

#include "archive/ForwardCursor.h"

namespace corvalin {

namespace {

constexpr size_t ROWS_PER_STATEMENT = 128;

// A card sync writes many pages: a bigger cache, fewer trips to the disk.
constexpr const char* WRITER_SETTINGS =
    "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL; PRAGMA cache_size=-16000";

const char* const SCHEMA = R"SQL(
CREATE TABLE IF NOT EXISTS stations(
  id INTEGER PRIMARY KEY,
  name TEXT NOT NULL UNIQUE);
-- Temperatures, dew points and heat indexes in degrees Celsius, humidity in
-- percent, time in UTC seconds since 1970; NULL where the station had no value.
CREATE TABLE IF NOT EXISTS readings(
  station INTEGER NOT NULL REFERENCES stations(id),
  channel INTEGER NOT NULL CHECK(channel BETWEEN 1 AND 8),
  time INTEGER NOT NULL,
  temperature REAL,
  humidity REAL,
  dew_point REAL,
  heat_index REAL,
  source TEXT NOT NULL CHECK(source IN ('live', 'card')),
  PRIMARY KEY(station, channel, time)) WITHOUT ROWID;
-- The live readings in time order, as the publishers take them.
CREATE INDEX IF NOT EXISTS readings_live ON readings(station, time, channel)
  WHERE source = 'live';
-- Every row in time order, as they are forwarded to a shared archive.
CREATE INDEX IF NOT EXISTS readings_order ON readings(time, station, channel);
CREATE TABLE IF NOT EXISTS card_files(
  station INTEGER NOT NULL REFERENCES stations(id),
  file TEXT NOT NULL,
  offset INTEGER NOT NULL,
  last_time INTEGER,
  PRIMARY KEY(station, file));
CREATE TABLE IF NOT EXISTS settings(
  key TEXT PRIMARY KEY,
  value TEXT NOT NULL);
)SQL";

void BindOptional(sqlite3_stmt* statement, int index, const std::optional<double>& value) {
    if (value) {
        sqlite3_bind_double(statement, index, *value);
    } else {
        sqlite3_bind_null(statement, index);
    }
}

}  // namespace

const char* SourceName(RowSource source) { return source == RowSource::Card ? "card" : "live"; }

ArchiveDatabase::ArchiveDatabase(SqliteConnection db, std::string path)
    : db_(std::move(db)), path_(std::move(path)) {}

ArchiveDatabase::~ArchiveDatabase() = default;

Result<std::unique_ptr<ArchiveDatabase>> ArchiveDatabase::Open(const std::string& path,
                                                               bool readOnly) {
    using R = Result<std::unique_ptr<ArchiveDatabase>>;
    Result<SqliteConnection> opened = SqliteConnection::Open(
        path, readOnly ? SqliteConnection::Access::ReadOnly : SqliteConnection::Access::Create);
    if (!opened) return R::Fail("Cannot open the archive: " + opened.error);
    SqliteConnection db = std::move(*opened.value);
    // The first read of the file tells whether it is an archive at all.
    Status ready = db.Execute("SELECT count(*) FROM sqlite_schema");
    if (ready && !readOnly) ready = db.Execute(WRITER_SETTINGS);
    if (ready && !readOnly) ready = db.Execute(SCHEMA);
    if (ready && !readOnly) ready = CreateSummaryTables(db);
    // Once, for an archive made before the summaries: a pass over its rows.
    if (ready && !readOnly) ready = BuildMissingSummaries(db);
    if (ready) ready = DefineDerivedFunctions(db);
    if (!ready) {
        return R::Fail("The archive " + path + " cannot be used (" + ready.message +
                       "); it is left as it is");
    }
    return R::Of(std::unique_ptr<ArchiveDatabase>(new ArchiveDatabase(std::move(db), path)));
}

std::string ArchiveDatabase::Failure(const std::string& what) const {
    return "Cannot " + what + " the archive " + path_ + ": " + sqlite3_errmsg(db_.get());
}

Result<int64_t> ArchiveDatabase::StationId(const std::string& station, bool create) {
    if (create) {
        Result<SqliteStatement> insert =
            db_.Prepare("INSERT OR IGNORE INTO stations(name) VALUES(?)");
        if (!insert) return Result<int64_t>::Fail(insert.error);
        sqlite3_bind_text(insert.value->get(), 1, station.c_str(), -1, SQLITE_TRANSIENT);
        if (sqlite3_step(insert.value->get()) != SQLITE_DONE) {
            return Result<int64_t>::Fail(Failure("write to"));
        }
    }
    Result<SqliteStatement> select = db_.Prepare("SELECT id FROM stations WHERE name = ?");
    if (!select) return Result<int64_t>::Fail(select.error);
    sqlite3_stmt* s = select.value->get();
    sqlite3_bind_text(s, 1, station.c_str(), -1, SQLITE_TRANSIENT);
    if (sqlite3_step(s) != SQLITE_ROW) {
        return Result<int64_t>::Fail("No station \"" + station + "\" in the archive");
    }
    return Result<int64_t>::Of(sqlite3_column_int64(s, 0));
}

Result<int64_t> ArchiveDatabase::InsertRows(int64_t stationId,
                                            const std::vector<ArchiveRow>& rows) {
    // Many rows to a statement: the per-statement work is most of a row's cost.
    const auto prepare = [this](size_t count) {
        std::string sql =
            "INSERT OR IGNORE INTO readings(station, channel, time, temperature, humidity, "
            "dew_point, heat_index, source) VALUES ";
        for (size_t i = 0; i < count; ++i) sql += i ? ",(?,?,?,?,?,?,?,?)" : "(?,?,?,?,?,?,?,?)";
        return db_.Prepare(sql, true);
    };
    Result<SqliteStatement> full = prepare(ROWS_PER_STATEMENT);
    if (!full) return Result<int64_t>::Fail(full.error);
    int64_t added = 0;
    for (size_t first = 0; first < rows.size(); first += ROWS_PER_STATEMENT) {
        const size_t count = std::min(ROWS_PER_STATEMENT, rows.size() - first);
        Result<SqliteStatement> rest = Result<SqliteStatement>::Fail("");
        if (count < ROWS_PER_STATEMENT) {
            rest = prepare(count);
            if (!rest) return Result<int64_t>::Fail(rest.error);
        }
        sqlite3_stmt* s = rest ? rest.value->get() : full.value->get();
        int at = 1;
        for (size_t i = first; i < first + count; ++i) {
            const ArchiveRow& row = rows[i];
            sqlite3_bind_int64(s, at++, stationId);
            sqlite3_bind_int(s, at++, row.channel);
            sqlite3_bind_int64(s, at++, row.time);
            BindOptional(s, at++, row.temperature);
            BindOptional(s, at++, row.humidity);
            BindOptional(s, at++, row.dewPoint);
            BindOptional(s, at++, row.heatIndex);
            sqlite3_bind_text(s, at++, SourceName(row.source), -1, SQLITE_STATIC);
        }
        if (sqlite3_step(s) != SQLITE_DONE) return Result<int64_t>::Fail(Failure("write to"));
        added += sqlite3_changes(db_.get());
        sqlite3_reset(s);
    }
    return Result<int64_t>::Of(added);
}

Result<int64_t> ArchiveDatabase::Add(const std::string& station,
                                     const std::vector<ArchiveRow>& rows) {
    return AddInTransaction(station, rows, [](int64_t) { return Status::Ok(); });
}

Result<int64_t> ArchiveDatabase::AddInTransaction(
    const std::string& station, const std::vector<ArchiveRow>& rows,
    const std::function<Status(int64_t stationId)>& alongside) {
    SqliteTransaction transaction(db_.get());
    if (!transaction.Begun()) return Result<int64_t>::Fail(Failure("write to"));
    const Result<int64_t> id = StationId(station, true);
    if (!id) return id;
    const Result<int64_t> added = InsertRows(*id, rows);
    if (!added) return added;
    if (*added > 0) {
        const bool allNew = *added == static_cast<int64_t>(rows.size());
        if (Status renewed = RefreshSummaries(db_, *id, rows, allNew); !renewed) {
            return Result<int64_t>::Fail("Cannot write to the archive " + path_ + ": " +
                                         renewed.message);
        }
        if (Status noted = NoteAddedFrom(rows); !noted) return Result<int64_t>::Fail(noted.message);
    }
    if (Status more = alongside(*id); !more) return Result<int64_t>::Fail(more.message);
    if (!transaction.Commit()) return Result<int64_t>::Fail(Failure("write to"));
    return added;
}

Status ArchiveDatabase::NoteAddedFrom(const std::vector<ArchiveRow>& rows) {
    const auto earliest =
        std::min_element(rows.begin(), rows.end(),
                         [](const ArchiveRow& a, const ArchiveRow& b) { return a.time < b.time; });
    Result<SqliteStatement> prepared = db_.Prepare(
        "INSERT INTO settings(key, value) VALUES(?1, ?2) ON CONFLICT(key) DO UPDATE "
        "SET value = min(CAST(value AS INTEGER), CAST(excluded.value AS INTEGER))");
    if (!prepared) return Status::Error(prepared.error);
    sqlite3_stmt* note = prepared.value->get();
    sqlite3_bind_text(note, 1, ForwardCursor::REWIND_KEY, -1, SQLITE_STATIC);
    sqlite3_bind_int64(note, 2, earliest->time);
    if (sqlite3_step(note) != SQLITE_DONE) return Status::Error(Failure("write to"));
    return Status::Ok();
}

Result<int64_t> ArchiveDatabase::AddCardRows(const std::string& station, const std::string& file,
                                             const std::vector<ArchiveRow>& rows,
                                             const CardPosition& position) {
    return AddInTransaction(station, rows, [&](int64_t stationId) {
        Result<SqliteStatement> prepared = db_.Prepare(
            "INSERT OR REPLACE INTO card_files(station, file, offset, last_time) "
            "VALUES(?, ?, ?, ?)");
        if (!prepared) return Status::Error(prepared.error);
        sqlite3_stmt* save = prepared.value->get();
        sqlite3_bind_int64(save, 1, stationId);
        sqlite3_bind_text(save, 2, file.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int64(save, 3, static_cast<int64_t>(position.offset));
        if (position.lastTime) {
            sqlite3_bind_int64(save, 4, *position.lastTime);
        } else {
            sqlite3_bind_null(save, 4);
        }
        if (sqlite3_step(save) != SQLITE_DONE) return Status::Error(Failure("write to"));
        return Status::Ok();
    });
}

CardPosition ArchiveDatabase::Position(const std::string& station, const std::string& file) {
    CardPosition position;
    Result<SqliteStatement> prepared = db_.Prepare(
        "SELECT offset, last_time FROM card_files JOIN stations ON stations.id = station "
        "WHERE name = ? AND file = ?");
    if (!prepared) return position;
    sqlite3_stmt* select = prepared.value->get();
    sqlite3_bind_text(select, 1, station.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(select, 2, file.c_str(), -1, SQLITE_TRANSIENT);
    if (sqlite3_step(select) == SQLITE_ROW) {
        position.offset = static_cast<uint64_t>(sqlite3_column_int64(select, 0));
        if (sqlite3_column_type(select, 1) != SQLITE_NULL) {
            position.lastTime = sqlite3_column_int64(select, 1);
        }
    }
    return position;
}

Status ArchiveDatabase::Read(const ArchiveQuery& query,
                             const std::function<bool(const ArchivedRow&)>& visit) {
    std::string sql =
        "SELECT name, channel, time, temperature, humidity, dew_point, heat_index, source "
        "FROM readings JOIN stations ON stations.id = readings.station WHERE 1";
    if (query.station) sql += " AND name = ?1";
    if (query.from) sql += " AND time >= ?2";
    if (query.to) sql += " AND time <= ?3";
    if (!query.channels.empty()) {
        sql += " AND channel IN (";
        for (size_t i = 0; i < query.channels.size(); ++i) {
            sql += (i ? ", " : "") + std::to_string(query.channels[i]);
        }
        sql += ")";
    }
    if (query.source)
        sql += query.source == RowSource::Card ? " AND source = 'card'" : " AND source = 'live'";
    sql += " ORDER BY readings.station, channel, time";
    Result<SqliteStatement> prepared = db_.Prepare(sql);
    if (!prepared) return Status::Error(prepared.error);
    sqlite3_stmt* select = prepared.value->get();
    sqlite3_stmt* s = select;
    if (query.station) sqlite3_bind_text(s, 1, query.station->c_str(), -1, SQLITE_TRANSIENT);
    if (query.from) sqlite3_bind_int64(s, 2, *query.from);
    if (query.to) sqlite3_bind_int64(s, 3, *query.to);

    ArchivedRow stored;
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(s)) == SQLITE_ROW) {
        const auto* name = reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
        const int nameLength = sqlite3_column_bytes(s, 0);
        if (std::string_view(stored.station) != std::string_view(name, nameLength)) {
            stored.station.assign(name, nameLength);
        }
        ArchiveRow& row = stored.row;
        row.channel = sqlite3_column_int(s, 1);
        row.time = sqlite3_column_int64(s, 2);
        row.temperature = ColumnOptional(s, 3);
        row.humidity = ColumnOptional(s, 4);
        row.dewPoint = ColumnOptional(s, 5);
        row.heatIndex = ColumnOptional(s, 6);
        const auto* source = reinterpret_cast<const char*>(sqlite3_column_text(s, 7));
        row.source = source && source[0] == 'c' ? RowSource::Card : RowSource::Live;
        if (!visit(stored)) return Status::Ok();
    }
    if (step != SQLITE_DONE) return Status::Error(Failure("read"));
    return Status::Ok();
}

Result<int64_t> ArchiveDatabase::Count(const ArchiveQuery& query) {
    int64_t count = 0;
    const Status read = Read(query, [&count](const ArchivedRow&) { return ++count, true; });
    if (!read) return Result<int64_t>::Fail(read.message);
    return Result<int64_t>::Of(count);
}

Result<std::vector<ArchiveRow>> ArchiveDatabase::NextLiveReading(const std::string& station,
                                                                 int64_t afterTime) {
    using R = Result<std::vector<ArchiveRow>>;
    std::vector<ArchiveRow> rows;
    const Result<int64_t> id = StationId(station, false);
    if (!id) return R::Of(rows);  // no row of it yet
    Result<SqliteStatement> prepared = db_.Prepare(
        "SELECT channel, time, temperature, humidity, dew_point, heat_index "
        "FROM readings INDEXED BY readings_live WHERE station = ?1 AND source = 'live' AND "
        "time = (SELECT min(time) FROM readings INDEXED BY readings_live "
        "WHERE station = ?1 AND source = 'live' AND time > ?2) ORDER BY channel");
    if (!prepared) return R::Fail(prepared.error);
    sqlite3_stmt* s = prepared.value->get();
    sqlite3_bind_int64(s, 1, *id);
    sqlite3_bind_int64(s, 2, afterTime);
    int step;
    while ((step = sqlite3_step(s)) == SQLITE_ROW) {
        ArchiveRow row;
        row.channel = sqlite3_column_int(s, 0);
        row.time = sqlite3_column_int64(s, 1);
        row.temperature = ColumnOptional(s, 2);
        row.humidity = ColumnOptional(s, 3);
        row.dewPoint = ColumnOptional(s, 4);
        row.heatIndex = ColumnOptional(s, 5);
        rows.push_back(row);
    }
    if (step != SQLITE_DONE) return R::Fail(Failure("read"));
    return R::Of(std::move(rows));
}

Result<int64_t> ArchiveDatabase::LiveReadingsAfter(const std::string& station, int64_t afterTime) {
    const Result<int64_t> id = StationId(station, false);
    if (!id) return Result<int64_t>::Of(0);
    Result<SqliteStatement> prepared = db_.Prepare(
        "SELECT count(DISTINCT time) FROM readings INDEXED BY readings_live "
        "WHERE station = ? AND source = 'live' AND time > ?");
    if (!prepared) return Result<int64_t>::Fail(prepared.error);
    sqlite3_stmt* s = prepared.value->get();
    sqlite3_bind_int64(s, 1, *id);
    sqlite3_bind_int64(s, 2, afterTime);
    if (sqlite3_step(s) != SQLITE_ROW) return Result<int64_t>::Fail(Failure("read"));
    return Result<int64_t>::Of(sqlite3_column_int64(s, 0));
}

std::optional<int64_t> ArchiveDatabase::NewestLiveTime(const std::string& station) {
    Result<SqliteStatement> prepared = db_.Prepare(
        "SELECT max(time) FROM readings INDEXED BY readings_live JOIN stations ON stations.id = "
        "readings.station WHERE name = ? AND source = 'live'");
    if (!prepared) return std::nullopt;
    sqlite3_stmt* select = prepared.value->get();
    sqlite3_bind_text(select, 1, station.c_str(), -1, SQLITE_TRANSIENT);
    if (sqlite3_step(select) != SQLITE_ROW || sqlite3_column_type(select, 0) == SQLITE_NULL) {
        return std::nullopt;
    }
    return sqlite3_column_int64(select, 0);
}

std::optional<int64_t> ArchiveDatabase::ChannelTime(const std::string& station, int channel,
                                                    const char* aggregate) {
    const Result<int64_t> id = StationId(station, false);
    if (!id) return std::nullopt;
    Result<SqliteStatement> prepared =
        db_.Prepare(std::string("SELECT ") + aggregate +
                    "(time) FROM readings WHERE station = ? AND channel = ?");
    if (!prepared) return std::nullopt;
    sqlite3_stmt* select = prepared.value->get();
    sqlite3_bind_int64(select, 1, *id);
    sqlite3_bind_int(select, 2, channel);
    if (sqlite3_step(select) != SQLITE_ROW || sqlite3_column_type(select, 0) == SQLITE_NULL) {
        return std::nullopt;
    }
    return sqlite3_column_int64(select, 0);
}

std::optional<int64_t> ArchiveDatabase::OldestTime(const std::string& station, int channel) {
    return ChannelTime(station, channel, "min");
}

std::optional<int64_t> ArchiveDatabase::NewestTime(const std::string& station, int channel) {
    return ChannelTime(station, channel, "max");
}

bool ArchiveDatabase::HasSummaries() { return corvalin::HasSummaries(db_); }

Status ArchiveDatabase::ReadHours(const std::string& station, int channel, int64_t from, int64_t to,
                                  const std::function<void(const HourSummary&)>& visit) {
    const Result<int64_t> id = StationId(station, false);
    if (!id) return Status::Ok();  // no rows, no hours
    const Status read = ReadHourSummaries(db_, *id, channel, from, to, visit);
    return read ? read : Status::Error("Cannot read the archive " + path_ + ": " + read.message);
}

Result<std::vector<ChannelRecords>> ArchiveDatabase::Records(const std::string& station) {
    const Result<int64_t> id = StationId(station, false);
    if (!id) return Result<std::vector<ChannelRecords>>::Of({});
    Result<std::vector<ChannelRecords>> records = ReadChannelRecords(db_, *id);
    if (!records) {
        return Result<std::vector<ChannelRecords>>::Fail("Cannot read the archive " + path_ + ": " +
                                                         records.error);
    }
    return records;
}

Status ArchiveDatabase::ReadBuckets(const std::string& station, const BucketQuery& query,
                                    const std::function<void(const ValueBucket&)>& visit) {
    const Result<int64_t> id = StationId(station, false);
    if (!id) return Status::Ok();
    const Status read = ReadValueBuckets(db_, *id, query, visit);
    return read ? read : Status::Error("Cannot read the archive " + path_ + ": " + read.message);
}

std::vector<std::string> ArchiveDatabase::Stations() {
    std::vector<std::string> names;
    Result<SqliteStatement> prepared = db_.Prepare(
        "SELECT name FROM stations WHERE EXISTS "
        "(SELECT 1 FROM readings WHERE readings.station = stations.id) ORDER BY name");
    if (!prepared) return names;
    sqlite3_stmt* select = prepared.value->get();
    while (sqlite3_step(select) == SQLITE_ROW) {
        names.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(select, 0)));
    }
    return names;
}

std::optional<std::string> ArchiveDatabase::Setting(const std::string& key) {
    Result<SqliteStatement> prepared = db_.Prepare("SELECT value FROM settings WHERE key = ?");
    if (!prepared) return std::nullopt;
    sqlite3_stmt* select = prepared.value->get();
    sqlite3_bind_text(select, 1, key.c_str(), -1, SQLITE_TRANSIENT);
    if (sqlite3_step(select) != SQLITE_ROW) return std::nullopt;
    return std::string(reinterpret_cast<const char*>(sqlite3_column_text(select, 0)));
}

Status ArchiveDatabase::SetSetting(const std::string& key, const std::string& value) {
    Result<SqliteStatement> prepared =
        db_.Prepare("INSERT OR REPLACE INTO settings(key, value) VALUES(?, ?)");
    if (!prepared) return Status::Error(prepared.error);
    sqlite3_stmt* save = prepared.value->get();
    sqlite3_bind_text(save, 1, key.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(save, 2, value.c_str(), -1, SQLITE_TRANSIENT);
    if (sqlite3_step(save) != SQLITE_DONE) return Status::Error(Failure("write to"));
    return Status::Ok();
}

Status ArchiveDatabase::LimitCache(int kibibytes) {
    return db_.Execute("PRAGMA cache_size=-" + std::to_string(kibibytes));
}

Status ArchiveDatabase::Check() {
    Result<SqliteStatement> prepared = db_.Prepare("PRAGMA integrity_check");
    if (!prepared) return Status::Error(prepared.error);
    sqlite3_stmt* check = prepared.value->get();
    std::string found;
    while (sqlite3_step(check) == SQLITE_ROW) {
        const std::string line = reinterpret_cast<const char*>(sqlite3_column_text(check, 0));
        if (line != "ok") found += (found.empty() ? "" : "; ") + line;
    }
    if (!found.empty()) return Status::Error("The archive " + path_ + " is damaged: " + found);
    return Status::Ok();
}

}  // namespace corvalin
