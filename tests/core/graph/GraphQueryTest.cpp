#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <vector>

#include "core/store/RecordTestSupport.h"
#include "graph/GraphQuery.h"
#include "graph/GraphTime.h"
#include "store/RecordDatabase.h"
#include "support/TempDir.h"

namespace corvalin {
namespace {

using test::Reading;

constexpr float NO_DATA = 65535.0f;

CivilTime At(const std::string& iso) {
    const auto time = ParseIsoText(iso);
    EXPECT_TRUE(time) << iso;
    return time.value_or(CivilTime{});
}

double Seconds(const std::string& iso) { return ChartSecondsFromCivil(At(iso)); }

class GraphQueryTest : public ::testing::Test {
protected:
    void Import(const std::vector<ReadingRecord>& records) {
        RecordDatabase import;
        ASSERT_EQ(import.Connect(path), 0) << import.LastError();
        ASSERT_EQ(import.ClearTables(), 0) << import.LastError();
        ASSERT_EQ(import.OpenForAppend(), 0) << import.LastError();
        for (const ReadingRecord& record : records) {
            ASSERT_EQ(import.AppendRecord(record), 0) << import.LastError();
        }
        ASSERT_EQ(import.CloseCursor(), 0);
    }

    GraphResult Query(const std::string& start, const std::string& end,
                      GraphQuantity quantity = GraphQuantity::Temperature,
                      const std::string& unitLabel = "(°C)") {
        return QueryGraph(db, path, {At(start), At(end), quantity, unitLabel});
    }

