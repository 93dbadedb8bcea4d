// SPDX-License-Identifier: GPL-3.0-or-later
#include "archive/ArchiveDatabase.h"

#include <sqlite3.h>

#include <algorithm>

#include <string_view>

namespace corvalin {

namespace {

constexpr int BUSY_WAIT_MS = 10000;
constexpr size_t ROWS_PER_STATEMENT = 128;

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

std::optional<double> ColumnOptional(sqlite3_stmt* statement, int index) {
    if (sqlite3_column_type(statement, index) == SQLITE_NULL) return std::nullopt;
    return sqlite3_column_double(statement, index);
}

// Commits on Commit(); rolls back when it goes without.
class Transaction {
public:
    explicit Transaction(sqlite3* db) : db_(db) {
        std::string error;
        begun_ = ExecuteSql(db_, "BEGIN IMMEDIATE", error);
        error_ = error;
    }
    ~Transaction() {
        if (begun_) {
            std::string ignored;
            ExecuteSql(db_, "ROLLBACK", ignored);
        }
    }
    bool Begun() const { return begun_; }
    const std::string& error() const { return error_; }
    bool Commit(std::string& error) {
        if (!ExecuteSql(db_, "COMMIT", error)) return false;
        begun_ = false;
        return true;
    }

private:
    sqlite3* db_;
    bool begun_ = false;
    std::string error_;
};

}  // namespace

const char* SourceName(RowSource source) { return source == RowSource::Card ? "card" : "live"; }

ArchiveDatabase::ArchiveDatabase(SqliteConnection db, std::string path)
    : db_(std::move(db)), path_(std::move(path)) {}

ArchiveDatabase::~ArchiveDatabase() = default;

Result<std::unique_ptr<ArchiveDatabase>> ArchiveDatabase::Open(const std::string& path,
                                                               bool readOnly) {
    using R = Result<std::unique_ptr<ArchiveDatabase>>;
    sqlite3* raw = nullptr;
    // One connection per thread of use: SQLite need not lock it for threads.
    const int flags = SQLITE_OPEN_NOMUTEX |
                      (readOnly ? SQLITE_OPEN_READONLY
                                : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOFOLLOW);
    const int opened = sqlite3_open_v2(path.c_str(), &raw, flags, nullptr);
    SqliteConnection db(raw);
    if (opened != SQLITE_OK) {
        return R::Fail("Cannot open the archive " + path + ": " +
                       (raw ? sqlite3_errmsg(raw) : sqlite3_errstr(opened)));
    }
    sqlite3_busy_timeout(db.get(), BUSY_WAIT_MS);
    std::string error;
    // The first read of the file tells whether it is an archive at all.
    const bool ready =
        ExecuteSql(db.get(), "SELECT count(*) FROM sqlite_schema", error) &&
        (readOnly || (ExecuteSql(db.get(), "PRAGMA journal_mode=WAL", error) &&
                      ExecuteSql(db.get(), "PRAGMA synchronous=FULL", error) &&
                      // A card sync writes many pages: fewer trips to the disk.
                      ExecuteSql(db.get(), "PRAGMA cache_size=-16000", error) &&
                      ExecuteSql(db.get(), SCHEMA, error)));
    if (!ready) {
        return R::Fail("The archive " + path + " cannot be used (" + error +
                       "); it is left as it is");
    }
    return R::Of(std::unique_ptr<ArchiveDatabase>(new ArchiveDatabase(std::move(db), path)));
}

std::string ArchiveDatabase::Failure(const std::string& what) const {
    return "Cannot " + what + " the archive " + path_ + ": " + sqlite3_errmsg(db_.get());
}

Result<int64_t> ArchiveDatabase::StationId(const std::string& station, bool create) {
    std::string error;
    if (create) {
        SqliteStatement insert =
            PrepareStatement(db_.get(), "INSERT OR IGNORE INTO stations(name) VALUES(?)", error);
        if (!insert) return Result<int64_t>::Fail(error);
        sqlite3_bind_text(insert.get(), 1, station.c_str(), -1, SQLITE_TRANSIENT);
        if (sqlite3_step(insert.get()) != SQLITE_DONE) {
            return Result<int64_t>::Fail(Failure("write to"));
        }
    }
    SqliteStatement select =
        PrepareStatement(db_.get(), "SELECT id FROM stations WHERE name = ?", error);
    if (!select) return Result<int64_t>::Fail(error);
    sqlite3_bind_text(select.get(), 1, station.c_str(), -1, SQLITE_TRANSIENT);
    if (sqlite3_step(select.get()) != SQLITE_ROW) {
        return Result<int64_t>::Fail("No station \"" + station + "\" in the archive");
    }
    return Result<int64_t>::Of(sqlite3_column_int64(select.get(), 0));
}

Result<int64_t> ArchiveDatabase::InsertRows(int64_t stationId, const std::vector<ArchiveRow>& rows) {
    // Many rows to a statement: the per-statement work is most of a row's cost.
    const auto prepare = [this](size_t count, std::string& error) {
        std::string sql =
            "INSERT OR IGNORE INTO readings(station, channel, time, temperature, humidity, "
            "dew_point, heat_index, source) VALUES ";
        for (size_t i = 0; i < count; ++i) sql += i ? ",(?,?,?,?,?,?,?,?)" : "(?,?,?,?,?,?,?,?)";
        return PrepareStatement(db_.get(), sql, error, true);
    };
    std::string error;
    SqliteStatement full = prepare(ROWS_PER_STATEMENT, error);
    if (!full) return Result<int64_t>::Fail(error);
    int64_t added = 0;
    for (size_t first = 0; first < rows.size(); first += ROWS_PER_STATEMENT) {
        const size_t count = std::min(ROWS_PER_STATEMENT, rows.size() - first);
        SqliteStatement rest;
        if (count < ROWS_PER_STATEMENT) {
            rest = prepare(count, error);
            if (!rest) return Result<int64_t>::Fail(error);
        }
        sqlite3_stmt* s = rest ? rest.get() : full.get();
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
    Transaction transaction(db_.get());
    if (!transaction.Begun()) return Result<int64_t>::Fail(Failure("write to"));
    const Result<int64_t> id = StationId(station, true);
    if (!id) return id;
    const Result<int64_t> added = InsertRows(*id, rows);
    if (!added) return added;
    if (Status more = alongside(*id); !more) return Result<int64_t>::Fail(more.message);
    std::string error;
    if (!transaction.Commit(error)) return Result<int64_t>::Fail(Failure("write to"));
    return added;
}

Result<int64_t> ArchiveDatabase::AddCardRows(const std::string& station, const std::string& file,
                                             const std::vector<ArchiveRow>& rows,
                                             const CardPosition& position) {
    return AddInTransaction(station, rows, [&](int64_t stationId) {
        std::string error;
        SqliteStatement save = PrepareStatement(
            db_.get(),
            "INSERT OR REPLACE INTO card_files(station, file, offset, last_time) "
            "VALUES(?, ?, ?, ?)",
            error);
        if (!save) return Status::Error(error);
        sqlite3_bind_int64(save.get(), 1, stationId);
        sqlite3_bind_text(save.get(), 2, file.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int64(save.get(), 3, static_cast<int64_t>(position.offset));
        if (position.lastTime) {
            sqlite3_bind_int64(save.get(), 4, *position.lastTime);
        } else {
            sqlite3_bind_null(save.get(), 4);
        }
        if (sqlite3_step(save.get()) != SQLITE_DONE) return Status::Error(Failure("write to"));
        return Status::Ok();
    });
}

CardPosition ArchiveDatabase::Position(const std::string& station, const std::string& file) {
    CardPosition position;
    std::string error;
    SqliteStatement select = PrepareStatement(
        db_.get(),
        "SELECT offset, last_time FROM card_files JOIN stations ON stations.id = station "
        "WHERE name = ? AND file = ?",
        error);
    if (!select) return position;
    sqlite3_bind_text(select.get(), 1, station.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(select.get(), 2, file.c_str(), -1, SQLITE_TRANSIENT);
    if (sqlite3_step(select.get()) == SQLITE_ROW) {
        position.offset = static_cast<uint64_t>(sqlite3_column_int64(select.get(), 0));
        if (sqlite3_column_type(select.get(), 1) != SQLITE_NULL) {
            position.lastTime = sqlite3_column_int64(select.get(), 1);
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
    if (query.source) sql += query.source == RowSource::Card ? " AND source = 'card'" : " AND source = 'live'";
    sql += query.byTime ? " ORDER BY time, readings.station, channel"
                        : " ORDER BY readings.station, channel, time";
    if (query.limit > 0) sql += " LIMIT " + std::to_string(query.limit);
    std::string error;
    SqliteStatement select = PrepareStatement(db_.get(), sql, error);
    if (!select) return Status::Error(error);
    sqlite3_stmt* s = select.get();
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

std::optional<int64_t> ArchiveDatabase::NewestTime(const std::string& station, RowSource source) {
    std::string error;
    SqliteStatement select = PrepareStatement(
        db_.get(),
        "SELECT max(time) FROM readings JOIN stations ON stations.id = readings.station "
        "WHERE name = ? AND source = ?",
        error);
    if (!select) return std::nullopt;
    sqlite3_bind_text(select.get(), 1, station.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(select.get(), 2, SourceName(source), -1, SQLITE_STATIC);
    if (sqlite3_step(select.get()) != SQLITE_ROW ||
        sqlite3_column_type(select.get(), 0) == SQLITE_NULL) {
        return std::nullopt;
    }
    return sqlite3_column_int64(select.get(), 0);
}

std::vector<std::string> ArchiveDatabase::Stations() {
    std::vector<std::string> names;
    std::string error;
    SqliteStatement select = PrepareStatement(
        db_.get(),
        "SELECT name FROM stations WHERE EXISTS "
        "(SELECT 1 FROM readings WHERE readings.station = stations.id) ORDER BY name",
        error);
    if (!select) return names;
    while (sqlite3_step(select.get()) == SQLITE_ROW) {
        names.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(select.get(), 0)));
    }
    return names;
}

std::optional<std::string> ArchiveDatabase::Setting(const std::string& key) {
    std::string error;
    SqliteStatement select =
        PrepareStatement(db_.get(), "SELECT value FROM settings WHERE key = ?", error);
    if (!select) return std::nullopt;
    sqlite3_bind_text(select.get(), 1, key.c_str(), -1, SQLITE_TRANSIENT);
    if (sqlite3_step(select.get()) != SQLITE_ROW) return std::nullopt;
    return std::string(reinterpret_cast<const char*>(sqlite3_column_text(select.get(), 0)));
}

Status ArchiveDatabase::SetSetting(const std::string& key, const std::string& value) {
    std::string error;
    SqliteStatement save = PrepareStatement(
        db_.get(), "INSERT OR REPLACE INTO settings(key, value) VALUES(?, ?)", error);
    if (!save) return Status::Error(error);
    sqlite3_bind_text(save.get(), 1, key.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(save.get(), 2, value.c_str(), -1, SQLITE_TRANSIENT);
    if (sqlite3_step(save.get()) != SQLITE_DONE) return Status::Error(Failure("write to"));
    return Status::Ok();
}

Status ArchiveDatabase::Check() {
    std::string error;
    SqliteStatement check = PrepareStatement(db_.get(), "PRAGMA integrity_check", error);
    if (!check) return Status::Error(error);
    std::string found;
    while (sqlite3_step(check.get()) == SQLITE_ROW) {
        const std::string line = reinterpret_cast<const char*>(sqlite3_column_text(check.get(), 0));
        if (line != "ok") found += (found.empty() ? "" : "; ") + line;
    }
    if (!found.empty()) return Status::Error("The archive " + path_ + " is damaged: " + found);
    return Status::Ok();
}

}  // namespace corvalin
