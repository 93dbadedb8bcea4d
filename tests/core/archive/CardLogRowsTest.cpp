// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <fstream>

#include "archive/CardLogRows.h"
#include "support/Files.h"
#include "support/TempDir.h"

namespace corvalin {
namespace {

const char* const HEADER_F = "Time,Temperature(F),Humidity(%),DewPoint(F),HeatIndex(F)\r\n";

std::vector<ArchiveRow> Rows(ArchiveDatabase& archive) {
    std::vector<ArchiveRow> rows;
    archive.Read({}, [&](const ArchivedRow& stored) {
        rows.push_back(stored.row);
        return true;
    });
    return rows;
}

class CardLogRowsTest : public ::testing::Test {
protected:
    void SetUp() override {
        archive = std::move(*ArchiveDatabase::Open(dir.File("archive.db")).value);
    }
    CardLogOutcome Add() {
        return AddCardLog(*archive, {"s", 3, "CH3.CSV", copy}, CardTimeZone::FixedOffset(3600),
                          DateOrder::MonthFirst);
    }
    void Append(const std::string& text) {
        std::ofstream(copy, std::ios::binary | std::ios::app) << text;
    }

    test::TempDir dir;
    std::string copy = dir.File("CH3.CSV");
    std::unique_ptr<ArchiveDatabase> archive;
};

TEST_F(CardLogRowsTest, TakesWholeNewLinesOnceInCelsius) {
    test::WriteAll(copy, std::string(HEADER_F) +
                             "2024-01-01 01:00:00,50.0,40,32.0,50.0\r\n"
                             "not a time,1,2,3,4\r\n"
                             "2024-01-01 01:05:00,--,41,--,--\r\n"
                             "2024-01-01 01:10:00,51.8,4");  // still being written
    CardLogOutcome added = Add();
    ASSERT_TRUE(added.status) << added.status.message;
    EXPECT_EQ(added.rowsAdded, 2);
    EXPECT_EQ(added.linesSkipped, 1);
    std::vector<ArchiveRow> rows = Rows(*archive);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].time, 1704067200);  // 01:00 at UTC+1
    EXPECT_EQ(rows[0].channel, 3);
    EXPECT_EQ(rows[0].source, RowSource::Card);
    EXPECT_EQ(*rows[0].temperature, 10.0);
    EXPECT_EQ(*rows[0].humidity, 40.0);
    EXPECT_EQ(*rows[0].dewPoint, 0.0);
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

TEST(CardLogNames, OnlyChannelLogsHaveAChannel) {
    struct Case {
        const char* name;
        std::optional<int> channel;
    };
    const Case cases[] = {{"CH1.CSV", 1}, {"ch8.csv", 8},           {"CH9.CSV", std::nullopt},
                          {"CH0.CSV", std::nullopt}, {"INDOOR.CSV", std::nullopt},
                          {"CH1.CSV.bak", std::nullopt}, {"CH12.CSV", std::nullopt}};
    for (const Case& c : cases) EXPECT_EQ(ChannelOfCardLog(c.name), c.channel) << c.name;
}

}  // namespace
}  // namespace corvalin
