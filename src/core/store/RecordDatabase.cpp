// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/RecordDatabase.h"

#include <sqlite3.h>

#include <algorithm>
#include <filesystem>
#include <new>

#include "common/LargePages.h"
#include "common/Readings.h"
#include "store/OleDate.h"
#include "store/RangeText.h"
#include "store/RecordColumns.h"
#include "store/RecordKey.h"
#include "store/RecordSchema.h"

namespace corvalin {

namespace {

constexpr int CONNECT_FAILED = -1;
constexpr int QUERY_FAILED = 1;
constexpr int APPEND_FAILED = 2;

constexpr const char* NOT_CONNECTED = "The record database is not open";
constexpr const char* NOT_APPENDING = "The record database is not open for appending";

// Proves the file is an SQLite database with the Records columns, so that a
// damaged or foreign file fails here rather than at the first query.
constexpr const char* PROBE =
    "SELECT TimeKey, Time, Temperature, Humidity, Dewpoint, Heatindex FROM Records LIMIT 0";
// Durable at every checkpoint, which is what WAL needs; deleted rows are not
// overwritten, since an import deletes a whole log's worth every time. Each
// statement of an import keeps the pages it may have to undo: a page or two
// of 64 KB, which in memory cost nothing and in a temporary file cost a
// file write per statement.
constexpr const char* CONNECTION_SETTINGS =
    "PRAGMA synchronous=NORMAL; PRAGMA secure_delete=OFF; PRAGMA temp_store=MEMORY";
constexpr const char* ROW_COLUMNS = "Time, Temperature, Humidity, Dewpoint, Heatindex";
// Range ends are bound as the last key of their second: every row of the
// start second is left out, every row of the end second kept.
constexpr const char* IN_RANGE = " FROM Records WHERE TimeKey > ?1 AND TimeKey <= ?2";
constexpr const char* IN_TIME_ORDER = " ORDER BY TimeKey";

std::string NoSuchColumn(const std::string& column) { return "No such column: " + column; }

// Series are given room for their rows once this many show how densely the
// range is filled: growing a million values step by step costs more than
// reading them.
constexpr size_t ROWS_BEFORE_ESTIMATE = 4096;
// No row takes fewer bytes in the file (key, record header, time text).
constexpr int64_t LEAST_ROW_BYTES = 24;
constexpr const char* TABLE_LIMITS =
    "SELECT max(TimeKey), (SELECT page_count FROM pragma_page_count()) *"
    " (SELECT page_size FROM pragma_page_size()) FROM Records";

// The rows a range query will give in all, judged from the first `read`
// rows, which went from `firstKey` to `reachedKey`, and the last key the
// query can reach; never more than the file can hold. 0 when unknown.
size_t EstimatedRows(const SqliteConnection& db, size_t read, int64_t firstKey, int64_t reachedKey,
                     int64_t endKey) {
    const Result<SqliteStatement> prepared = db.Prepare(TABLE_LIMITS);
    if (!prepared || reachedKey <= firstKey) return 0;
    sqlite3_stmt* limits = prepared.value->get();
    if (sqlite3_step(limits) != SQLITE_ROW) return 0;
    const int64_t lastKey = std::min<int64_t>(endKey, sqlite3_column_int64(limits, 0));
    const double fileRows = static_cast<double>(sqlite3_column_int64(limits, 1) / LEAST_ROW_BYTES);
    const double estimate = static_cast<double>(read) * static_cast<double>(lastKey - firstKey) /
                            static_cast<double>(reachedKey - firstKey);
    return static_cast<size_t>(std::min(estimate * 1.02 + ROWS_BEFORE_ESTIMATE, fileRows));
}

void Reserve(std::vector<RecordSeries>& series, size_t rows) {
    try {
        for (RecordSeries& line : series) {
            line.times.reserve(rows);
            line.values.reserve(rows);
            PreferLargePages(line.times.data(), line.times.capacity() * sizeof(double));
            PreferLargePages(line.values.data(), line.values.capacity() * sizeof(double));
        }
    } catch (const std::bad_alloc&) {
        // Only a hint: the series grow as they need.
    }
}

}  // namespace

RecordDatabase::~RecordDatabase() { Disconnect(); }

int RecordDatabase::Fail(int status, std::string message) {
    lastError_ = std::move(message);
    return status;
}

bool RecordDatabase::RequireConnection() {
    if (db_) return true;
    lastError_ = NOT_CONNECTED;
    return false;
}

void RecordDatabase::Disconnect() {
    cursor_.Close();
    inserter_.Finalize();
    transaction_.reset();  // rolls back what was not committed
    db_.reset();
    path_.clear();
}

int RecordDatabase::Connect(const std::string& path) {
    cursor_.Close();
    inserter_.Finalize();
    if (db_ && path == path_) return 0;
    Disconnect();

    // A link could lead the import's rewrite to a database elsewhere.
    std::error_code error;
    if (std::filesystem::is_symlink(path, error)) {
        return Fail(CONNECT_FAILED,
                    "The record database " + path + " is a symbolic link; it is not followed");
    }
    const Status created = EnsureRecordDatabase(path);
    if (!created) return Fail(CONNECT_FAILED, created.message);
    Result<SqliteConnection> db = SqliteConnection::Open(path, SqliteConnection::Access::ReadWrite);
    if (!db) return Fail(CONNECT_FAILED, db.error);
    Status ready = UpgradeRecordLayout(*db);
    if (ready) {
        const Result<SqliteStatement> probe = db->Prepare(PROBE);
        ready = probe ? db->Execute(CONNECTION_SETTINGS) : Status::Error(probe.error);
    }
    if (!ready) return Fail(CONNECT_FAILED, ready.message + ": " + path);
    db_ = std::move(*db.value);
    path_ = path;
    return 0;
}

int RecordDatabase::ConnectForReading(const std::string& path) {
    cursor_.Close();
    inserter_.Finalize();
    Disconnect();
    Result<SqliteConnection> db = SqliteConnection::Open(path, SqliteConnection::Access::ReadOnly);
    // In a folder that cannot hold the WAL index, read the file as it stands.
    if (db && !db->Prepare(PROBE)) db = SqliteConnection::OpenImmutable(path);
    if (!db) return Fail(CONNECT_FAILED, db.error);
    if (const Result<SqliteStatement> probe = db->Prepare(PROBE); !probe) {
        return Fail(CONNECT_FAILED, probe.error + ": " + path);
    }
    db_ = std::move(*db.value);
    path_ = path;
    return 0;
}

int RecordDatabase::ClearTables() {
    if (!RequireConnection()) return QUERY_FAILED;
    // The two deletions are one step, inside an import's transaction or on their own.
    SqliteTransaction step(db_.get());
    Status cleared = step.Begun();
    if (cleared) cleared = db_.Execute("DELETE FROM Records; DELETE FROM Param");
    if (cleared) cleared = step.Commit();
    return cleared ? 0 : Fail(QUERY_FAILED, cleared.message);
}

bool RecordDatabase::BindRange(sqlite3_stmt* query, const std::string& start,
                               const std::string& end) {
    int parameter = 1;
    for (const std::string* text : {&start, &end}) {
        const auto time = ParseLooseCivilText(*text);
        if (!time) {
            lastError_ = "Not a valid time: \"" + *text + "\"";
            return false;
        }
        sqlite3_bind_int64(query, parameter++, LastKeyOf(*time));
    }
    return true;
}

int RecordDatabase::OpenRangeQuery(const std::string& sql, const std::string& start,
                                   const std::string& end) {
    cursor_.Close();
    inserter_.Finalize();
    Result<SqliteStatement> query = db_.Prepare(sql);
    if (!query) return Fail(QUERY_FAILED, query.error);
    if (!BindRange(query.value->get(), start, end)) return QUERY_FAILED;
    const Status opened = cursor_.Open(std::move(*query.value));
    return opened ? 0 : Fail(QUERY_FAILED, opened.message);
}

int RecordDatabase::CountRange(const std::string& start, const std::string& end,
                               const std::string& column) {
    if (!RequireConnection()) return QUERY_FAILED;
    const auto queried = FindValueColumn(column);
    if (!queried) return Fail(QUERY_FAILED, NoSuchColumn(column));
    return OpenRangeQuery(std::string("SELECT count(*) AS Count") + IN_RANGE + " AND " +
                              RecordColumnName(*queried) + " <> 65535",
                          start, end);
}

int RecordDatabase::SelectRange(const std::string& start, const std::string& end,
                                const std::string& column) {
    if (!RequireConnection()) return QUERY_FAILED;
    const auto queried = FindValueColumn(column);
    if (!queried) return Fail(QUERY_FAILED, NoSuchColumn(column));
    return OpenRangeQuery(std::string("SELECT ") + ROW_COLUMNS + IN_RANGE + " AND " +
                              RecordColumnName(*queried) + " <> 65535" + IN_TIME_ORDER,
                          start, end);
}

int RecordDatabase::NextRow() {
    const Status read = cursor_.Next();
    return read ? 0 : Fail(QUERY_FAILED, read.message);
}

int RecordDatabase::OpenForAppend() {
    if (!RequireConnection()) return QUERY_FAILED;
    cursor_.Close();
    const Status prepared = inserter_.Prepare(db_.get());
    return prepared ? 0 : Fail(QUERY_FAILED, prepared.message);
}

int RecordDatabase::AppendRecord(const ReadingRecord& record) {
    if (!inserter_.IsPrepared()) return Fail(APPEND_FAILED, NOT_APPENDING);
    const Status stored = inserter_.InsertOne(StoredRow::From(record));
    return stored ? 0 : Fail(APPEND_FAILED, stored.message);
}

RecordInserter::Outcome RecordDatabase::AppendRecords(std::span<const ReadingRecord> records,
                                                      const RecordInserter::RowFailed& failed) {
    std::vector<StoredRow> rows;
    rows.reserve(records.size());
    for (const ReadingRecord& record : records) rows.push_back(StoredRow::From(record));
    return AppendRows(rows, failed);
}

RecordInserter::Outcome RecordDatabase::AppendRows(std::span<const StoredRow> rows,
                                                   const RecordInserter::RowFailed& failed) {
    if (!inserter_.IsPrepared()) {
        lastError_ = NOT_APPENDING;
        return {0, true, NOT_APPENDING};
    }
    const bool inTransaction = transaction_.has_value();
    RecordInserter::Outcome outcome = inserter_.InsertMany(
        rows, failed, [this, inTransaction] { return !inTransaction || InTransaction(); });
    if (outcome.stopped) lastError_ = outcome.stopMessage;
    return outcome;
}

int RecordDatabase::CloseCursor() {
    cursor_.Close();
    inserter_.Finalize();
    return RequireConnection() ? 0 : QUERY_FAILED;
}

int RecordDatabase::BeginTransaction() {
    if (!RequireConnection()) return QUERY_FAILED;
    transaction_.emplace(db_.get());
    if (transaction_->Begun()) return 0;
    const std::string message = transaction_->Begun().message;
    transaction_.reset();
    return Fail(QUERY_FAILED, message);
}

bool RecordDatabase::InTransaction() const { return transaction_ && transaction_->Active(); }

int RecordDatabase::CommitTransaction() {
    if (!RequireConnection()) return QUERY_FAILED;
    if (!transaction_) return Fail(QUERY_FAILED, "No transaction is open");
    cursor_.Close();
    inserter_.Finalize();
    const Status committed = transaction_->Commit();
    transaction_.reset();  // what did not commit is rolled back
    return committed ? 0 : Fail(QUERY_FAILED, committed.message);
}

void RecordDatabase::RollbackTransaction() {
    cursor_.Close();
    inserter_.Finalize();
    transaction_.reset();
}

int RecordDatabase::ReadSeries(const std::string& start, const std::string& end,
                               const std::vector<std::string>& columns,
                               std::vector<RecordSeries>& series) {
    series.clear();
    if (!RequireConnection()) return QUERY_FAILED;
    // The key gives each row's second: no time text to read and parse.
    std::string sql = "SELECT TimeKey";
    for (const std::string& name : columns) {
        const auto column = FindValueColumn(name);
        if (!column) {
            series.clear();
            return Fail(QUERY_FAILED, NoSuchColumn(name));
        }
        sql += std::string(", ") + RecordColumnName(*column);
        series.push_back({RecordColumnName(*column), {}, {}});
    }
    sql += std::string(IN_RANGE) + IN_TIME_ORDER;

    cursor_.Close();
    inserter_.Finalize();
    Result<SqliteStatement> query = db_.Prepare(sql);
    if (!query) return Fail(QUERY_FAILED, query.error);
    sqlite3_stmt* rows = query.value->get();
    if (!BindRange(rows, start, end)) return QUERY_FAILED;
    const int64_t endKey = LastKeyOf(*ParseLooseCivilText(end));

    int rc;
    size_t read = 0;
    int64_t firstKey = 0;
    while ((rc = sqlite3_step(rows)) == SQLITE_ROW) {
        const int64_t key = sqlite3_column_int64(rows, 0);
        if (read == 0) firstKey = key;
        if (++read == ROWS_BEFORE_ESTIMATE) {
            Reserve(series, EstimatedRows(db_, read, firstKey, key, endKey));
        }
        const auto time = static_cast<double>(EpochSecondsOfKey(key));
        for (size_t i = 0; i < series.size(); ++i) {
            const int index = static_cast<int>(i) + 1;
            const int type = sqlite3_column_type(rows, index);
            // As "<> 65535" does: NULL never matches, a number equal to it neither.
            if (type == SQLITE_NULL) continue;
            const double value = sqlite3_column_double(rows, index);
            if ((type == SQLITE_INTEGER || type == SQLITE_FLOAT) && value == NO_DATA_INT) continue;
            series[i].times.push_back(time);
            series[i].values.push_back(static_cast<float>(value));
        }
    }
    if (rc != SQLITE_DONE) {
        series.clear();
        return Fail(QUERY_FAILED, db_.LastError());
    }
    return 0;
}

}  // namespace corvalin
