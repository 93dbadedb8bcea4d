// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/Sqlite.h"

#include <sqlite3.h>

namespace corvalin {

namespace {

constexpr const char* SAVEPOINT = "corvalin_step";

Result<SqliteConnection> OpenFailure(sqlite3* db, int rc, const std::string& path) {
    return Result<SqliteConnection>::Fail(
        std::string(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc)) + ": " + path);
}

void CallNumberFunction(sqlite3_context* context, int, sqlite3_value** arguments) {
    if (sqlite3_value_type(arguments[0]) == SQLITE_NULL ||
        sqlite3_value_type(arguments[1]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    const auto function =
        reinterpret_cast<SqliteConnection::NumberFunction>(sqlite3_user_data(context));
    const std::optional<double> result =
        function(sqlite3_value_double(arguments[0]), sqlite3_value_double(arguments[1]));
    if (result) {
        sqlite3_result_double(context, *result);
    } else {
        sqlite3_result_null(context);
    }
}

}  // namespace

std::optional<double> ColumnOptional(sqlite3_stmt* statement, int index) {
    if (sqlite3_column_type(statement, index) == SQLITE_NULL) return std::nullopt;
    return sqlite3_column_double(statement, index);
}

void StatementFinalizer::operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }

void SqliteConnection::Closer::operator()(sqlite3* db) const { sqlite3_close_v2(db); }

Result<SqliteConnection> SqliteConnection::Open(const std::string& path, Access access) {
    // One connection per thread of use: SQLite need not lock it for threads.
    int flags = SQLITE_OPEN_NOMUTEX;
    switch (access) {
        case Access::ReadOnly:
            flags |= SQLITE_OPEN_READONLY;
            break;
        case Access::ReadWrite:
            flags |= SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOFOLLOW;
            break;
        case Access::Create:
            flags |= SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOFOLLOW;
            break;
    }
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &raw, flags, nullptr);
    SqliteConnection connection(raw);
    if (rc != SQLITE_OK) return OpenFailure(raw, rc, path);
    sqlite3_busy_timeout(raw, SQLITE_BUSY_WAIT_MS);
    return Result<SqliteConnection>::Of(std::move(connection));
}

Result<SqliteConnection> SqliteConnection::OpenImmutable(const std::string& path) {
    sqlite3* raw = nullptr;
    const std::string uri = "file:" + path + "?immutable=1";
    const int rc = sqlite3_open_v2(
        uri.c_str(), &raw, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_URI, nullptr);
    SqliteConnection connection(raw);
    if (rc != SQLITE_OK) return OpenFailure(raw, rc, path);
    sqlite3_busy_timeout(raw, SQLITE_BUSY_WAIT_MS);
    return Result<SqliteConnection>::Of(std::move(connection));
}

Status SqliteConnection::Execute(std::string_view sql) const { return ExecuteSql(get(), sql); }

Result<SqliteStatement> SqliteConnection::Prepare(std::string_view sql, bool persistent) const {
    return PrepareStatement(get(), sql, persistent);
}

Status SqliteConnection::DefineFunction(const char* name, NumberFunction function) const {
    const int rc = sqlite3_create_function_v2(
        get(), name, 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_DIRECTONLY,
        reinterpret_cast<void*>(function), &CallNumberFunction, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) return Status::Error(sqlite3_errmsg(get()));
    return Status::Ok();
}

std::string SqliteConnection::LastError() const { return sqlite3_errmsg(get()); }

Result<SqliteStatement> PrepareStatement(sqlite3* db, std::string_view sql, bool persistent) {
    sqlite3_stmt* statement = nullptr;
    const int rc =
        sqlite3_prepare_v3(db, sql.data(), static_cast<int>(sql.size()),
                           persistent ? SQLITE_PREPARE_PERSISTENT : 0, &statement, nullptr);
    SqliteStatement owned(statement);
    if (rc != SQLITE_OK) return Result<SqliteStatement>::Fail(sqlite3_errmsg(db));
    return Result<SqliteStatement>::Of(std::move(owned));
}

Status ExecuteSql(sqlite3* db, std::string_view sql) {
    char* message = nullptr;
    const std::string text(sql);
    if (sqlite3_exec(db, text.c_str(), nullptr, nullptr, &message) == SQLITE_OK) {
        return Status::Ok();
    }
    Status failed = Status::Error(message != nullptr ? message : sqlite3_errmsg(db));
    sqlite3_free(message);
    return failed;
}

SqliteTransaction::SqliteTransaction(sqlite3* db) : db_(db) {
    nested_ = sqlite3_get_autocommit(db_) == 0;
    begun_ = ExecuteSql(db_, nested_ ? std::string("SAVEPOINT ") + SAVEPOINT : "BEGIN IMMEDIATE");
    open_ = begun_.ok;
}

SqliteTransaction::~SqliteTransaction() {
    if (!open_) return;
    if (nested_) {
        ExecuteSql(db_, std::string("ROLLBACK TO ") + SAVEPOINT + "; RELEASE " + SAVEPOINT);
    } else if (Active()) {
        ExecuteSql(db_, "ROLLBACK");
    }
}

bool SqliteTransaction::Active() const { return open_ && sqlite3_get_autocommit(db_) == 0; }

Status SqliteTransaction::Commit() {
    if (!Active()) {
        open_ = false;
        return Status::Error("The database undid the transaction after a failure");
    }
    const Status committed =
        ExecuteSql(db_, nested_ ? std::string("RELEASE ") + SAVEPOINT : std::string("COMMIT"));
    if (committed) open_ = false;
    return committed;
}

}  // namespace corvalin
