// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/RecordSchema.h"

#include <unistd.h>

#include <filesystem>

#include "store/RecordKey.h"
#include "store/Sqlite.h"

namespace corvalin {

namespace {

// TimeKey (see RecordKey.h) is the primary key: the table is kept in time
// order and is its own index on time, which makes an import of a million
// lines much cheaper than a second index on the text would. Time stays as
// ISO text "YYYY-MM-DD HH:MM:SS", readable in any SQLite tool.
constexpr const char* RECORDS_TABLE =
    "CREATE TABLE Records ("
    "  TimeKey INTEGER PRIMARY KEY,"
    "  Time TEXT NOT NULL,"
    "  Temperature REAL,"
    "  Humidity INTEGER,"
    "  Dewpoint REAL,"
    "  Heatindex REAL);";
constexpr const char* PARAM_TABLE = "CREATE TABLE Param (Name TEXT, Value TEXT);";
// Large pages suit a table that is written whole and read in ranges: fewer
// pages to keep in order, fewer frames in the write-ahead log.
constexpr const char* FILE_SETTINGS = "PRAGMA page_size=65536; PRAGMA journal_mode=WAL;";

// The first layout had no TimeKey and an index on Time.
constexpr const char* CURRENT_LAYOUT_PROBE = "SELECT TimeKey, Time FROM Records LIMIT 0";
constexpr const char* EARLIER_LAYOUT_PROBE = "SELECT Time FROM Records LIMIT 0";

std::string UpgradeStatements() {
    const std::string second = "coalesce(unixepoch(Time), unixepoch('1899-12-30 00:00:00'))";
    return std::string(
               "DROP INDEX IF EXISTS RecordsByTime;"
               "ALTER TABLE Records RENAME TO RecordsEarlierLayout;") +
           RECORDS_TABLE +
           "INSERT INTO Records (TimeKey, Time, Temperature, Humidity, Dewpoint, Heatindex)"
           " SELECT ((" +
           second + " + " + std::to_string(YEAR_ONE_TO_UNIX_EPOCH_SECONDS) + ") << " +
           std::to_string(KEY_ORDER_BITS) + ") + row_number() OVER (PARTITION BY " + second +
           " ORDER BY rowid) - 1, Time, Temperature, Humidity, Dewpoint, Heatindex"
           " FROM RecordsEarlierLayout;"
           "DROP TABLE RecordsEarlierLayout;";
}

}  // namespace

std::string RecordDatabasePath(const std::string& dataDir) {
    return dataDir + "/" + RECORD_DATABASE_FILE;
}

Status EnsureRecordDatabase(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code error;
    // An empty file is no database yet: it is set up like a missing one.
    const bool empty = fs::is_regular_file(path, error) && fs::file_size(path, error) == 0;
    if (!empty && fs::exists(path, error)) return Status::Ok();

    // Built under a temporary name and moved into place, so that a failure
    // half-way never leaves a database without its tables.
    const std::string building = path + ".new-" + std::to_string(getpid());
    fs::remove(building, error);
    Status made = Status::Ok();
    {
        Result<SqliteConnection> db =
            SqliteConnection::Open(building, SqliteConnection::Access::Create);
        made = db ? db->Execute(std::string(FILE_SETTINGS) + RECORDS_TABLE + PARAM_TABLE)
                  : Status::Error(db.error);
    }
    if (!made) {
        fs::remove(building, error);
        return Status::Error("Cannot create the record database " + path + ": " + made.message);
    }
    // Never replace a file that appeared meanwhile (another instance).
    if (empty && fs::file_size(path, error) == 0) {
        fs::rename(building, path, error);
        if (error) {
            fs::remove(building, error);
            return Status::Error("Cannot create the record database " + path);
        }
        return Status::Ok();
    }
    if (link(building.c_str(), path.c_str()) != 0 && !fs::exists(path, error)) {
        fs::remove(building, error);
        return Status::Error("Cannot create the record database " + path);
    }
    fs::remove(building, error);
    return Status::Ok();
}

Status UpgradeRecordLayout(const SqliteConnection& db) {
    if (db.Prepare(CURRENT_LAYOUT_PROBE)) return Status::Ok();
    if (const Result<SqliteStatement> earlier = db.Prepare(EARLIER_LAYOUT_PROBE); !earlier) {
        return Status::Error(earlier.error);  // not ours at all
    }
    SqliteTransaction transaction(db.get());
    if (!transaction.Begun()) return transaction.Begun();
    if (Status moved = db.Execute(UpgradeStatements()); !moved) return moved;
    return transaction.Commit();
}

}  // namespace corvalin
