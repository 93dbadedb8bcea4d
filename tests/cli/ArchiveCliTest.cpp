// SPDX-License-Identifier: GPL-3.0-or-later
// The archive's exports, each read back by a parser of its own kind.
#include <filesystem>
#include <regex>

#include "CliFixture.h"
#include "archive/ArchiveDatabase.h"
#include "support/ScopedEnvironment.h"

namespace corvalin::cli {
namespace {

const char* const ISO_TIME = R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d(Z|[+-]\d\d:\d\d))";

class ArchiveCliTest : public CliTest {
protected:
    void SetUp() override {
        std::filesystem::create_directories(data);
        auto archive = ArchiveDatabase::Open(data + "/archive.db");
        ASSERT_TRUE(archive) << archive.error;
        ArchiveRow full{.channel = 1,
                        .time = 1700000000,
                        .temperature = 21.4,
                        .humidity = 45,
                        .dewPoint = 9.2,
                        .heatIndex = 21.4,
                        .source = RowSource::Live};
        ArchiveRow bare{
            .channel = 3, .time = 1700000060, .humidity = 57, .source = RowSource::Card};
        ArchiveRow later = full;
        later.time = 1700000600;
        ASSERT_TRUE((*archive.value)->Add("attic, north=1", {full, bare, later}));
    }
};

// RFC 4180 fields of one line.
std::vector<std::string> CsvFields(const std::string& line) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
            fields.back() += '"';
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (c == ',' && !quoted) {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST_F(ArchiveCliTest, CsvHasUnitsInItsHeaderAndEmptyCellsForNoValue) {
    const CliRun run = Cli({"archive"});
    ASSERT_EQ(run.status, 0) << run.said;
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 4u);
    // The derived values follow the stored ones, so the older columns stay where they were.
    EXPECT_EQ(lines[0],
              "station,channel,time,temperature_C,humidity_pct,dew_point_C,heat_index_C,source,"
              "absolute_humidity_gm3,frost_point_C");
    const std::vector<std::string> first = CsvFields(lines[1]);
    ASSERT_EQ(first.size(), 10u);
    EXPECT_EQ(first[0], "attic, north=1");
    EXPECT_TRUE(std::regex_match(first[2], std::regex(ISO_TIME))) << first[2];
    EXPECT_EQ(std::vector<std::string>(first.begin() + 3, first.end()),
              (std::vector<std::string>{"21.4", "45", "9.2", "21.4", "live", "8.42", ""}));
    EXPECT_EQ(CsvFields(lines[3]),
              (std::vector<std::string>{"attic, north=1", "3", CsvFields(lines[3])[2], "", "57", "",
                                        "", "card", "", ""}));
}

TEST_F(ArchiveCliTest, JsonIsAListOfRowsWithNullForNoValue) {
    const CliRun run = Cli({"archive", "--format", "json", "--channel", "3"});
    ASSERT_EQ(run.status, 0) << run.said;
    const nlohmann::json rows = nlohmann::json::parse(run.out);
    ASSERT_EQ(rows.size(), 1u);
    const nlohmann::json& row = rows[0];
    EXPECT_EQ(row["station"], "attic, north=1");
    EXPECT_EQ(row["channel"], 3);
    EXPECT_TRUE(std::regex_match(row["time"].get<std::string>(), std::regex(ISO_TIME)));
    EXPECT_TRUE(row["temperature"].is_null() && row["dewPoint"].is_null() &&
                row["heatIndex"].is_null() && row["absoluteHumidity"].is_null() &&
                row["frostPoint"].is_null());
    EXPECT_EQ(row["humidity"], 57.0);
    EXPECT_EQ(row["source"], "card");
}

TEST_F(ArchiveCliTest, InfluxLinesCarryTagsFloatFieldsAndSeconds) {
    const CliRun run = Cli({"archive", "--format", "influx", "--from", "2023-11-14T22:14:00Z"});
    ASSERT_EQ(run.status, 0) << run.said;
    // measurement,tags fields timestamp; tag values escape ',', '=' and ' '.
    const std::regex point(R"(corvalin,station=((?:[^,= \\]|\\[,= ])+),channel=(\d) (\S+) (\d+))");
    std::vector<std::string> times;
    for (const std::string& line : Lines(run.out)) {
        std::smatch parts;
        ASSERT_TRUE(std::regex_match(line, parts, point)) << line;
        EXPECT_EQ(std::regex_replace(parts[1].str(), std::regex(R"(\\(.))"), "$1"),
                  "attic, north=1");
        std::map<std::string, double> fields;
        std::istringstream in(parts[3].str());
        for (std::string field; std::getline(in, field, ',');) {
            const size_t equals = field.find('=');
            ASSERT_NE(equals, std::string::npos);
            ASSERT_EQ(field.find_first_not_of("0123456789.-e", equals + 1), std::string::npos)
                << field;
            fields[field.substr(0, equals)] = std::stod(field.substr(equals + 1));
        }
        if (parts[2] == "3") {
            EXPECT_EQ(fields, (std::map<std::string, double>{{"humidity", 57}}));
        } else {
            EXPECT_EQ(fields["absolute_humidity"], 8.42);
            EXPECT_EQ(fields.count("frost_point"), 0u);
        }
        times.push_back(parts[4]);
    }
    // --from is inclusive: 22:14:00Z is 1700000040, after the first row.
    EXPECT_EQ(times, (std::vector<std::string>{"1700000600", "1700000060"}));
}

TEST_F(ArchiveCliTest, OpenMetricsGroupsEachFamilyAndEndsInEof) {
    const CliRun run = Cli({"archive", "--format", "openmetrics"});
    ASSERT_EQ(run.status, 0) << run.said;
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "# EOF");
    const std::regex sample(
        R"re(([a-z_]+)\{station="((?:[^"\\]|\\.)*)",channel="(\d)"\} (\S+) (\d+))re");
    std::vector<std::string> families;
    std::map<std::string, std::vector<double>> values;
    for (size_t i = 0; i + 1 < lines.size(); ++i) {
        std::smatch parts;
        if (lines[i].rfind("# TYPE ", 0) == 0) {
            families.push_back(lines[i].substr(7, lines[i].find(' ', 7) - 7));
            EXPECT_EQ(lines[i], "# TYPE " + families.back() + " gauge");
            continue;
        }
        if (lines[i].rfind("# ", 0) == 0) continue;
        ASSERT_TRUE(std::regex_match(lines[i], parts, sample)) << lines[i];
        // A family's samples follow its own TYPE line, never another's.
        ASSERT_FALSE(families.empty());
        EXPECT_EQ(parts[1].str(), families.back());
        values[parts[1]].push_back(std::stod(parts[4]));
    }
    EXPECT_EQ(families, (std::vector<std::string>{
                            "corvalin_temperature_celsius", "corvalin_relative_humidity_ratio",
                            "corvalin_dew_point_celsius", "corvalin_heat_index_celsius",
                            "corvalin_absolute_humidity_grams_per_cubic_meter",
                            "corvalin_frost_point_celsius"}));
    EXPECT_EQ(values["corvalin_relative_humidity_ratio"], (std::vector<double>{0.45, 0.45, 0.57}));
    EXPECT_EQ(values["corvalin_temperature_celsius"].size(), 2u);
}

// The page's summaries on the command line: dates are local days, the first
// time of a value that comes again counts, csv or json only.
TEST_F(ArchiveCliTest, DaysAndRecordsAsThePageHasThem) {
    ZoneScope zone("Asia/Tokyo");  // 1700000000 is 2023-11-15 07:13:20 there
    CliRun run = Cli({"archive", "days", "--format", "json"});
    ASSERT_EQ(run.status, 0) << run.said;
    const nlohmann::json all = nlohmann::json::parse(run.out);
    EXPECT_EQ(all["station"], "attic, north=1");
    ASSERT_EQ(all["days"].size(), 2u);
    const nlohmann::json& one = all["days"][0];
    EXPECT_EQ(one["date"], "2023-11-15");
    EXPECT_EQ(one["channel"], 1);
    EXPECT_EQ(one["temperature"], (nlohmann::json{{"min", 21.4},
                                                  {"minTime", "2023-11-15T07:13:20+09:00"},
                                                  {"max", 21.4},
                                                  {"maxTime", "2023-11-15T07:13:20+09:00"},
                                                  {"mean", 21.4}}));
    EXPECT_EQ(all["days"][1]["channel"], 3);
    EXPECT_TRUE(all["days"][1]["temperature"]["mean"].is_null());
    EXPECT_EQ(all["days"][1]["humidity"]["max"], 57.0);
    EXPECT_EQ(Cli({"--json", "archive", "days", "--from", "2023-11-15", "--to", "2023-11-15"}).out,
              run.out);
    EXPECT_EQ(Cli({"archive", "days", "--from", "2023-11-16"}).status, 1);  // after the last day

    run = Cli({"archive", "days", "--channel", "3"});
    ASSERT_EQ(run.status, 0) << run.said;
    EXPECT_EQ(Lines(run.out), (std::vector<std::string>{
                                  "station,date,channel,temperature_min_C,temperature_min_time,"
                                  "temperature_max_C,temperature_max_time,temperature_mean_C,"
                                  "humidity_min_pct,humidity_min_time,humidity_max_pct,"
                                  "humidity_max_time,humidity_mean_pct",
                                  "\"attic, north=1\",2023-11-15,3,,,,,,57,"
                                  "2023-11-15T07:14:20+09:00,57,2023-11-15T07:14:20+09:00,57"}));

    run = Cli({"--json", "archive", "records", "--channel", "1"});
    ASSERT_EQ(run.status, 0) << run.said;
    const nlohmann::json records = nlohmann::json::parse(run.out)["records"];
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0]["heatIndex"]["highest"], 21.4);
    EXPECT_EQ(records[0]["absoluteHumidity"]["lowestTime"], "2023-11-15T07:13:20+09:00");
    EXPECT_TRUE(records[0]["frostPoint"]["lowest"].is_null());
    EXPECT_EQ(Lines(Cli({"archive", "records"}).out).size(), 3u);

