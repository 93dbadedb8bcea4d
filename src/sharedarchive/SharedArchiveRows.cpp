// SPDX-License-Identifier: GPL-3.0-or-later
#include "sharedarchive/SharedArchiveRows.h"

#include <charconv>
#include <optional>
#include <string>

namespace corvalin {

namespace {

// Each column of the rows as one array literal, the form unnest() takes.
class ArrayText {
public:
    void Add(const std::optional<std::string>& element) {
        text_ += text_.empty() ? "{" : ",";
        text_ += element ? *element : "NULL";
    }
    void AddText(const std::string& element) {
        std::string quoted = "\"";
        for (char c : element) {
            if (c == '"' || c == '\\') quoted += '\\';
            quoted += c;
        }
        Add(quoted + "\"");
    }
    void AddNumber(const std::optional<double>& value) {
        if (!value) return Add(std::nullopt);
        char digits[32];
        const auto [end, error] = std::to_chars(digits, digits + sizeof digits, *value);
        Add(error == std::errc() ? std::string(digits, end) : std::string("NULL"));
    }
    std::string Done() const { return text_.empty() ? "{}" : text_ + "}"; }

private:
    std::string text_;
};

const char* const INSERT_ROWS =
    "WITH added AS ("
    " INSERT INTO readings (station, channel, time, temperature, humidity, dew_point,"
    "  heat_index, source)"
    " SELECT u.station, u.channel, to_timestamp(u.time), u.temperature, u.humidity,"
    "  u.dew_point, u.heat_index, u.source"
    " FROM unnest($1::text[], $2::smallint[], $3::bigint[], $4::real[], $5::real[],"
    "  $6::real[], $7::real[], $8::text[])"
    "  AS u(station, channel, time, temperature, humidity, dew_point, heat_index, source)"
    " ON CONFLICT (station, channel, time) DO NOTHING"
    " RETURNING 1)"
    "SELECT count(*) FROM added";

// The rows of a query; a parameter left NULL matches every row.
const std::string MATCHING =
    " FROM readings"
    " WHERE ($1::text IS NULL OR station = $1)"
    " AND ($2::bigint IS NULL OR time >= to_timestamp($2))"
    " AND ($3::bigint IS NULL OR time <= to_timestamp($3))"
    " AND ($4::smallint[] IS NULL OR channel = ANY($4))"
    " AND ($5::text IS NULL OR source = $5)";

const std::string SELECT_ROWS =
    "SELECT station, channel, extract(epoch FROM time)::bigint, temperature, humidity,"
    " dew_point, heat_index, source" +
    MATCHING + " ORDER BY station, channel, time";

const std::string SELECT_TIME_RANGE =
    "SELECT extract(epoch FROM min(time))::bigint, extract(epoch FROM max(time))::bigint" +
    MATCHING;

// One station after the other along the key, rather than a pass over every row.
const char* const SELECT_STATIONS =
    "WITH RECURSIVE s(station) AS ("
    " (SELECT station FROM readings ORDER BY station LIMIT 1)"
    " UNION ALL"
    " SELECT (SELECT station FROM readings WHERE station > s.station ORDER BY station LIMIT 1)"
    " FROM s WHERE s.station IS NOT NULL)"
    "SELECT station FROM s WHERE station IS NOT NULL";

std::optional<double> Number(const PgConnection::Value& text) {
    if (!text) return std::nullopt;
    double value = 0;
    const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), value);
    if (error != std::errc() || end != text->data() + text->size()) return std::nullopt;
    return value;
}

std::optional<std::string> Optional(const std::optional<int64_t>& value) {
    if (!value) return std::nullopt;
    return std::to_string(*value);
}

std::vector<PgConnection::Value> Parameters(const ArchiveQuery& query) {
    std::optional<std::string> channels;
    if (!query.channels.empty()) {
        ArrayText list;
        for (int channel : query.channels) list.Add(std::to_string(channel));
        channels = list.Done();
    }
    std::optional<std::string> source;
    if (query.source) source = SourceName(*query.source);
    return {query.station, Optional(query.from), Optional(query.to), channels, source};
}

// The server's words, and plain ones where there are no tables yet.
std::string Explained(const std::string& error) {
    if (error.find("relation \"readings\" does not exist") != std::string::npos) {
        return "the server holds no shared archive yet: corvalind --archive-server makes its "
               "tables";
    }
    return error;
}

}  // namespace

Result<int64_t> SendRows(PgConnection& server, const std::vector<ArchivedRow>& rows) {
    ArrayText stations, channels, times, temperatures, humidities, dewPoints, heatIndexes, sources;
    for (const ArchivedRow& stored : rows) {
        const ArchiveRow& row = stored.row;
        stations.AddText(stored.station);
        channels.Add(std::to_string(row.channel));
        times.Add(std::to_string(row.time));
        temperatures.AddNumber(row.temperature);
        humidities.AddNumber(row.humidity);
        dewPoints.AddNumber(row.dewPoint);
        heatIndexes.AddNumber(row.heatIndex);
        sources.Add(SourceName(row.source));
    }
    auto added = server.Query(
        INSERT_ROWS, {stations.Done(), channels.Done(), times.Done(), temperatures.Done(),
                      humidities.Done(), dewPoints.Done(), heatIndexes.Done(), sources.Done()});
    if (!added) return Result<int64_t>::Fail(added.error);
    return Result<int64_t>::Of(std::stoll(*(*added)[0][0]));
}

Status ReadRows(PgConnection& server, const ArchiveQuery& query,
                const std::function<bool(const ArchivedRow&)>& visit) {
    ArchivedRow stored;
    const Status read =
        server.Stream(SELECT_ROWS, Parameters(query), [&](const PgConnection::Row& row) {
            stored.station = row[0].value_or("");
            ArchiveRow& r = stored.row;
            r.channel = std::stoi(row[1].value_or("0"));
            r.time = std::stoll(row[2].value_or("0"));
            r.temperature = Number(row[3]);
            r.humidity = Number(row[4]);
            r.dewPoint = Number(row[5]);
            r.heatIndex = Number(row[6]);
            r.source = row[7] == "card" ? RowSource::Card : RowSource::Live;
            return visit(stored);
        });
    if (!read) return Status::Error(Explained(read.message));
    return read;
}

Result<std::vector<std::string>> ReadStations(PgConnection& server) {
    using R = Result<std::vector<std::string>>;
    auto rows = server.Query(SELECT_STATIONS);
    if (!rows) return R::Fail(Explained(rows.error));
    std::vector<std::string> stations;
    for (const PgConnection::Row& row : *rows) stations.push_back(row[0].value_or(""));
    return R::Of(std::move(stations));
}

Result<std::optional<std::pair<int64_t, int64_t>>> ReadTimeRange(PgConnection& server,
                                                                 const ArchiveQuery& query) {
    using R = Result<std::optional<std::pair<int64_t, int64_t>>>;
    auto rows = server.Query(SELECT_TIME_RANGE, Parameters(query));
    if (!rows) return R::Fail(Explained(rows.error));
    const PgConnection::Row& range = (*rows)[0];
    if (!range[0] || !range[1]) return R::Of(std::nullopt);
    return R::Of(std::pair{std::stoll(*range[0]), std::stoll(*range[1])});
}

}  // namespace corvalin
