// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <tuple>

#include "common/Readings.h"
#include "core/store/RecordTestSupport.h"
#include "store/RecordDatabase.h"
#include "store/RecordKey.h"
#include "support/Files.h"
#include "support/TempDir.h"

namespace corvalin {
namespace {

using test::Reading;
using test::Rows;

// Readings at whole minutes over some 33 hours out of order, with missing
// values, times that are no date, and floats without a short decimal.
std::vector<ReadingRecord> MixedReadings(int count) {
    std::vector<ReadingRecord> records;
    for (int i = 0; i < count; ++i) {
        records.push_back({OleDateFromCivil({2024, 3, 5}) + (i * 37 % 2000) / 1440.0,
                           i % 7 == 0 ? NO_DATA : i / 7.0f, i % 5 == 0 ? NO_DATA_INT : i % 101,
                           i % 3 == 0 ? NO_DATA : i / 3.0f, i / 1000.0f});
    }
    records[5].time = 0.0;
    records[6].time = -1.0;
    return records;
}

class RecordDatabaseTest : public ::testing::Test {
protected:
    // The import's order of calls, one record at a time: clear, then append.
    void Import(const std::vector<ReadingRecord>& records, const std::string& file = {}) {
        ASSERT_EQ(db.Connect(file.empty() ? path : file), 0) << db.LastError();
        ASSERT_EQ(db.ClearTables(), 0) << db.LastError();
        ASSERT_EQ(db.OpenForAppend(), 0) << db.LastError();
        for (const ReadingRecord& record : records) ASSERT_EQ(db.AppendRecord(record), 0);
        ASSERT_EQ(db.CloseCursor(), 0);
    }
    // The graph's order of calls for one column: the count, then the rows'
    // values of `field`.
    Rows Select(const std::string& start, const std::string& end, const std::string& column,
                const std::string& field = "Time") {
        RecordDatabase graph;
        EXPECT_EQ(graph.Connect(path), 0) << graph.LastError();
        EXPECT_EQ(graph.CountRange(start, end, column), 0) << graph.LastError();
        const int64_t count = graph.FieldValue("Count").ToInteger();
        EXPECT_EQ(graph.SelectRange(start, end, column), 0) << graph.LastError();
        Rows rows;
        for (; !graph.AtEnd(); graph.NextRow()) rows.push_back(graph.FieldValue(field).ToText());
        EXPECT_EQ(static_cast<size_t>(count), rows.size()) << column;
        return rows;
    }

