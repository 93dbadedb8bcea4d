// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Helpers for tests that look into the record database directly.

#include <sqlite3.h>

#include <string>
#include <vector>

#include "store/OleDate.h"
#include "store/ReadingRecord.h"

namespace corvalin::test {

using Rows = std::vector<std::string>;

// A reading stamped with an ISO time.
inline ReadingRecord Reading(const std::string& iso, float temperature, int32_t humidity = 50,
                             float dew = 10.0f, float heat = 20.0f) {
    return {OleDateFromCivil(ParseCivilText(iso).value()), temperature, humidity, dew, heat};
}

// Runs SQL on the file (made when missing) with a connection of its own: the
// rows it gives, columns joined by "|"; on failure the SQLite message after "error: ".
inline Rows Sql(const std::string& path, const std::string& sql) {
    Rows rows;
    sqlite3* db = nullptr;
    char* message = nullptr;
    sqlite3_open(path.c_str(), &db);
    auto collect = [](void* out, int count, char** values, char**) {
        std::string row;
        for (int i = 0; i < count; ++i) {
            row += std::string(i > 0 ? "|" : "") + (values[i] != nullptr ? values[i] : "NULL");
        }
        static_cast<Rows*>(out)->push_back(row);
        return 0;
    };
    if (sqlite3_exec(db, sql.c_str(), collect, &rows, &message) != SQLITE_OK) {
        rows.push_back(std::string("error: ") +
                       (message != nullptr ? message : sqlite3_errmsg(db)));
    }
    sqlite3_free(message);
    sqlite3_close(db);
    return rows;
}

// Every row of Records in time order, each value with its SQLite type:
// "2024-03-05 14:07:09|real:23.4|integer:45|real:10.8|real:24.1", with
// `withKey` preceded by the row's TimeKey.
inline Rows DumpRecords(const std::string& path, bool withKey = false) {
    std::string sql = withKey ? "SELECT TimeKey, Time" : "SELECT Time";
    for (std::string column : {"Temperature", "Humidity", "Dewpoint", "Heatindex"}) {
        sql += ", typeof(" + column + ") || ':' || quote(" + column + ")";
    }
    return Sql(path, sql + " FROM Records ORDER BY TimeKey");
}

}  // namespace corvalin::test
