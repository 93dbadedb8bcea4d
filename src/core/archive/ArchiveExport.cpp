// SPDX-License-Identifier: GPL-3.0-or-later
#include "archive/ArchiveExport.h"

#include <array>
#include <charconv>
#include <nlohmann/json.hpp>

#include "common/ZonedTime.h"

namespace corvalin {

namespace {

// The shortest text that reads back as the same double.
std::string Number(double value) {
    char text[32];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value);
    return error == std::errc() ? std::string(text, end) : std::string("0");
}

std::string CsvCell(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string CsvValue(const std::optional<double>& value) { return value ? Number(*value) : ""; }

// Line protocol tag values escape commas, equals signs and spaces.
std::string TagValue(const std::string& text) {
    std::string escaped;
    for (char c : text) {
        if (c == ',' || c == '=' || c == ' ') escaped += '\\';
        escaped += c;
    }
    return escaped;
}

// OpenMetrics label values escape backslashes, quotes and line ends.
std::string LabelValue(const std::string& text) {
    std::string escaped;
    for (char c : text) {
        if (c == '\\' || c == '"') {
            escaped += '\\';
            escaped += c;
        } else if (c == '\n') {
            escaped += "\\n";
        } else {
            escaped += c;
        }
    }
    return escaped;
}

Status WriteCsv(const ArchiveRowReader& read, const ArchiveQuery& query, std::ostream& out) {
    out << "station,channel,time,temperature_C,humidity_pct,dew_point_C,heat_index_C,source\n";
    return read(query, [&](const ArchivedRow& stored) {
        const ArchiveRow& row = stored.row;
        out << CsvCell(stored.station) << ',' << row.channel << ',' << IsoTime(row.time) << ','
            << CsvValue(row.temperature) << ',' << CsvValue(row.humidity) << ','
            << CsvValue(row.dewPoint) << ',' << CsvValue(row.heatIndex) << ','
            << SourceName(row.source) << '\n';
        return bool(out);
    });
}

nlohmann::json JsonValue(const std::optional<double>& value) {
    return value ? nlohmann::json(*value) : nlohmann::json(nullptr);
}

Status WriteJson(const ArchiveRowReader& read, const ArchiveQuery& query, std::ostream& out) {
    out << "[";
    bool first = true;
    Status status = read(query, [&](const ArchivedRow& stored) {
        const ArchiveRow& row = stored.row;
        const nlohmann::json item{{"station", stored.station},
                                  {"channel", row.channel},
                                  {"time", IsoTime(row.time)},
                                  {"temperature", JsonValue(row.temperature)},
                                  {"humidity", JsonValue(row.humidity)},
                                  {"dewPoint", JsonValue(row.dewPoint)},
                                  {"heatIndex", JsonValue(row.heatIndex)},
                                  {"source", SourceName(row.source)}};
        out << (first ? "\n  " : ",\n  ")
            << item.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
        first = false;
        return bool(out);
    });
    out << (first ? "]\n" : "\n]\n");
    return status;
}

Status WriteInflux(const ArchiveRowReader& read, const ArchiveQuery& query, std::ostream& out) {
    return read(query, [&](const ArchivedRow& stored) {
        const ArchiveRow& row = stored.row;
        const std::string tags = "corvalin,station=" + TagValue(stored.station) +
                                 ",channel=" + std::to_string(row.channel);
        std::string fields;
        const std::array<std::pair<const char*, const std::optional<double>*>, 4> values{
            {{"temperature", &row.temperature},
             {"humidity", &row.humidity},
             {"dew_point", &row.dewPoint},
             {"heat_index", &row.heatIndex}}};
        for (const auto& [name, value] : values) {
            if (!*value) continue;
            if (!fields.empty()) fields += ',';
            fields += name;
            fields += '=';
            fields += Number(**value);
        }
        // A point needs at least one field: a row of no values is left out.
        if (!fields.empty()) out << tags << ' ' << fields << ' ' << row.time << '\n';
        return bool(out);
    });
}

struct Family {
    const char* name;
    const char* unit;
    const char* help;
    std::optional<double> ArchiveRow::*value;
    double scale;
};

constexpr std::array<Family, 4> FAMILIES{{
    {"corvalin_temperature_celsius", "celsius", "Temperature measured by the channel's sensor.",
     &ArchiveRow::temperature, 1.0},
    {"corvalin_relative_humidity_ratio", "ratio", "Relative humidity, 0 to 1.",
     &ArchiveRow::humidity, 0.01},
    {"corvalin_dew_point_celsius", "celsius", "Dew point from temperature and humidity.",
     &ArchiveRow::dewPoint, 1.0},
    {"corvalin_heat_index_celsius", "celsius", "Heat index from temperature and humidity.",
     &ArchiveRow::heatIndex, 1.0},
}};

Status WriteOpenMetrics(const ArchiveRowReader& read, const ArchiveQuery& query,
                        std::ostream& out) {
    for (const Family& family : FAMILIES) {
        out << "# TYPE " << family.name << " gauge\n"
            << "# UNIT " << family.name << ' ' << family.unit << '\n'
            << "# HELP " << family.name << ' ' << family.help << '\n';
        Status status = read(query, [&](const ArchivedRow& stored) {
            const std::optional<double>& value = stored.row.*family.value;
            if (!value) return true;
            out << family.name << "{station=\"" << LabelValue(stored.station) << "\",channel=\""
                << stored.row.channel << "\"} " << Number(*value * family.scale) << ' '
                << stored.row.time << '\n';
            return bool(out);
        });
        if (!status) return status;
    }
    out << "# EOF\n";
    return Status::Ok();
}

}  // namespace

std::optional<ExportFormat> ParseExportFormat(std::string_view name) {
    if (name == "csv") return ExportFormat::Csv;
    if (name == "json") return ExportFormat::Json;
    if (name == "influx") return ExportFormat::Influx;
    if (name == "openmetrics") return ExportFormat::OpenMetrics;
    return std::nullopt;
}

ArchiveRowReader ReaderOf(ArchiveDatabase& archive) {
    return [&archive](const ArchiveQuery& query,
                      const std::function<bool(const ArchivedRow&)>& visit) {
        return archive.Read(query, visit);
    };
}

Status WriteArchive(ArchiveDatabase& archive, const ArchiveQuery& query, ExportFormat format,
                    std::ostream& out) {
    return WriteArchive(ReaderOf(archive), query, format, out);
}

Status WriteArchive(const ArchiveRowReader& read, const ArchiveQuery& query, ExportFormat format,
                    std::ostream& out) {
    Status status;
    switch (format) {
        case ExportFormat::Csv:
            status = WriteCsv(read, query, out);
            break;
        case ExportFormat::Json:
            status = WriteJson(read, query, out);
            break;
        case ExportFormat::Influx:
            status = WriteInflux(read, query, out);
            break;
        case ExportFormat::OpenMetrics:
            status = WriteOpenMetrics(read, query, out);
            break;
    }
    out.flush();
    if (status && !out) return Status::Error("Cannot write the export: the output failed");
    return status;
}

Result<std::vector<ArchiveGap>> FindGaps(ArchiveDatabase& archive, const ArchiveQuery& query,
                                         int64_t longestStep) {
    std::vector<ArchiveGap> gaps;
    std::optional<ArchivedRow> previous;
    const Status status = archive.Read(query, [&](const ArchivedRow& stored) {
        if (previous && previous->station == stored.station &&
            previous->row.channel == stored.row.channel &&
            stored.row.time - previous->row.time > longestStep) {
            gaps.push_back(
                {stored.station, stored.row.channel, previous->row.time, stored.row.time});
        }
        previous = stored;
        return true;
    });
    if (!status) return Result<std::vector<ArchiveGap>>::Fail(status.message);
    return Result<std::vector<ArchiveGap>>::Of(std::move(gaps));
}

}  // namespace corvalin
