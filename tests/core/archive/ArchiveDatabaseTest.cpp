// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <sstream>

#include "archive/ArchiveDatabase.h"
#include "archive/ArchiveExport.h"
#include "archive/CsvText.h"
#include "archive/LiveRows.h"
#include "support/ArchiveRows.h"
#include "support/Files.h"

namespace corvalin {
namespace {

using test::Reading;
using test::ReadRows;

TEST(ArchiveDatabase, StoresEachStationChannelAndSecondOnceAndReadsBackNoValues) {
    test::ArchiveFixture fixture;
    ArchiveDatabase* archive = fixture.archive.get();
    const std::vector<ArchiveRow> rows{Reading(1, 100, 21.5), Reading(2, 220, std::nullopt),
                                       Reading(1, 160, -0.5)};
    EXPECT_EQ(*archive->Add("attic", rows), 3);
    // The same readings again, and one of them changed: nothing is stored twice
    // or overwritten.
    std::vector<ArchiveRow> again = rows;
    again[0].temperature = 99.0;
    EXPECT_EQ(*archive->Add("attic", again), 0);
    EXPECT_EQ(*archive->Add("cellar", {Reading(1, 100, 10.0)}), 1);

    const std::vector<ArchivedRow> read = ReadRows(*archive, {.station = "attic"});
    ASSERT_EQ(read.size(), 3u);
    EXPECT_EQ(read[0].row, rows[0]);
    EXPECT_EQ(read[1].row, rows[2]);  // ordered by channel, then time
    EXPECT_EQ(read[2].row, rows[1]);
    EXPECT_EQ((std::vector<std::string>{"attic", "cellar"}), archive->Stations());
    EXPECT_EQ(archive->NewestTime("attic", 1), 160);
}

TEST(ArchiveDatabase, ReadsTheAskedTimesInclusiveAndChannels) {
    test::ArchiveFixture fixture;
    ArchiveDatabase* archive = fixture.archive.get();
    std::vector<ArchiveRow> rows;
    for (int channel : {1, 2, 3}) {
        for (int64_t time : {100, 200, 300}) rows.push_back(Reading(channel, time, 20.0));
    }
    ASSERT_TRUE(archive->Add("s", rows));
    struct Case {
        ArchiveQuery query;
        size_t count;
    };
    const Case cases[] = {
        {{.from = 200}, 6},        {{.to = 200}, 6},          {{.from = 200, .to = 200}, 3},
        {{.channels = {1, 3}}, 6}, {{.station = "other"}, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(ReadRows(*archive, c.query).size(), c.count);
    // A series is one station's channel: none runs on into the next station's.
    ASSERT_TRUE(archive->Add("t", {Reading(3, 500, 20.0)}));
    EXPECT_TRUE(FindGaps(*archive, {}, 100, 350)->empty());
    std::ostringstream out;  // a read that fails fails the export
    EXPECT_FALSE(WriteArchive([](const auto&, const auto&) { return Status::Error("gone"); }, {},
                              ExportFormat::OpenMetrics, out));
}

TEST(ArchiveDatabase, LeavesAFileThatIsNoArchiveAsItIs) {
    test::TempDir dir;
    const std::string path = dir.File("archive.db");
    const std::string bytes(8192, 'x');
    test::WriteAll(path, bytes);
    auto opened = ArchiveDatabase::Open(path);
    EXPECT_NE(opened.error.find("left as it is"), std::string::npos) << opened.error;
    EXPECT_EQ(test::ReadAll(path), bytes);
}

// A cell with a comma, a quote or a line end is quoted, its quotes doubled.
TEST(CsvText, QuotesOnlyWhatNeedsIt) {
    EXPECT_EQ(CsvCell("a\"b") + CsvCell("c,d") + CsvCell("e\r") + CsvCell("f"),
              "\"a\"\"b\"\"c,d\"\"e\r\"f");
}

TEST(LiveRows, GiveARowPerChannelWithAValueAndDeriveOnlyFromBoth) {
    LiveReadings readings;
    readings.temperatureC[0] = 21.4f;  // CH1: both values
    readings.humidityPct[0] = 45;
    readings.temperatureC[2] = 30.0f;  // CH3: no humidity
    readings.humidityPct[4] = 60;      // CH5: no temperature
    readings.temperatureC[5] = 30.0f;  // CH6: hot and humid, the heat index counts
    readings.humidityPct[5] = 70;
    readings.temperatureC[7] = -30.0f;  // CH8: a dew point below the station's range
    readings.humidityPct[7] = 10;
    const std::vector<ArchiveRow> rows = RowsFromLiveReadings(readings, 1000);
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0].channel, 1);
    EXPECT_EQ(*rows[0].dewPoint, 9.0);
    EXPECT_EQ(*rows[0].heatIndex, 21.4);
    EXPECT_EQ(rows[1].channel, 3);
    EXPECT_FALSE(rows[1].humidity || rows[1].dewPoint || rows[1].heatIndex);
    EXPECT_EQ(rows[2].channel, 5);
    EXPECT_FALSE(rows[2].temperature || rows[2].dewPoint);
    EXPECT_EQ(*rows[2].humidity, 60);
    EXPECT_EQ(rows[3].channel, 6);
    EXPECT_EQ(*rows[3].heatIndex, 35.0);
    EXPECT_FALSE(rows[4].dewPoint);
    for (const ArchiveRow& row : rows) EXPECT_EQ(row.time, 1000);
}

}  // namespace
}  // namespace corvalin
