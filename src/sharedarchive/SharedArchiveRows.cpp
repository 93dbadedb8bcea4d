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

// A parameter left NULL matches every row.
const char* const SELECT_ROWS =
    "SELECT station, channel, extract(epoch FROM time)::bigint, temperature, humidity,"
    " dew_point, heat_index, source FROM readings"
    " WHERE ($1::text IS NULL OR station = $1)"
    " AND ($2::bigint IS NULL OR time >= to_timestamp($2))"
    " AND ($3::bigint IS NULL OR time <= to_timestamp($3))"
    " AND ($4::smallint[] IS NULL OR channel = ANY($4))"
    " AND ($5::text IS NULL OR source = $5)"
    " ORDER BY station, channel, time";

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
    std::optional<std::string> channels;
    if (!query.channels.empty()) {
        ArrayText list;
        for (int channel : query.channels) list.Add(std::to_string(channel));
        channels = list.Done();
    }
    std::optional<std::string> source;
    if (query.source) source = SourceName(*query.source);
    ArchivedRow stored;
    Status read = server.Stream(
        SELECT_ROWS, {query.station, Optional(query.from), Optional(query.to), channels, source},
        [&](const PgConnection::Row& row) {
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
    if (!read && read.message.find("relation \"readings\" does not exist") != std::string::npos) {
        return Status::Error(
            "the server holds no shared archive yet: corvalind "
            "--archive-server makes its tables");
    }
    return read;
}

}  // namespace corvalin
