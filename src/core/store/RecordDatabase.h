// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "store/ReadingRecord.h"
#include "store/RecordCursor.h"
#include "store/RecordInserter.h"
#include "store/RecordSeries.h"
#include "store/Sqlite.h"
#include "store/StoredRow.h"
#include "store/StoredValue.h"

namespace corvalin {

// The record database: the readings of the last imported log file in an
// SQLite file, for the graph. Each window or command owns its own object and
// uses it from one thread. Operations return the status codes of the design
// (0 for success) and keep the SQLite message of a failure in LastError()
// for the caller to show; they never show anything themselves.
//
// Range ends are RangeText ("2024-3-5 9:07:00" or the stored form); the
// start is excluded, the end included, and a row whose queried column holds
// NO_DATA is left out of that query only. Column names are matched without
// regard to letter case.
class RecordDatabase {
public:
    RecordDatabase() = default;
    ~RecordDatabase();
    RecordDatabase(const RecordDatabase&) = delete;
    RecordDatabase& operator=(const RecordDatabase&) = delete;

    // Opens the database file, creating it with its tables when there is no
    // file. The cursor is closed; a connection already open on the same file
    // is kept, with its transaction. 0, or -1 on failure.
    int Connect(const std::string& path);
    // For queries only: nothing is created or changed, so that a folder the
    // user may only read works too.
    int ConnectForReading(const std::string& path);
    bool IsConnected() const { return static_cast<bool>(db_); }

    // Empties Records and Param together. 0, or 1 on failure.
    int ClearTables();

    // The cursor holds one row whose field "Count" is the number of matching
    // rows. 0, or 1 on failure.
    int CountRange(const std::string& start, const std::string& end, const std::string& column);
    // The cursor holds the matching rows, ascending in time (rows of the same
    // time in the order they were appended). 0, or 1 on failure.
    int SelectRange(const std::string& start, const std::string& end, const std::string& column);
    bool AtEnd() const { return cursor_.AtEnd(); }
    StoredValue FieldValue(const std::string& column) const { return cursor_.Value(column); }
    // 0, or 1 when reading on failed (the cursor is then at its end).
    int NextRow();

    // 0, or 1 on failure.
    int OpenForAppend();
    // 0, or 2 when the row was not stored.
    int AppendRecord(const ReadingRecord& record);
    // The same for many records in order, faster. Each record that cannot be
    // stored is passed to `failed`; the appending stops when a failure has
    // undone the open transaction.
    RecordInserter::Outcome AppendRecords(std::span<const ReadingRecord> records,
                                          const RecordInserter::RowFailed& failed);
    // The same for rows made ready elsewhere (an import's reading thread).
    RecordInserter::Outcome AppendRows(std::span<const StoredRow> rows,
                                       const RecordInserter::RowFailed& failed);
    // 0, or 1 when not connected.
    int CloseCursor();

    // An import's clearing and appending commit together or not at all.
    // 0, or 1 on failure; a failed commit rolls back.
    int BeginTransaction();
    int CommitTransaction();
    void RollbackTransaction();
    // False also when SQLite undid the transaction after a failure.
    bool InTransaction() const;

    // Every named value column over the range in one pass: each series holds
    // exactly the rows SelectRange gives for its column. 0, or 1 on failure.
    int ReadSeries(const std::string& start, const std::string& end,
                   const std::vector<std::string>& columns, std::vector<RecordSeries>& series);

    const std::string& LastError() const { return lastError_; }

private:
    int Fail(int status, std::string message);
    bool RequireConnection();
    // Binds both range ends as parameters 1 and 2, or is false after setting the error.
    bool BindRange(sqlite3_stmt* query, const std::string& start, const std::string& end);
    int OpenRangeQuery(const std::string& sql, const std::string& start, const std::string& end);
    void Disconnect();

    std::string path_;
    SqliteConnection db_;
    RecordCursor cursor_;
    RecordInserter inserter_;
    // An import's transaction; it ends before the connection closes.
    std::optional<SqliteTransaction> transaction_;
    std::string lastError_;
};

}  // namespace corvalin