    test::TempDir dir;
    std::string path = dir.File("7500.db");
    RecordDatabase db;
};

TEST_F(RecordDatabaseTest, RangesExcludeTheirStartIncludeTheirEndAndLeaveOutNoData) {
    const std::string day = "2024-03-05 0:00:00", next = "2024-03-06 0:00:00";
    const std::string t0930 = "2024-03-05 09:30:00", t1000 = "2024-03-05 10:00:00",
                      t1001 = "2024-03-05 10:00:01", t1100 = "2024-03-05 11:00:00",
                      t1101 = "2024-03-05 11:00:01";
    // Times that are no date (0 and -1) are stored as their OLE dates.
    // clang-format off
    Import({Reading(t0930, 23.4f, 40, NO_DATA, 21.0f), {0.0, 1.0f, 1, 1.0f, 1.0f},
            {-1.0, 1.0f, 1, 1.0f, 1.0f}, Reading(t1000, NO_DATA, NO_DATA_INT, NO_DATA, NO_DATA),
            Reading(t1001, 3.0f, NO_DATA_INT, 12.0f, NO_DATA), Reading(t1100, 4.0f),
            Reading(t1101, 5.0f)});
    // Hours without a leading zero: 9 o'clock comes before 10. Each quantity's
    // own missing values are left out by the graph's test.
    const std::tuple<std::string, std::string, Rows> rows[] = {
        {t1000, t1100, {t1001, t1100}}, {t1100, t1100, {}},
        {"2024-03-05 9:00:00", t1001, {t0930, t1001}},
        {"2024-3-5 0:00:00", "2024-03-05 9:30:00", {t0930}},
        {"1899-12-28 0:00:00", "1899-12-30 0:00:00",
         {"1899-12-29 00:00:00", "1899-12-30 00:00:00"}},
    };
    // clang-format on
    for (const auto& [start, end, times] : rows) {
        EXPECT_EQ(Select(start, end, "Temperature"), times) << start << " to " << end;
    }
    // Column names and range texts are checked before any query.
    EXPECT_EQ(db.CountRange(day, next, "Temperature<>0 OR 1=1; DROP TABLE Records; --"), 1);
    EXPECT_NE(db.LastError().find("No such column"), std::string::npos);
    EXPECT_EQ(db.SelectRange(day, next, "Time"), 1);
    EXPECT_EQ(db.CountRange("2024-13-05 0:00:00", next, "Temperature"), 1);
    EXPECT_NE(db.LastError().find("2024-13-05"), std::string::npos);
    EXPECT_EQ(db.SelectRange(day, "' OR ''='", "Temperature"), 1);
    EXPECT_EQ(Select(day, next, "Temperature").size(), 4u);

    // Fields by name in any case; none past the end.
    ASSERT_EQ(db.SelectRange("2024-03-05 9:29:59", "2024-03-05 9:30:00", "TEMPERATURE"), 0);
    EXPECT_EQ(db.FieldValue("time").ToText(), t0930);
    EXPECT_EQ(db.FieldValue("Temperature").ToFloat(), 23.4f);
    EXPECT_EQ(db.FieldValue("Humidity").storage(), StoredValue::Storage(int64_t{40}));
    EXPECT_TRUE(db.FieldValue("NoSuchColumn").IsNull());
    EXPECT_EQ(db.NextRow(), 0);
    EXPECT_TRUE(db.AtEnd() && db.FieldValue("Time").IsNull());
}

TEST_F(RecordDatabaseTest, RowsInTimeOrderOneSecondsInTheOrderAppendedAndSeriesOfTheSame) {
    std::vector<ReadingRecord> records = MixedReadings(300);  // 4 batches and a part
    // The clock went back an hour (summer time ends): 10:00:00 comes again
    // after the others, more than a batch of times.
    records.insert(records.begin(), Reading("2024-03-05 10:00:00", 1.5f));
    for (int i = 0; i < 100; ++i) records.push_back(Reading("2024-03-05 10:00:00", 100.5f + i));
    ASSERT_EQ(db.Connect(path), 0);
    ASSERT_EQ(db.OpenForAppend(), 0);
    EXPECT_EQ(db.AppendRecords(records, [](size_t i, auto&) { ADD_FAILURE() << i; }).stored,
              records.size());
    // Appended in batches or one at a time, the rows and their keys are the same.
    Import(records, dir.File("single.db"));
    EXPECT_EQ(test::DumpRecords(dir.File("single.db"), true), test::DumpRecords(path, true));

    const Rows all = Select("1899-12-28 0:00:00", "2024-03-07 0:00:00", "Humidity");
    EXPECT_TRUE(std::is_sorted(all.begin(), all.end()));
    const Rows atTen =
        Select("2024-03-05 9:59:59", "2024-03-05 10:00:00", "Temperature", "Temperature");
    ASSERT_GE(atTen.size(), 101u);
    EXPECT_EQ((Rows{atTen.front(), atTen[atTen.size() - 100], atTen.back()}),
              (Rows{"1.5", "100.5", "199.5"}));
}

TEST_F(RecordDatabaseTest, AnEarlierLayoutIsUpgradedWithItsRowsAndOtherFilesAreRefused) {
    ASSERT_EQ(test::Sql(path,
                        "PRAGMA journal_mode=WAL; CREATE TABLE Records (Time TEXT NOT NULL,"
                        " Temperature REAL, Humidity INTEGER, Dewpoint REAL, Heatindex REAL);"
                        " CREATE INDEX RecordsByTime ON Records(Time); CREATE TABLE Param (Name"
                        " TEXT, Value TEXT); INSERT INTO Records VALUES ('2024-03-05 10:00:00',"
                        " 2.5, 40, 1.0, 3.0), ('2024-03-05 09:00:00', 1.5, 41, 1.0, 3.0),"
                        " ('2024-03-05 10:00:00', 3.5, 42, 65535, 3.0)"),
              Rows{"wal"});
    ASSERT_EQ(db.Connect(path), 0) << db.LastError();
    // Appending after the upgrade goes on behind the rows of that second,
    // stored as the decimal it was read from, readable in any SQLite tool.
    ASSERT_EQ(db.OpenForAppend(), 0);
    ASSERT_EQ(db.AppendRecord(Reading("2024-03-05 10:00:00", 23.4f)), 0);
    EXPECT_EQ(test::DumpRecords(path),
              (Rows{"2024-03-05 09:00:00|real:1.5|integer:41|real:1.0|real:3.0",
                    "2024-03-05 10:00:00|real:2.5|integer:40|real:1.0|real:3.0",
                    "2024-03-05 10:00:00|real:3.5|integer:42|real:65535.0|real:3.0",
                    "2024-03-05 10:00:00|real:23.4|integer:50|real:10.0|real:20.0"}));

    // Neither a file that is no database nor a database without Records is ours.
    const std::string foreign = dir.File("foreign.db"), other = dir.File("other.db");
    test::WriteAll(foreign, std::string(4096, 'x'));
    EXPECT_EQ(db.Connect(foreign), -1);
    EXPECT_NE(db.LastError().find("not a database"), std::string::npos) << db.LastError();
    EXPECT_EQ(test::ReadAll(foreign), std::string(4096, 'x'));
    ASSERT_EQ(test::Sql(other, "CREATE TABLE Other (x)"), Rows{});
    EXPECT_EQ(db.Connect(other), -1);
    EXPECT_NE(db.LastError().find("Records"), std::string::npos) << db.LastError();
    // A link in the database's place is not followed: the file it names stays as it is.
    const std::string linked = dir.File("linked.db");
    std::filesystem::create_symlink(path, linked);
    const Rows before = test::DumpRecords(path);
    EXPECT_EQ(db.Connect(linked), -1);
    EXPECT_NE(db.LastError().find("symbolic link"), std::string::npos) << db.LastError();
    EXPECT_EQ(db.ClearTables(), 1);
    EXPECT_EQ(db.LastError(), "The record database is not open");
    EXPECT_EQ(test::DumpRecords(path), before);
}

// Clearing tables that are already empty is every first Import's.
TEST_F(RecordDatabaseTest, ClearingAndFailedRowsInsideAndOutsideATransaction) {
    Import({Reading("2024-03-05 10:00:00", 20.0f), Reading("2024-03-05 10:05:00", 21.0f)});
    ASSERT_EQ(test::Sql(path, "INSERT INTO Param VALUES ('a', 'b')"), Rows{});
    const Rows previous = test::DumpRecords(path);
    ASSERT_EQ(test::Sql(path,
                        "CREATE TRIGGER refuse BEFORE INSERT ON Records WHEN NEW.Humidity"
                        " = 13 BEGIN SELECT RAISE(ABORT, 'refused'); END"),
              Rows{});
    ASSERT_EQ(db.Connect(path), 0);
    ASSERT_EQ(db.BeginTransaction(), 0);
    ASSERT_EQ(db.ClearTables(), 0);
    ASSERT_EQ(db.Connect(path), 0);  // the import's second Connect keeps the transaction
    ASSERT_EQ(db.OpenForAppend(), 0);
    ReadingRecord timeless = Reading("2024-03-05 10:00:00", 1.0f);
    timeless.time = 1e9;  // far beyond the year 9999
    EXPECT_EQ(db.AppendRecord(timeless), 2);
    EXPECT_EQ(db.LastError(), "The time of the reading is not a date of the years 100 to 9999");
    std::vector<ReadingRecord> records;
    // More than a full batch of rows, so that a failing batch is stored again row by row.
    std::vector<size_t> refused;
    for (size_t i = 0; i < 2 * RecordInserter::BATCH_ROWS + 100; ++i) {
        records.push_back(Reading("2024-03-06 11:00:00", 2.0f, static_cast<int>(i % 50)));
        if (i % 50 == 13) refused.push_back(i);
    }
    std::vector<size_t> failed;
    auto outcome = db.AppendRecords(records, [&](size_t index, const std::string& message) {
        failed.push_back(index);
        EXPECT_EQ(message, "refused");
    });
    EXPECT_EQ(failed, refused);
    EXPECT_EQ(std::pair(outcome.stored, outcome.stopped),
              std::pair(records.size() - refused.size(), false));
    EXPECT_TRUE(db.InTransaction());
    db.RollbackTransaction();
    EXPECT_EQ(test::DumpRecords(path), previous);

    // A failure that undoes the transaction itself is the import's to test.
    // Outside a transaction the clearing holds, of both tables.
    EXPECT_EQ(db.ClearTables(), 0) << db.LastError();
    EXPECT_EQ(test::Sql(path, "SELECT count(*) FROM Records; SELECT count(*) FROM Param"),
              (Rows{"0", "0"}));
}

}  // namespace
}  // namespace corvalin
