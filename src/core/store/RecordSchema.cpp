#include "store/RecordSchema.h"

#include <sqlite3.h>
#include <unistd.h>

#include <filesystem>

namespace corvalin {

namespace {

constexpr const char* SCHEMA =
    "PRAGMA journal_mode=WAL;"
    "CREATE TABLE Records ("
    "  Time TEXT NOT NULL,"  // ISO \"YYYY-MM-DD HH:MM:SS\": sorts and compares as time
    "  Temperature REAL,"
    "  Humidity INTEGER,"
    "  Dewpoint REAL,"
    "  Heatindex REAL);"
    "CREATE INDEX RecordsByTime ON Records(Time);"
    "CREATE TABLE Param (Name TEXT, Value TEXT);";

}  // namespace

Status EnsureRecordDatabase(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code error;
    if (fs::exists(path, error)) return Status::Ok();

    // Built under a temporary name and moved into place, so that a failure
    // half-way never leaves a database without its tables.
    const std::string building = path + ".new-" + std::to_string(getpid());
    fs::remove(building, error);
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(building.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                             nullptr);
    std::string message;
    if (rc == SQLITE_OK) {
        char* text = nullptr;
        rc = sqlite3_exec(db, SCHEMA, nullptr, nullptr, &text);
        if (text != nullptr) {
            message = text;
            sqlite3_free(text);
        }
    } else {
        message = sqlite3_errmsg(db);
    }
    sqlite3_close(db);
    if (rc != SQLITE_OK) {
        fs::remove(building, error);
        return Status::Error("Cannot create the record database " + path + ": " + message);
    }
    // Never replace a file that appeared meanwhile (another instance).
    if (link(building.c_str(), path.c_str()) != 0 && !fs::exists(path, error)) {
        fs::remove(building, error);
        return Status::Error("Cannot create the record database " + path);
    }
    fs::remove(building, error);
    return Status::Ok();
}

}  // namespace corvalin
