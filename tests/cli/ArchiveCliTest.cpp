// SPDX-License-Identifier: GPL-3.0-or-later
#include <filesystem>

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
        const ArchiveRow full{1, 1700000000, 21.4, 45, 9.2, 21.4, RowSource::Live};
        const ArchiveRow later{1, 1700000600, 21.4, 45, 9.2, 21.4, RowSource::Live};
        const ArchiveRow bare{3, 1700000060, {}, 57, {}, {}, RowSource::Card};
        ASSERT_TRUE((*archive.value)->Add("attic, north=1", {full, bare, later}));
    }
};

// Each format as written: the derived values follow the stored ones, so the
// older columns stay where they were; a value not stored is an empty cell, a
// null or no field at all.
TEST_F(ArchiveCliTest, EachFormatAsWritten) {
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

    // --to is inclusive too: the first row only, each value in its own family,
    // whose unit ends its name as promtool's backfill wants; then the end mark.
    const std::string metrics =
        Done({"archive", "--format", "openmetrics", "--to", "2023-11-14T22:13:20Z"}).out;
    std::istringstream lines(metrics);
    std::string samples, family;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("# TYPE ", 0) == 0) family = line.substr(7, line.size() - 13);
        if (line.rfind("# UNIT " + family + " ", 0) == 0) {
            EXPECT_TRUE(family.ends_with("_" + line.substr(family.size() + 8))) << line;
        }
        if (line[0] == '#') continue;
        EXPECT_EQ(line.rfind(family + "{", 0), 0u) << line;
        samples += line.substr(family.size()) + "\n";
    }
    const std::string at = "{station=\"attic, north=1\",channel=\"1\"} ";
    EXPECT_EQ(samples, at + "21.4 1700000000\n" + at + "0.45 1700000000\n" + at +
                           "9.2 1700000000\n" + at + "21.4 1700000000\n" + at +
                           "8.42 1700000000\n");
    EXPECT_EQ(std::count(metrics.begin(), metrics.end(), '#'), 6 * 3 + 1);
    EXPECT_TRUE(metrics.ends_with("# EOF\n"));
}

// The page's summaries on the command line, csv or json only: dates are local
// days (which values a day and a record hold is the summaries' to test).
TEST_F(ArchiveCliTest, DaysAndRecordsAsThePageHasThem) {
    ZoneScope zone("Asia/Tokyo");  // 1700000000 is 2023-11-15 07:13:20 there
    EXPECT_EQ(Done({"archive", "days", "--channel", "3"}).out,
              "station,date,channel,temperature_min_C,temperature_min_time,temperature_max_C,"
              "temperature_max_time,temperature_mean_C,humidity_min_pct,humidity_min_time,"
              "humidity_max_pct,humidity_max_time,humidity_mean_pct\n"
              "\"attic, north=1\",2023-11-15,3,,,,,,57,2023-11-15T07:14:20+09:00,57,"
              "2023-11-15T07:14:20+09:00,57\n");
    const nlohmann::json days = nlohmann::json::parse(
        Done({"--json", "archive", "days", "--from", "2023-11-15", "--to", "2023-11-15"}).out);
    EXPECT_EQ(days["station"], "attic, north=1");
    ASSERT_EQ(days["days"].size(), 2u);  // CH1 and CH3
    EXPECT_EQ(days["days"][0]["temperature"]["minTime"], "2023-11-15T07:13:20+09:00");
    EXPECT_TRUE(days["days"][1]["temperature"]["mean"].is_null());
    EXPECT_EQ(Cli({"archive", "days", "--from", "2023-11-16"}).status, 1);  // after the last day

    const nlohmann::json records =
        nlohmann::json::parse(Done({"--json", "archive", "records", "--channel", "1"}).out);
    EXPECT_EQ(records["records"][0]["absoluteHumidity"]["lowestTime"], "2023-11-15T07:13:20+09:00");
    ExpectSaid(Cli({"archive", "days", "--to", "15.11.2023"}), EXIT_USAGE, "15.11.2023");
    ExpectSaid(Cli({"archive", "records", "--format", "influx"}), EXIT_USAGE, "csv or json");
}

TEST_F(ArchiveCliTest, GapsSyncAndMistakes) {
    // Up to the end asked for, or else up to now, a channel without rows is a gap too.
    const char* end = "2023-11-14T22:24:20Z";  // a minute after CH1's last row
    CliRun run = Done({"archive", "gaps", "--interval", "60", "--to", end});
    EXPECT_NE(run.out.find("CH1: no rows from"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("(600 s)"), std::string::npos);
    EXPECT_NE(run.out.find("CH3: no rows since"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("(600 s up to"), std::string::npos);
    // Twice the interval is no gap yet, between rows or up to the end.
    EXPECT_NE(Cli({"archive", "gaps", "--interval", "300", "--to", end}).out.find("No gaps"),
              std::string::npos);
    const nlohmann::json open =
        nlohmann::json::parse(Cli({"--json", "archive", "gaps", "--interval", "300"}).out);
    ASSERT_EQ(open.size(), 2u);
    EXPECT_TRUE(open[0]["open"] && open[1]["open"]);

    // A second sync right after the first adds nothing.
    run = Done({"--json", "archive", "sync"});
    EXPECT_GT(nlohmann::json::parse(run.out)["rowsAdded"].get<int>(), 0);
    // Each log's note counts its own bytes, fetched whole the first time.
    for (const auto& log : std::filesystem::directory_iterator(dir.File("card"))) {
        const std::string name = log.path().filename().string() + ": ";
        if (name.rfind("CH", 0) != 0) continue;
        EXPECT_NE(run.said.find(name + std::to_string(log.file_size()) + " bytes"),
                  std::string::npos);
    }
    run = Done({"--json", "archive", "sync"});
    EXPECT_EQ(nlohmann::json::parse(run.out)["rowsAdded"], 0);
    EXPECT_EQ(nlohmann::json::parse(run.out)["skipped"][0], "INDOOR.CSV (not a log of CH1 to CH8)");

    EXPECT_EQ(Cli({"archive", "--from", "yesterday"}).status, EXIT_USAGE);
    std::filesystem::remove(data + "/archive.db");
    ExpectSaid(Cli({"archive"}), EXIT_FAILED, "There is no archive");
    EXPECT_FALSE(std::filesystem::exists(data + "/archive.db"));
}

}  // namespace
}  // namespace corvalin::cli
