// SPDX-License-Identifier: GPL-3.0-or-later
#include "archive/ArchiveExport.h"

#include <array>
#include <nlohmann/json.hpp>

#include "archive/CsvText.h"
#include "archive/Quantity.h"
#include "common/NumberText.h"
#include "common/ZonedTime.h"

namespace corvalin {

namespace {

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

// The values derived from a row's temperature and humidity; they follow the
// stored ones, so that readers of the older columns find them where they were.
constexpr Quantity DERIVED[] = {Quantity::AbsoluteHumidity, Quantity::FrostPoint};

Status WriteCsv(const ArchiveRowReader& read, const ArchiveQuery& query, std::ostream& out) {
    out << "station,channel,time,temperature_C,humidity_pct,dew_point_C,heat_index_C,source";
    for (Quantity quantity : DERIVED) {
        out << ',' << QuantityField(quantity) << '_' << QuantityUnitName(quantity);
    }
    out << '\n';
    return read(query, [&](const ArchivedRow& stored) {
        const ArchiveRow& row = stored.row;
        out << CsvCell(stored.station) << ',' << row.channel << ',' << IsoTime(row.time) << ','
            << CsvValue(row.temperature) << ',' << CsvValue(row.humidity) << ','
            << CsvValue(row.dewPoint) << ',' << CsvValue(row.heatIndex) << ','
            << SourceName(row.source);
        for (Quantity quantity : DERIVED) out << ',' << CsvValue(QuantityValue(row, quantity));
        out << '\n';
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
        nlohmann::json item{{"station", stored.station},
                            {"channel", row.channel},
                            {"time", IsoTime(row.time)},
                            {"source", SourceName(row.source)}};
        for (Quantity quantity : ALL_QUANTITIES) {
            item[QuantityKey(quantity)] = JsonValue(QuantityValue(row, quantity));
        }
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
        for (Quantity quantity : ALL_QUANTITIES) {
            const std::optional<double> value = QuantityValue(row, quantity);
            if (!value) continue;
            if (!fields.empty()) fields += ',';
            fields += QuantityField(quantity);
            fields += '=';
            fields += ShortestText(*value);
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
    Quantity quantity;
    bool percent;  // kept in %, written as a ratio
};

constexpr std::array<Family, 6> FAMILIES{{
    {"corvalin_temperature_celsius", "celsius", "Temperature measured by the channel's sensor.",
     Quantity::Temperature, false},
    {"corvalin_relative_humidity_ratio", "ratio", "Relative humidity, 0 to 1.", Quantity::Humidity,
     true},
    {"corvalin_dew_point_celsius", "celsius", "Dew point from temperature and humidity.",
     Quantity::DewPoint, false},
    {"corvalin_heat_index_celsius", "celsius", "Heat index from temperature and humidity.",
     Quantity::HeatIndex, false},
    {"corvalin_absolute_humidity_grams_per_cubic_meter", "grams_per_cubic_meter",
     "Water vapour in the air, from temperature and humidity.", Quantity::AbsoluteHumidity, false},
    {"corvalin_frost_point_celsius", "celsius",
     "Frost point below 0 degrees Celsius, from temperature and humidity.", Quantity::FrostPoint,
     false},
}};

Status WriteOpenMetrics(const ArchiveRowReader& read, const ArchiveQuery& query,
                        std::ostream& out) {
    for (const Family& family : FAMILIES) {
        out << "# TYPE " << family.name << " gauge\n"
            << "# UNIT " << family.name << ' ' << family.unit << '\n'
            << "# HELP " << family.name << ' ' << family.help << '\n';
        Status status = read(query, [&](const ArchivedRow& stored) {
            const std::optional<double> value = QuantityValue(stored.row, family.quantity);
            if (!value) return true;
            out << family.name << "{station=\"" << LabelValue(stored.station) << "\",channel=\""
                << stored.row.channel << "\"} "
                << (family.percent ? PercentAsRatioText(*value) : ShortestText(*value)) << ' '
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
                                         int64_t longestStep, int64_t until) {
    std::vector<ArchiveGap> gaps;
    std::optional<ArchivedRow> previous;
    // Rows come by station and channel: a series ends where the next begins.
    const auto endSeries = [&] {
        if (previous && until - previous->row.time > longestStep) {
            gaps.push_back(
                {previous->station, previous->row.channel, previous->row.time, until, true});
        }
    };
    const Status status = archive.Read(query, [&](const ArchivedRow& stored) {
        const bool sameSeries = previous && previous->station == stored.station &&
                                previous->row.channel == stored.row.channel;
        if (!sameSeries) {
            endSeries();
        } else if (stored.row.time - previous->row.time > longestStep) {
            gaps.push_back(
                {stored.station, stored.row.channel, previous->row.time, stored.row.time, false});
        }
        previous = stored;
        return true;
    });
    if (!status) return Result<std::vector<ArchiveGap>>::Fail(status.message);
    endSeries();
    return Result<std::vector<ArchiveGap>>::Of(std::move(gaps));
}

}  // namespace corvalin
