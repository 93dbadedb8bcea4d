// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <fstream>

#include "archive/CardLogRows.h"
#include "common/Readings.h"
#include "history/ImportReading.h"
#include "support/ArchiveRows.h"
#include "support/Files.h"

namespace corvalin {
namespace {

const char* const HEADER_F = "Time,Temperature(F),Humidity(%),DewPoint(F),HeatIndex(F)\r\n";

std::vector<ArchiveRow> Rows(ArchiveDatabase& archive) {
    std::vector<ArchiveRow> rows;
    for (const ArchivedRow& stored : test::ReadRows(archive)) rows.push_back(stored.row);
    return rows;
}

class CardLogRowsTest : public ::testing::Test {
protected:
    CardLogOutcome Add() {
        return AddCardLog(*archive, {"s", 3, "CH3.CSV", copy}, WallTimeZone::FixedOffset(3600),
                          DateOrder::MonthFirst);
    }
    void Append(const std::string& text) {
        std::ofstream(copy, std::ios::binary | std::ios::app) << text;
    }

    test::ArchiveFixture fixture;
    ArchiveDatabase* archive = fixture.archive.get();
    std::string copy = fixture.dir.File("CH3.CSV");
};

TEST_F(CardLogRowsTest, TakesWholeNewLinesOnceInCelsius) {
    // A read's block of blank lines first: every line is read once whatever its block.
    test::WriteAll(copy, std::string(HEADER_F) + std::string(1 << 20, '\n') +
                             "2024-01-01 01:00:00,50.0,40,33.0,50.0\r\n"
                             "not a time,1,2,3,4\r\n\r\n"  // a blank line is no skipped one
                             "2024-01-01 01:05:00,--,41,--,--\r\n"
                             "2024-01-01 01:10:00,51.8,4");  // still being written
    CardLogOutcome added = Add();
    ASSERT_TRUE(added.status) << added.status.message;
    EXPECT_EQ(added.rowsAdded, 2);
    EXPECT_EQ(added.linesSkipped, 1);
    std::vector<ArchiveRow> rows = Rows(*archive);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].time, 1704067200);  // 01:00 at UTC+1
    EXPECT_EQ(*rows[0].temperature, 10.0);
    EXPECT_EQ(*rows[0].humidity, 40.0);
    EXPECT_EQ(*rows[0].dewPoint, 0.56);  // to hundredths
    EXPECT_FALSE(rows[1].temperature || rows[1].dewPoint || rows[1].heatIndex);

    // The line ends; nothing before it is taken again.
    Append("1,40.0,51.8\r\n");
    added = Add();
    EXPECT_EQ(added.rowsAdded, 1);
    EXPECT_EQ(added.linesSkipped, 0);
    EXPECT_EQ(archive->Position("s", "CH3.CSV").offset, test::ReadAll(copy).size());
    rows = Rows(*archive);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(*rows[2].temperature, 11.0);
    EXPECT_EQ(*rows[2].humidity, 41.0);
    EXPECT_EQ(Add().rowsAdded, 0);

    // A copy shorter than what was read is a new log: read from its start.
    test::WriteAll(copy, std::string(HEADER_F) + "2024-01-02 01:00:00,32.0,40,--,32.0\r\n");
    added = Add();
    EXPECT_EQ(added.rowsAdded, 1);
    EXPECT_EQ(Rows(*archive).size(), 4u);
}

// One line read by the record import and by the archive: the same fields,
// each store with its own columns and its own rule for a field without a number.
TEST(CardLogLine, TheRecordImportAndTheArchiveReadOneLineAlike) {
    struct Case {
        const char* field;
        float recordTemperature;
        int32_t recordHumidity;
        std::optional<double> archived;  // as temperature and as humidity
    };
    const Case cases[] = {
        {"23.4", 23.4f, 23, 23.4},
        {" -3.5", -3.5f, -3, -3.5},
        {"--", NO_DATA, NO_DATA_INT, std::nullopt},
        {"--.-", NO_DATA, NO_DATA_INT, std::nullopt},
        {"abc", 0.0f, 0, std::nullopt},
        {"", 0.0f, 0, std::nullopt},
        {"1e300", NO_DATA, 1, std::nullopt},
        {".5x", 0.5f, 0, 0.5},
    };
    for (const Case& c : cases) {
        const std::string line = std::string("2024-03-05 14:07:09,") + c.field + "," + c.field +
                                 "," + c.field + "," + c.field;
        const HistoryTable table(std::string(HEADER_F) + line + "\r\n", false);
        const ReadingRecord record = ReadingFromLine(table, 0, DateOrder::MonthFirst);
        EXPECT_EQ(record.temperature, c.recordTemperature) << c.field;
        EXPECT_EQ(record.humidity, c.recordHumidity) << c.field;
        EXPECT_EQ(record.heatindex, c.recordTemperature) << c.field;
        const std::optional<CardLine> card = ParseCardLine(line, DateOrder::MonthFirst, false);
        ASSERT_TRUE(card) << c.field;
        EXPECT_EQ(card->values.temperature, c.archived) << c.field;
        EXPECT_EQ(card->values.humidity, c.archived) << c.field;
        EXPECT_EQ(card->values.heatIndex, c.archived) << c.field;
    }
    // A line that ends early lacks the rest in both.
    const HistoryTable shortLine(std::string(HEADER_F) + "2024-03-05 14:07:09,1\n", false);
    EXPECT_EQ(ReadingFromLine(shortLine, 0, DateOrder::MonthFirst).humidity, NO_DATA_INT);
    EXPECT_FALSE(
        ParseCardLine("2024-03-05 14:07:09,1", DateOrder::MonthFirst, false)->values.humidity);
}

TEST(CardLogNames, OnlyChannelLogsHaveAChannel) {
    struct Case {
        const char* name;
        std::optional<int> channel;
    };
    // clang-format off
    const Case cases[] = {
        {"CH1.CSV", 1}, {"ch8.csv", 8}, {"CH1_BIG.TXT", 1}, {"Ch3_TRICKY.TXT", 3},
        {"CH1.CSV.bak", 1}, {"CH2", 2}, {"CH9.CSV", std::nullopt}, {"CH0.CSV", std::nullopt},
        {"INDOOR.CSV", std::nullopt}, {"CH12.CSV", std::nullopt}, {"XCH1.CSV", std::nullopt},
        {"C1.CSV", std::nullopt}};
    // clang-format on
    for (const Case& c : cases) EXPECT_EQ(ChannelOfCardLog(c.name), c.channel) << c.name;
}

}  // namespace
}  // namespace corvalin
