// SPDX-License-Identifier: GPL-3.0-or-later
// The archive's exports, each read back by a parser of its own kind.
#include <filesystem>
#include <regex>

#include "CliFixture.h"
#include "archive/ArchiveDatabase.h"
#include "support/ScopedEnvironment.h"

namespace corvalin::cli {
namespace {

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

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// Each format as written: the derived values follow the stored ones, so the
// older columns stay where they were; a value not stored is an empty cell, a
// null or no field at all.
TEST_F(ArchiveCliTest, CsvJsonAndInfluxAsWritten) {
    ZoneScope zone("UTC");
    EXPECT_EQ(Done({"archive"}).out,
              "station,channel,time,temperature_C,humidity_pct,dew_point_C,heat_index_C,source,"
              "absolute_humidity_gm3,frost_point_C\n"
              "\"attic, north=1\",1,2023-11-14T22:13:20+00:00,21.4,45,9.2,21.4,live,8.42,\n"
              "\"attic, north=1\",1,2023-11-14T22:23:20+00:00,21.4,45,9.2,21.4,live,8.42,\n"
              "\"attic, north=1\",3,2023-11-14T22:14:20+00:00,,57,,,card,,\n");

    EXPECT_EQ(nlohmann::json::parse(Done({"archive", "--format", "json", "--channel", "3"}).out),
              nlohmann::json::parse(R"([{"station": "attic, north=1",
        "channel": 3, "time": "2023-11-14T22:14:20+00:00", "source": "card", "temperature": null,
        "humidity": 57.0, "dewPoint": null, "heatIndex": null, "absoluteHumidity": null,
        "frostPoint": null}])"));

    // --from is inclusive: 22:14:00Z is 1700000040, after the first row.
    EXPECT_EQ(Done({"archive", "--format", "influx", "--from", "2023-11-14T22:14:00Z"}).out,
              "corvalin,station=attic\\,\\ north\\=1,channel=1 temperature=21.4,humidity=45,"
              "dew_point=9.2,heat_index=21.4,absolute_humidity=8.42 1700000600\n"
              "corvalin,station=attic\\,\\ north\\=1,channel=3 humidity=57 1700000060\n");
}

TEST_F(ArchiveCliTest, OpenMetricsGroupsEachFamilyAndEndsInEof) {
    const CliRun run = Done({"archive", "--format", "openmetrics"});
    std::vector<std::string> families;
    const std::regex type("# TYPE (\\S+) gauge\n");
    for (auto it = std::sregex_iterator(run.out.begin(), run.out.end(), type);
         it != std::sregex_iterator(); ++it) {
        families.push_back((*it)[1]);
    }
    EXPECT_EQ(families, (std::vector<std::string>{
                            "corvalin_temperature_celsius", "corvalin_relative_humidity_ratio",
                            "corvalin_dew_point_celsius", "corvalin_heat_index_celsius",
                            "corvalin_absolute_humidity_grams_per_cubic_meter",
                            "corvalin_frost_point_celsius"}));
    // A family's samples follow its own TYPE, UNIT and HELP lines, never another's.
    const std::string labels = "{station=\"attic, north=1\",channel=";
    EXPECT_NE(run.out.find("# UNIT corvalin_relative_humidity_ratio ratio\n"
                           "# HELP corvalin_relative_humidity_ratio Relative humidity, 0 to 1.\n"
                           "corvalin_relative_humidity_ratio" +
                           labels +
                           "\"1\"} 0.45 1700000000\n"
                           "corvalin_relative_humidity_ratio" +
                           labels +
                           "\"1\"} 0.45 1700000600\n"
                           "corvalin_relative_humidity_ratio" +
                           labels +
                           "\"3\"} 0.57 1700000060\n"
                           "# TYPE corvalin_dew_point_celsius gauge\n"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("\ncorvalin_temperature_celsius" + labels +
                           "\"1\"} 21.4 1700000600\n"
                           "# TYPE "),
              std::string::npos);
    EXPECT_TRUE(run.out.ends_with("\n# EOF\n"));
}

// The page's summaries on the command line, csv or json only: dates are local
// days (which values a day and a record hold is the summaries' to test).
TEST_F(ArchiveCliTest, DaysAndRecordsAsThePageHasThem) {
    ZoneScope zone("Asia/Tokyo");  // 1700000000 is 2023-11-15 07:13:20 there
    CliRun run = Cli({"archive", "days", "--format", "json"});
    ASSERT_EQ(run.status, 0) << run.said;
    const nlohmann::json all = nlohmann::json::parse(run.out);
    EXPECT_EQ(all["station"], "attic, north=1");
    ASSERT_EQ(all["days"].size(), 2u);
    EXPECT_EQ(all["days"][0]["date"], "2023-11-15");
    EXPECT_EQ(all["days"][0]["temperature"],
              (nlohmann::json{{"min", 21.4},
                              {"minTime", "2023-11-15T07:13:20+09:00"},
                              {"max", 21.4},
                              {"maxTime", "2023-11-15T07:13:20+09:00"},
                              {"mean", 21.4}}));
    EXPECT_TRUE(all["days"][1]["temperature"]["mean"].is_null());
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

    EXPECT_EQ(Cli({"archive", "--from", "yesterday"}).status, 2);
    std::filesystem::remove(data + "/archive.db");
    ExpectSaid(Cli({"archive"}), EXIT_FAILED, "There is no archive");
    EXPECT_FALSE(std::filesystem::exists(data + "/archive.db"));
}

}  // namespace
}  // namespace corvalin::cli
