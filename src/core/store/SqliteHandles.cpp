// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/SqliteHandles.h"

#include <sqlite3.h>

namespace corvalin {

void SqliteCloser::operator()(sqlite3* db) const { sqlite3_close_v2(db); }

void StatementFinalizer::operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }

SqliteStatement PrepareStatement(sqlite3* db, std::string_view sql, std::string& error,
                                 bool persistent) {
    sqlite3_stmt* statement = nullptr;
    const int rc =
        sqlite3_prepare_v3(db, sql.data(), static_cast<int>(sql.size()),
                           persistent ? SQLITE_PREPARE_PERSISTENT : 0, &statement, nullptr);
    if (rc != SQLITE_OK) {
        error = sqlite3_errmsg(db);
        sqlite3_finalize(statement);
        return nullptr;
    }
    return SqliteStatement(statement);
}

bool ExecuteSql(sqlite3* db, const char* sql, std::string& error) {
    char* message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) == SQLITE_OK) return true;
    error = message != nullptr ? message : sqlite3_errmsg(db);
    sqlite3_free(message);
    return false;
}

}  // namespace corvalin
