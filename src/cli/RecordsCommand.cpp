// SPDX-License-Identifier: GPL-3.0-or-later
#include <array>
#include <charconv>
#include <cmath>
#include <nlohmann/json.hpp>
#include <ostream>

#include "Commands.h"
#include "JsonText.h"
#include "common/Readings.h"
#include "store/RangeText.h"
#include "store/RecordDatabase.h"
#include "store/RecordSchema.h"

namespace corvalin::cli {

namespace {

struct RecordsOptions {
    std::string from;
    std::string to;
    std::string column = "Temperature";
    std::string format = "csv";
};

constexpr std::array<const char*, 5> COLUMNS = {"Time", "Temperature", "Humidity", "Dewpoint",
                                                "Heatindex"};
constexpr std::array<const char*, 5> JSON_KEYS = {"time", "temperature", "humidity", "dewPoint",
                                                  "heatIndex"};
constexpr size_t HUMIDITY = 2;

// 65535, and what no reading can be (a stored infinity), is no data.
bool IsNoData(const StoredValue& value, bool whole) {
    if (value.IsNull()) return true;
    if (value.IsText()) return false;
    if (whole) return value.ToInteger() == NO_DATA_INT;
    const float number = value.ToFloat();
    return !std::isfinite(number) || number == NO_DATA;
}

// A value as the graph reads it: floats in their shortest form, the
// humidity as a whole number; no data is an empty field.
std::string ValueText(const StoredValue& value, bool whole) {
    if (IsNoData(value, whole)) return "";
    if (value.IsText()) return value.ToText();
    if (whole) return std::to_string(value.ToInteger());
    std::array<char, 32> text{};
    const auto written = std::to_chars(text.data(), text.data() + text.size(), value.ToFloat());
    return std::string(text.data(), written.ptr);
}

nlohmann::ordered_json ValueJson(const StoredValue& value, bool whole) {
    if (IsNoData(value, whole)) return nullptr;
    if (value.IsText()) return value.ToText();
    if (whole) return value.ToInteger();
    return nlohmann::json::parse(ValueText(value, false));
}

int RunRecords(CommandContext& context, const RecordsOptions& options) {
    Console& console = context.console;
    RecordDatabase database;
    if (database.ConnectForReading(RecordDatabasePath(DataDirectory(context))) != 0 ||
        database.SelectRange(options.from, options.to, options.column) != 0) {
        console.err << database.LastError() << "\n";
        return EXIT_FAILED;
    }
    const bool json = options.format == "json" || context.flags.json;
    if (json) {
        console.out << "[";
    } else {
        console.out << "Time,Temperature,Humidity,Dewpoint,Heatindex\n";
    }
    for (bool first = true; !database.AtEnd(); first = false) {
        if (json) {
            nlohmann::ordered_json row;
            for (size_t i = 0; i < COLUMNS.size(); ++i) {
                row[JSON_KEYS[i]] = ValueJson(database.FieldValue(COLUMNS[i]), i == HUMIDITY);
            }
            console.out << (first ? "\n  " : ",\n  ") << JsonText(row, -1);
        } else {
            for (size_t i = 0; i < COLUMNS.size(); ++i) {
                console.out << (i == 0 ? "" : ",")
                            << ValueText(database.FieldValue(COLUMNS[i]), i == HUMIDITY);
            }
            console.out << "\n";
        }
        if (database.NextRow() != 0) {
            if (json) console.out << "\n]\n";
            console.err << database.LastError() << "\n";
            return EXIT_FAILED;
        }
    }
    if (json) console.out << "\n]\n";
    return EXIT_DONE;
}

}  // namespace

void AddRecordsCommand(CLI::App& app, CommandContext& context) {
    auto options = std::make_shared<RecordsOptions>();
    CLI::App* command = app.add_subcommand(
        "records",
        "The readings in the record database after --from up to and including --to "
        "that have a value in --column, in time order");
    const CLI::Validator rangeText(
        [](std::string& text) {
            return ParseLooseCivilText(text) ? std::string() : "not a time \"" + text + "\"";
        },
        "\"YYYY-MM-DD hh:mm:ss\"");
    command->add_option("--from", options->from, "Start, left out")->required()->check(rangeText);
    command->add_option("--to", options->to, "End, included")->required()->check(rangeText);
    command->add_option("--column", options->column, "The quantity that must have a value")
        ->check(
            CLI::IsMember({"Temperature", "Humidity", "DewPoint", "Heatindex"}, CLI::ignore_case))
        ->capture_default_str();
    command->add_option("--format", options->format, "Output format")
        ->check(CLI::IsMember({"csv", "json"}))
        ->capture_default_str();
    command->callback([&context, options] {
        context.run = [&context, options] { return RunRecords(context, *options); };
    });
}

}  // namespace corvalin::cli
