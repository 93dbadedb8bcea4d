// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace corvalin {

// Owning handles of an SQLite connection and statement.
struct SqliteCloser {
    void operator()(sqlite3* db) const;
};
struct StatementFinalizer {
    void operator()(sqlite3_stmt* statement) const;
};
using SqliteConnection = std::unique_ptr<sqlite3, SqliteCloser>;
using SqliteStatement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

// Prepares one statement; null with the SQLite message in `error` on failure.
// `persistent` for statements run many times.
SqliteStatement PrepareStatement(sqlite3* db, std::string_view sql, std::string& error,
                                 bool persistent = false);

// Runs statements without results; false with the SQLite message in `error`.
bool ExecuteSql(sqlite3* db, const char* sql, std::string& error);

}  // namespace corvalin