    for (const std::vector<std::string>& wrong :
         {std::vector<std::string>{"archive", "days", "--from", "2023-11-15 10:00"},
          {"archive", "days", "--to", "15.11.2023"},
          {"archive", "records", "--format", "influx"},
          {"archive", "days", "--station", "nowhere", "--format", "openmetrics"}}) {
        run = Cli(wrong);
        EXPECT_EQ(run.status, 2) << wrong.back();
        EXPECT_FALSE(run.said.empty());
        EXPECT_TRUE(run.out.empty()) << run.out;
    }
}

TEST_F(ArchiveCliTest, GapsSyncAndMistakes) {
    // Up to the end asked for, or else up to now, a channel without rows is a gap too.
    const char* lastRow = "2023-11-14T22:23:20Z";
    CliRun run = Cli({"archive", "gaps", "--interval", "60", "--to", lastRow});
    EXPECT_EQ(run.status, 0) << run.said;
    EXPECT_EQ(Lines(run.out).size(), 2u) << run.out;
    EXPECT_NE(run.out.find("CH1: no rows from"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("(600 s)"), std::string::npos);
    EXPECT_NE(run.out.find("CH3: no rows since"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("(540 s up to"), std::string::npos);
    EXPECT_NE(Cli({"archive", "gaps", "--interval", "300", "--to", lastRow}).out.find("No gaps"),
              std::string::npos);
    run = Cli({"--json", "archive", "gaps", "--interval", "300"});
    const nlohmann::json open = nlohmann::json::parse(run.out);
    ASSERT_EQ(open.size(), 2u) << run.out;
    EXPECT_TRUE(open[0]["open"] && open[1]["open"]);
    EXPECT_GT(open[0]["seconds"].get<int64_t>(), 86400 * 365);

    // A second sync right after the first adds nothing.
    run = Cli({"--json", "archive", "sync"});
    ASSERT_EQ(run.status, 0) << run.said;
    EXPECT_GT(nlohmann::json::parse(run.out)["rowsAdded"].get<int>(), 0);
    run = Cli({"--json", "archive", "sync"});
    ASSERT_EQ(run.status, 0) << run.said;
    EXPECT_EQ(nlohmann::json::parse(run.out)["rowsAdded"], 0);
    EXPECT_EQ(nlohmann::json::parse(run.out)["skipped"][0], "INDOOR.CSV (not a log of CH1 to CH8)");
    EXPECT_EQ(nlohmann::json::parse(run.out)["bytesFetched"], 0);

    EXPECT_EQ(Cli({"archive", "--from", "yesterday"}).status, 2);
    std::filesystem::remove(data + "/archive.db");
    run = Cli({"archive"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.said.find("There is no archive"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(data + "/archive.db"));
}

}  // namespace
}  // namespace corvalin::cli
