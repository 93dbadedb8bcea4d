#pragma once

// Helpers for tests that look into the record database directly.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>
#include <vector>

#include "store/OleDate.h"
#include "store/ReadingRecord.h"

namespace corvalin::test {

// A reading stamped with an ISO time.
inline ReadingRecord Reading(const std::string& iso, float temperature, int32_t humidity = 50,
                             float dewpoint = 10.0f, float heatindex = 20.0f) {
    const auto time = ParseIsoText(iso);
    EXPECT_TRUE(time) << iso;
    return {time ? OleDateFromCivil(*time) : 0.0, temperature, humidity, dewpoint, heatindex};
}

// Runs SQL on the file with a connection of its own; the SQLite message on failure.
// `create` makes the file when there is none.
inline std::string ExecuteOn(const std::string& path, const std::string& sql, bool create = false) {
    sqlite3* db = nullptr;
    std::string error;
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
    if (sqlite3_open_v2(path.c_str(), &db, flags, nullptr) != SQLITE_OK) {
        error = sqlite3_errmsg(db);
    } else {
        char* message = nullptr;
        if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
            error = message != nullptr ? message : "failed";
        }
        sqlite3_free(message);
    }
    sqlite3_close(db);
    return error;
}

// The number of rows in `table`; -1 when it cannot be read.
inline int64_t CountRows(const std::string& path, const std::string& table) {
    sqlite3* db = nullptr;
    sqlite3_stmt* query = nullptr;
    int64_t count = -1;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
        sqlite3_prepare_v2(db, ("SELECT count(*) FROM " + table).c_str(), -1, &query, nullptr) ==
            SQLITE_OK &&
        sqlite3_step(query) == SQLITE_ROW) {
        count = sqlite3_column_int64(query, 0);
    }
    sqlite3_finalize(query);
    sqlite3_close(db);
    return count;
}

// Every row of Records in time order, each value with its SQLite type:
// "2024-03-05 14:07:09|real:23.4|integer:45|real:10.8|real:24.1", with
// `withKey` preceded by the row's TimeKey.
inline std::vector<std::string> DumpRecords(const std::string& path, bool withKey = false) {
    std::vector<std::string> rows;
    sqlite3* db = nullptr;
    sqlite3_stmt* query = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
        sqlite3_prepare_v2(db,
                           "SELECT Time, typeof(Temperature) || ':' || quote(Temperature),"
                           " typeof(Humidity) || ':' || quote(Humidity),"
                           " typeof(Dewpoint) || ':' || quote(Dewpoint),"
                           " typeof(Heatindex) || ':' || quote(Heatindex)"
                           ", TimeKey FROM Records ORDER BY TimeKey",
                           -1, &query, nullptr) == SQLITE_OK) {
        while (sqlite3_step(query) == SQLITE_ROW) {
            std::string row;
            if (withKey) row = std::to_string(sqlite3_column_int64(query, 5)) + "|";
            for (int i = 0; i < 5; ++i) {
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(query, i));
                row += (i > 0 ? "|" : "") + std::string(text != nullptr ? text : "NULL");
            }
            rows.push_back(row);
        }
    } else {
        ADD_FAILURE() << "cannot read " << path << ": " << sqlite3_errmsg(db);
    }
    sqlite3_finalize(query);
    sqlite3_close(db);
    return rows;
}

}  // namespace corvalin::test
