// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "common/Status.h"

struct sqlite3;
struct sqlite3_stmt;

namespace corvalin {

// The one way the program uses SQLite, under both of its databases: one
// connection per thread of use, one wait for a file another program holds,
// failures as a Status with SQLite's words, one transaction guard.

// How long a statement waits for another connection's lock before it fails:
// within the longest wait the window allows itself.
inline constexpr int SQLITE_BUSY_WAIT_MS = 5000;

// A column's number; none where it is NULL.
std::optional<double> ColumnOptional(sqlite3_stmt* statement, int index);

struct StatementFinalizer {
    void operator()(sqlite3_stmt* statement) const;
};
using SqliteStatement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

class SqliteConnection {
public:
    enum class Access {
        ReadOnly,   // never writes, also where the folder is read-only
        ReadWrite,  // the file must exist
        Create,     // made when missing
    };
    // Files opened for writing are never reached through a symbolic link.
    static Result<SqliteConnection> Open(const std::string& path, Access access);
    // A read-only view of the file as it stands, for a folder where the
    // write-ahead log's index cannot be kept.
    static Result<SqliteConnection> OpenImmutable(const std::string& path);

    SqliteConnection() = default;
    sqlite3* get() const { return db_.get(); }
    explicit operator bool() const { return db_ != nullptr; }
    void reset() { db_.reset(); }

    // Runs statements without results.
    Status Execute(std::string_view sql) const;
    // `persistent` for statements run many times.
    Result<SqliteStatement> Prepare(std::string_view sql, bool persistent = false) const;
    // Gives the connection's own statements a deterministic function of two
    // numbers: NULL where either is NULL or `function` gives none. Never
    // callable from the file's schema.
    using NumberFunction = std::optional<double> (*)(double, double);
    Status DefineFunction(const char* name, NumberFunction function) const;
    // The message of the connection's last failure.
    std::string LastError() const;

private:
    struct Closer {
        void operator()(sqlite3* db) const;
    };
    explicit SqliteConnection(sqlite3* db) : db_(db) {}
    std::unique_ptr<sqlite3, Closer> db_;
};

// Prepares one statement on a raw connection.
Result<SqliteStatement> PrepareStatement(sqlite3* db, std::string_view sql,
                                         bool persistent = false);
// Runs statements without results on a raw connection.
Status ExecuteSql(sqlite3* db, std::string_view sql);

// A transaction for its scope: BEGIN IMMEDIATE (a second writer is turned
// away at the start, not half-way), or a savepoint inside a transaction
// already open. What is not committed is rolled back when it ends.
class SqliteTransaction {
public:
    explicit SqliteTransaction(sqlite3* db);
    ~SqliteTransaction();
    SqliteTransaction(const SqliteTransaction&) = delete;
    SqliteTransaction& operator=(const SqliteTransaction&) = delete;

    // Whether it began, with SQLite's words when not.
    const Status& Begun() const { return begun_; }
    // Still open: SQLite undoes a transaction itself after some failures.
    bool Active() const;
    Status Commit();

private:
    sqlite3* db_;
    Status begun_;
    bool nested_ = false;
    bool open_ = false;
};

}  // namespace corvalin
