// SPDX-License-Identifier: GPL-3.0-or-later
#include "sharedarchive/SharedArchiveSchema.h"

#include <map>

namespace corvalin {

namespace {

const char* const CREATE_VERSION_TABLE =
    "CREATE TABLE corvalin_schema_version (version integer NOT NULL)";

// Temperatures, dew points and heat indexes in degrees Celsius, humidity in
// percent; NULL where the station had no value.
const char* const CREATE_READINGS =
    "CREATE TABLE readings ("
    " station text NOT NULL,"
    " channel smallint NOT NULL CHECK (channel BETWEEN 1 AND 8),"
    " time timestamptz NOT NULL,"
    " temperature real, humidity real, dew_point real, heat_index real,"
    " source text NOT NULL CHECK (source IN ('live', 'card')),"
    " PRIMARY KEY (station, channel, time))";

const std::map<std::string, std::string> COLUMNS = {
    {"station", "text"},     {"channel", "smallint"}, {"time", "timestamp with time zone"},
    {"temperature", "real"}, {"humidity", "real"},    {"dew_point", "real"},
    {"heat_index", "real"},  {"source", "text"}};

// Where `readings` differs from what the rows need, in words; empty when it does not.
Result<std::string> ShapeProblems(PgConnection& server) {
    using R = Result<std::string>;
    auto columns = server.Query(
        "SELECT attname::text, format_type(atttypid, atttypmod) FROM pg_attribute "
        "WHERE attrelid = to_regclass('readings') AND attnum > 0 AND NOT attisdropped");
    if (!columns) return R::Fail(columns.error);
    std::map<std::string, std::string> found;
    for (const PgConnection::Row& row : *columns) found[*row[0]] = *row[1];
    std::string problems;
    const auto add = [&problems](const std::string& problem) {
        problems += (problems.empty() ? "" : "; ") + problem;
    };
    for (const auto& [name, type] : COLUMNS) {
        const auto column = found.find(name);
        if (column == found.end()) {
            add("no column " + name);
        } else if (column->second != type) {
            add("column " + name + " is " + column->second + ", not " + type);
        }
    }
    auto key = server.Query(
        "SELECT EXISTS (SELECT 1 FROM pg_index i WHERE i.indrelid = to_regclass('readings') "
        "AND i.indisunique AND i.indnkeyatts = 3 AND (SELECT array_agg(a.attname::text ORDER BY "
        "a.attname::text) FROM pg_attribute a WHERE a.attrelid = i.indrelid AND a.attnum = "
        "ANY(i.indkey::int2[])) = ARRAY['channel', 'station', 'time'])");
    if (!key) return R::Fail(key.error);
    if ((*key)[0][0] != "t") add("no unique key on (station, channel, time)");
    return R::Of(problems);
}

// The version table: made at version 1, or checked to be one this program knows.
Status PrepareVersion(PgConnection& server, bool exists) {
    if (!exists) {
        if (auto made = server.Query(CREATE_VERSION_TABLE); !made) return Status::Error(made.error);
    }
    auto version = server.Query("SELECT max(version) FROM corvalin_schema_version");
    if (!version) return Status::Error(version.error);
    const PgConnection::Value& stored = (*version)[0][0];
    if (!stored) {
        auto noted = server.Query("INSERT INTO corvalin_schema_version VALUES ($1)",
                                  {std::to_string(SHARED_ARCHIVE_VERSION)});
        return noted ? Status::Ok() : Status::Error(noted.error);
    }
    if (std::stoi(*stored) > SHARED_ARCHIVE_VERSION) {
        return Status::Error("the shared archive has version " + *stored +
                             " of its tables, made by a newer Corvalin; this one knows version " +
                             std::to_string(SHARED_ARCHIVE_VERSION));
    }
    return Status::Ok();
}

Status PrepareReadings(PgConnection& server, bool exists) {
    if (!exists) {
        if (auto made = server.Query(CREATE_READINGS); !made) return Status::Error(made.error);
    }
    const Result<std::string> problems = ShapeProblems(server);
    if (!problems) return Status::Error(problems.error);
    if (!problems->empty()) {
        return Status::Error("the table readings on the server has another shape: " + *problems);
    }
    auto timescale =
        server.Query("SELECT EXISTS (SELECT 1 FROM pg_extension WHERE extname = 'timescaledb')");
    if (!timescale) return Status::Error(timescale.error);
    if ((*timescale)[0][0] != "t") return Status::Ok();
    auto hypertable = server.Query(
        "SELECT create_hypertable('readings', 'time', if_not_exists => TRUE, "
        "migrate_data => TRUE)");
    return hypertable ? Status::Ok() : Status::Error(hypertable.error);
}

// In the open transaction.
Status PrepareTables(PgConnection& server) {
    // Two loggers meeting an empty database make its tables one after the other.
    auto locked = server.Query("SELECT pg_advisory_xact_lock(hashtext('corvalin shared archive'))");
    if (!locked) return Status::Error(locked.error);
    auto present = server.Query(
        "SELECT to_regclass('corvalin_schema_version') IS NOT NULL, "
        "to_regclass('readings') IS NOT NULL");
    if (!present) return Status::Error(present.error);
    if (Status version = PrepareVersion(server, (*present)[0][0] == "t"); !version) return version;
    return PrepareReadings(server, (*present)[0][1] == "t");
}

}  // namespace

Status PrepareSharedArchive(PgConnection& server) {
    if (auto begun = server.Query("BEGIN"); !begun) return Status::Error(begun.error);
    Status prepared = PrepareTables(server);
    if (prepared) {
        auto committed = server.Query("COMMIT");
        if (!committed) prepared = Status::Error(committed.error);
    } else {
        server.Query("ROLLBACK");
    }
    return prepared;
}

}  // namespace corvalin