    test::TempDir dir;
    std::string path = dir.File("7500.db");
    RecordDatabase db;
};

TEST(GraphTimeTest, ChartSecondsAreTheStationClockWithoutTimeZone) {
    // Hours that daylight saving skips or repeats in much of Europe keep
    // their own value, whatever this computer's zone.
    const char* zone = std::getenv("TZ");
    const std::string saved = zone != nullptr ? zone : "";
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    EXPECT_EQ(Seconds("1970-01-01 00:00:00"), 0.0);
    EXPECT_EQ(Seconds("2024-03-31 02:30:00"), 1711852200.0);
    EXPECT_EQ(Seconds("2024-10-27 02:30:00"), 1729996200.0);
    EXPECT_EQ(Seconds("1899-12-29 06:00:00"), -2209226400.0);
    if (zone != nullptr)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();

    // The store's OLE dates give the same seconds, whole, also at a day's
    // last second and before 1899-12-30, where the fraction counts forward.
    for (const char* iso : {"2024-03-05 23:59:59", "2024-03-05 00:00:01", "1899-12-29 06:00:00",
                            "1899-12-30 00:00:00", "9999-12-31 23:59:59", "0100-01-01 00:00:00"}) {
        const double seconds = ChartSecondsFromOleDate(OleDateFromCivil(At(iso)));
        EXPECT_EQ(seconds, Seconds(iso)) << iso;
    }
}

TEST(GraphRangeTest, StartLaterThanEndIsATimeErrorAndEqualEndsPass) {
    EXPECT_EQ(CheckGraphRange(At("2024-03-05 10:00:01"), At("2024-03-05 10:00:00")).message,
              "Time Error.");
    EXPECT_EQ(CheckGraphRange(At("2025-01-01 00:00:00"), At("2024-12-31 23:59:59")).message,
              "Time Error.");
    EXPECT_TRUE(CheckGraphRange(At("2024-03-05 10:00:00"), At("2024-03-05 10:00:00")));
    EXPECT_TRUE(CheckGraphRange(At("2024-03-05 09:00:00"), At("2024-03-05 10:00:00")));
    CivilTime thirtiethFebruary = At("2024-02-28 10:00:00");
    thirtiethFebruary.day = 30;
    EXPECT_FALSE(CheckGraphRange(At("2024-02-01 10:00:00"), thirtiethFebruary));
}

TEST_F(GraphQueryTest, RangeLeavesOutItsStartAndKeepsItsEnd) {
    Import({Reading("2024-03-05 10:00:00", 20.0f), Reading("2024-03-05 10:00:01", 21.0f),
            Reading("2024-03-05 11:00:00", 23.5f), Reading("2024-03-05 11:00:01", 24.0f)});
    const GraphResult result = Query("2024-03-05 10:00:00", "2024-03-05 11:00:00");
    ASSERT_EQ(result.outcome, GraphOutcome::Drawn) << result.message;
    const GraphSeries& temperature = result.content.series[QUANTITY_SERIES];
    EXPECT_EQ(temperature.times, (std::vector<double>{Seconds("2024-03-05 10:00:01"),
                                                      Seconds("2024-03-05 11:00:00")}));
    // As stored: 32-bit floats widened, no unit conversion.
    EXPECT_EQ(temperature.values, (std::vector<double>{21.0, 23.5}));
    EXPECT_EQ(result.content.timeTo, temperature.times.back());
}

TEST_F(GraphQueryTest, MissingValuesLeaveOnlyTheirOwnSeries) {
    Import({Reading("2024-03-05 10:10:00", 20.1f, 40, NO_DATA, 21.0f),
            Reading("2024-03-05 10:20:00", NO_DATA, 41, 8.5f, NO_DATA),
            Reading("2024-03-05 10:30:00", 20.3f, 65535, 8.7f, 21.2f)});
    const GraphResult result = Query("2024-03-05 10:00:00", "2024-03-05 11:00:00");
    ASSERT_EQ(result.outcome, GraphOutcome::Drawn) << result.message;
    const auto& series = result.content.series;
    EXPECT_EQ(series[QUANTITY_SERIES].times, (std::vector<double>{Seconds("2024-03-05 10:10:00"),
                                                                  Seconds("2024-03-05 10:30:00")}));
    EXPECT_EQ(series[QUANTITY_SERIES].values, (std::vector<double>{20.1f, 20.3f}));
    EXPECT_EQ(series[DEWPOINT_SERIES].values, (std::vector<double>{8.5f, 8.7f}));
    EXPECT_EQ(series[HEATINDEX_SERIES].values, (std::vector<double>{21.0f, 21.2f}));
    EXPECT_TRUE(series[UNUSED_SERIES].times.empty());

    const GraphResult humidity =
        Query("2024-03-05 10:00:00", "2024-03-05 11:00:00", GraphQuantity::Humidity);
    ASSERT_EQ(humidity.outcome, GraphOutcome::Drawn) << humidity.message;
    EXPECT_EQ(humidity.content.series[QUANTITY_SERIES].values, (std::vector<double>{40, 41}));
    for (size_t i = 1; i < GRAPH_SERIES_COUNT; ++i) {
        EXPECT_TRUE(humidity.content.series[i].times.empty()) << i;
    }
}

TEST_F(GraphQueryTest, EqualEndsGiveEmptySeriesOverThatInstant) {
    Import({Reading("2024-03-05 10:00:00", 20.0f)});
    const GraphResult result = Query("2024-03-05 10:00:00", "2024-03-05 10:00:00");
    ASSERT_EQ(result.outcome, GraphOutcome::Drawn) << result.message;
    EXPECT_EQ(result.content.PointCount(), 0u);
    EXPECT_EQ(result.content.timeFrom, Seconds("2024-03-05 10:00:00"));
    EXPECT_EQ(result.content.timeTo, result.content.timeFrom);
}

TEST_F(GraphQueryTest, TimeErrorRunsNoQuery) {
    const GraphResult result = Query("2024-03-05 10:00:01", "2024-03-05 10:00:00");
    EXPECT_EQ(result.outcome, GraphOutcome::RangeRefused);
    EXPECT_EQ(result.message, "Time Error.");
    EXPECT_FALSE(db.IsConnected());
}

TEST_F(GraphQueryTest, DatabaseFailureGivesItsMessageAndAnEmptyChart) {
    path = dir.File("no such folder/7500.db");
    const GraphResult result = Query("2024-03-05 10:00:00", "2024-03-05 11:00:00");
    EXPECT_EQ(result.outcome, GraphOutcome::ReadFailed);
    EXPECT_NE(result.message.find("7500.db"), std::string::npos) << result.message;
    EXPECT_EQ(result.content.title, "Temperature");
    EXPECT_EQ(result.content.PointCount(), 0u);

    // A file that is no database.
    path = dir.File("7500.db");
    std::FILE* file = std::fopen(path.c_str(), "w");
    ASSERT_NE(file, nullptr);
    std::fputs("not a database, but long enough to look like a file header of some kind\n", file);
    std::fclose(file);
    const GraphResult damaged = Query("2024-03-05 10:00:00", "2024-03-05 11:00:00");
    EXPECT_EQ(damaged.outcome, GraphOutcome::ReadFailed);
    EXPECT_FALSE(damaged.message.empty());
}

}  // namespace
}  // namespace corvalin
