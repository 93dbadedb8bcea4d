// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <vector>

#include "core/store/RecordTestSupport.h"
#include "graph/GraphQuery.h"
#include "graph/GraphTime.h"
#include "store/RecordDatabase.h"
#include "store/RecordKey.h"
#include "support/Files.h"
#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"

namespace corvalin {
namespace {

using test::Reading;
using Values = std::vector<double>;
constexpr float NO_DATA = 65535.0f;

CivilTime At(const std::string& iso) { return ParseCivilText(iso).value(); }
double Seconds(const std::string& iso) { return ChartSecondsFromCivil(At(iso)); }

TEST(GraphTime, ChartSecondsAreTheStationClockWithoutTimeZone) {
    // Hours that daylight saving skips or repeats in much of Europe keep
    // their own value, whatever this computer's zone.
    {
        ZoneScope berlin("Europe/Berlin");
        EXPECT_EQ(Seconds("2024-03-31 02:30:00"), 1711852200.0);
        EXPECT_EQ(Seconds("2024-10-27 02:30:00"), 1729996200.0);
        EXPECT_EQ(Seconds("1899-12-29 06:00:00"), -2209226400.0);
    }
    // The store's keys give the same seconds, also at a day's last second,
    // before 1899-12-30 and at the ends of the years the store takes.
    for (const char* iso : {"2024-03-05 23:59:59", "1899-12-29 06:00:00", "9999-12-31 23:59:59",
                            "0100-01-01 00:00:00"}) {
        EXPECT_EQ(EpochSecondsOfKey(LastKeyOf(At(iso))), Seconds(iso)) << iso;
    }
}

class GraphQueryTest : public ::testing::Test {
protected:
    GraphResult Query(const std::string& start, const std::string& end,
                      GraphQuantity quantity = GraphQuantity::Temperature) {
        return QueryGraph(db, path, {At(start), At(end), quantity, "(°F)"});
    }
    test::TempDir dir;
    std::string path = dir.File("7500.db");
    RecordDatabase db;
};

TEST_F(GraphQueryTest, EachSeriesHoldsItsOwnReadingsAsStored) {
    const std::string m10 = "2024-03-05 10:10:00", m20 = "2024-03-05 10:20:00",
                      m30 = "2024-03-05 10:30:00";
    RecordDatabase import;
    ASSERT_EQ(import.Connect(path), 0);
    ASSERT_EQ(import.OpenForAppend(), 0);
    for (const ReadingRecord& record :
         {Reading(m10, 20.1f, 40, NO_DATA, 21.0f), Reading(m20, NO_DATA, 41, 8.5f, NO_DATA),
          Reading(m30, 20.3f, 65535, 8.7f, 21.2f)}) {
        ASSERT_EQ(import.AppendRecord(record), 0);
    }
    const double t10 = Seconds(m10), t20 = Seconds(m20), t30 = Seconds(m30);
    GraphResult result = Query("2024-03-05 10:00:00", "2024-03-05 11:00:00");
    ASSERT_EQ(result.outcome, GraphOutcome::Drawn) << result.message;
    const auto& series = result.content.series;
    EXPECT_EQ(result.content.title + result.content.valueAxisTitle, "Temperature(°F)");
    // As stored: 32-bit floats widened, no unit conversion.
    EXPECT_EQ(series[QUANTITY_SERIES].times, (Values{t10, t30}));
    EXPECT_EQ(series[QUANTITY_SERIES].values, (Values{20.1f, 20.3f}));
    EXPECT_EQ(series[DEWPOINT_SERIES].times, (Values{t20, t30}));
    EXPECT_EQ(series[DEWPOINT_SERIES].values, (Values{8.5f, 8.7f}));
    EXPECT_EQ(series[HEATINDEX_SERIES].values, (Values{21.0f, 21.2f}));

    result = Query("2024-03-05 10:00:00", "2024-03-05 11:00:00", GraphQuantity::Humidity);
    ASSERT_EQ(result.outcome, GraphOutcome::Drawn) << result.message;
    EXPECT_EQ(result.content.title + result.content.valueAxisTitle, "Humidity (%)");
    EXPECT_EQ(series[QUANTITY_SERIES].times, (Values{t10, t20}));
    EXPECT_EQ(series[QUANTITY_SERIES].values, (Values{40, 41}));
    EXPECT_TRUE(series[DEWPOINT_SERIES].times.empty() && !series[DEWPOINT_SERIES].visible);

    // Equal ends: empty series over that instant.
    result = Query(m10, m10);
    EXPECT_EQ(result.outcome, GraphOutcome::Drawn);
    EXPECT_EQ(result.content.PointCount(), 0u);
    EXPECT_EQ(std::pair(result.content.timeFrom, result.content.timeTo), std::pair(t10, t10));
}

TEST_F(GraphQueryTest, ARefusedRangeRunsNoQueryAndAFailedReadLeavesTheLayout) {
    GraphResult result = Query("2024-03-05 10:00:01", "2024-03-05 10:00:00");
    EXPECT_EQ(result.outcome, GraphOutcome::RangeRefused);
    EXPECT_EQ(result.message, "Time Error.");
    EXPECT_FALSE(db.IsConnected());
    EXPECT_FALSE(CheckGraphRange(At("2024-02-01 10:00:00"), CivilTime{2024, 2, 30, 10, 0, 0}));

    // A file that is no database; why it is refused is the store's to test.
    path = dir.File("junk.db");
    test::WriteAll(path, std::string(100, 'x'));
    result = Query("2024-03-05 10:00:00", "2024-03-05 11:00:00");
    EXPECT_EQ(result.outcome, GraphOutcome::ReadFailed);
    EXPECT_FALSE(result.message.empty());
    EXPECT_EQ(result.content.title, "Temperature");
    EXPECT_EQ(result.content.PointCount(), 0u);
}

}  // namespace
}  // namespace corvalin
