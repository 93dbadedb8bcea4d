// SPDX-License-Identifier: GPL-3.0-or-later
#include "archive/ArchiveBuckets.h"

#include <sqlite3.h>

#include <string>

#include "common/DerivedValues.h"

namespace corvalin {

namespace {

// The quantity as an expression over a row of the readings table.
const char* ValueExpression(Quantity quantity) {
    switch (quantity) {
        case Quantity::Temperature:
            return "temperature";
        case Quantity::Humidity:
            return "humidity";
        case Quantity::DewPoint:
            return "dew_point";
        case Quantity::HeatIndex:
            return "heat_index";
        case Quantity::AbsoluteHumidity:
            return "absolute_humidity(temperature, humidity)";
        case Quantity::FrostPoint:
            return "frost_point(temperature, humidity)";
    }
    return "NULL";
}

}  // namespace

Status DefineDerivedFunctions(const SqliteConnection& db) {
    Status defined = db.DefineFunction("absolute_humidity", &AbsoluteHumidity);
    if (defined) defined = db.DefineFunction("frost_point", &FrostPoint);
    return defined;
}

Status ReadValueBuckets(const SqliteConnection& db, int64_t stationId, const BucketQuery& query,
                        const std::function<void(const ValueBucket&)>& visit) {
    if (query.width <= 0) return Status::Error("A bucket needs a length");
    // The primary key (station, channel, time) gives the span in order: one
    // pass over its rows, none over the rest of the archive.
    const std::string sql =
        std::string(
            "SELECT (time - ?3) / ?5 AS bucket, count(value), min(value), max(value), "
            "sum(value), min(time), max(time) FROM (SELECT time, ") +
        ValueExpression(query.quantity) +
        " AS value FROM readings WHERE station = ?1 AND channel = ?2 AND time >= ?3 "
        "AND time < ?4) WHERE value IS NOT NULL GROUP BY bucket ORDER BY bucket";
    Result<SqliteStatement> prepared = db.Prepare(sql);
    if (!prepared) return Status::Error(prepared.error);
    sqlite3_stmt* s = prepared.value->get();
    sqlite3_bind_int64(s, 1, stationId);
    sqlite3_bind_int(s, 2, query.channel);
    sqlite3_bind_int64(s, 3, query.from);
    sqlite3_bind_int64(s, 4, query.to);
    sqlite3_bind_int64(s, 5, query.width);
    int rc;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
        visit({sqlite3_column_int64(s, 0), sqlite3_column_int64(s, 1), sqlite3_column_double(s, 2),
               sqlite3_column_double(s, 3), sqlite3_column_double(s, 4), sqlite3_column_int64(s, 5),
               sqlite3_column_int64(s, 6)});
    }
    if (rc != SQLITE_DONE) return Status::Error(db.LastError());
    return Status::Ok();
}

}  // namespace corvalin
