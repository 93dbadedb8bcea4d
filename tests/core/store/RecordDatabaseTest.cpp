#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>

#include "core/store/RecordTestSupport.h"
#include "device/ReadingFormat.h"
#include "store/RecordDatabase.h"
#include "support/TempDir.h"

namespace corvalin {
namespace {

using test::Reading;

class RecordDatabaseTest : public ::testing::Test {
protected:
    // The import's order of calls: clear, then append.
    void Import(const std::vector<ReadingRecord>& records) {
        ASSERT_EQ(db.Connect(path), 0) << db.LastError();
        ASSERT_EQ(db.ClearTables(), 0) << db.LastError();
        ASSERT_EQ(db.Connect(path), 0) << db.LastError();
        ASSERT_EQ(db.OpenForAppend(), 0) << db.LastError();
        for (const ReadingRecord& record : records)
            ASSERT_EQ(db.AppendRecord(record), 0) << db.LastError();
        ASSERT_EQ(db.CloseCursor(), 0);
    }

    // The graph's order of calls for one column.
    int64_t Count(const std::string& start, const std::string& end, const std::string& column) {
        RecordDatabase graph;
        EXPECT_EQ(graph.Connect(path), 0) << graph.LastError();
        EXPECT_EQ(graph.CountRange(start, end, column), 0) << graph.LastError();
        return graph.FieldValue("Count").ToInteger();
    }
    std::vector<std::string> Times(const std::string& start, const std::string& end,
                                   const std::string& column) {
        RecordDatabase graph;
        std::vector<std::string> times;
        EXPECT_EQ(graph.Connect(path), 0) << graph.LastError();
        EXPECT_EQ(graph.SelectRange(start, end, column), 0) << graph.LastError();
        while (!graph.AtEnd()) {
            times.push_back(graph.FieldValue("Time").ToText());
            EXPECT_EQ(graph.NextRow(), 0);
        }
        return times;
    }

    test::TempDir dir;
    std::string path = dir.File("7500.db");
    RecordDatabase db;
};

TEST_F(RecordDatabaseTest, RangeExcludesItsStartAndIncludesItsEnd) {
    Import({Reading("2024-03-05 10:00:00", 20.0f), Reading("2024-03-05 10:00:01", 21.0f),
            Reading("2024-03-05 10:30:00", 22.0f), Reading("2024-03-05 11:00:00", 23.0f),
            Reading("2024-03-05 11:00:01", 24.0f)});
    const std::string start = "2024-03-05 10:00:00", end = "2024-03-05 11:00:00";
    EXPECT_EQ(Count(start, end, "Temperature"), 3);
    EXPECT_EQ(Times(start, end, "Temperature"),
              (std::vector<std::string>{"2024-03-05 10:00:01", "2024-03-05 10:30:00",
                                        "2024-03-05 11:00:00"}));
    // Equal ends give nothing.
    EXPECT_EQ(Count(start, start, "Temperature"), 0);
    EXPECT_TRUE(Times(end, end, "Temperature").empty());
}

TEST_F(RecordDatabaseTest, RangeTextHoursWithoutLeadingZeroCompareAsTime) {
    Import({Reading("2024-03-05 08:59:59", 1.0f), Reading("2024-03-05 09:30:00", 2.0f),
            Reading("2024-03-05 10:30:00", 3.0f)});
    EXPECT_EQ(Times("2024-03-05 9:00:00", "2024-03-05 10:00:00", "Temperature"),
              std::vector<std::string>{"2024-03-05 09:30:00"});
    EXPECT_EQ(Count("2024-03-05 8:00:00", "2024-03-05 9:30:00", "Humidity"), 2);
}

TEST_F(RecordDatabaseTest, NoDataIsLeftOutOfItsOwnColumnOnly) {
    Import({Reading("2024-03-05 10:00:00", 20.0f, 40, NO_DATA, 21.0f),
            Reading("2024-03-05 10:05:00", NO_DATA, NO_DATA_INT, NO_DATA, NO_DATA),
            Reading("2024-03-05 10:10:00", 22.0f, NO_DATA_INT, 12.0f, NO_DATA)});
    const std::string start = "2024-03-05 0:00:00", end = "2024-03-06 0:00:00";
    EXPECT_EQ(Count(start, end, "Temperature"), 2);
    EXPECT_EQ(Count(start, end, "Humidity"), 1);
    // The graph names the dew point column "DewPoint".
    EXPECT_EQ(Count(start, end, "DewPoint"), 1);
    EXPECT_EQ(Times(start, end, "DewPoint"), std::vector<std::string>{"2024-03-05 10:10:00"});
    EXPECT_EQ(Times(start, end, "heatindex"), std::vector<std::string>{"2024-03-05 10:00:00"});
}

TEST_F(RecordDatabaseTest, RowsComeInAscendingTimeWhateverTheAppendOrder) {
    std::vector<ReadingRecord> records;
    for (int minute = 0; minute < 60; ++minute) {
        char iso[32];
        std::snprintf(iso, sizeof iso, "2024-03-05 %02d:%02d:00", 9 + minute % 3, minute);
        records.push_back(Reading(iso, static_cast<float>(minute)));
    }
    std::shuffle(records.begin(), records.end(), std::mt19937(7));
    // Two readings of the same time keep the order they were appended in.
    records.push_back(Reading("2024-03-05 10:00:00", 100.0f));
    records.push_back(Reading("2024-03-05 10:00:00", 101.0f));
    Import(records);

    RecordDatabase graph;
    ASSERT_EQ(graph.Connect(path), 0);
    ASSERT_EQ(graph.SelectRange("2024-03-05 0:00:00", "2024-03-06 0:00:00", "Temperature"), 0);
    std::vector<std::string> times;
    std::vector<float> atTen;
    for (; !graph.AtEnd(); graph.NextRow()) {
        times.push_back(graph.FieldValue("Time").ToText());
        if (times.back() == "2024-03-05 10:00:00")
            atTen.push_back(graph.FieldValue("Temperature").ToFloat());
    }
    EXPECT_EQ(times.size(), records.size());
    EXPECT_TRUE(std::is_sorted(times.begin(), times.end()));
    ASSERT_GE(atTen.size(), 2u);
    EXPECT_EQ(atTen[atTen.size() - 2], 100.0f);
    EXPECT_EQ(atTen.back(), 101.0f);
}

TEST_F(RecordDatabaseTest, ReadingsOfOneSecondKeepTheirAppendOrderAcrossGapsAndSessions) {
    // The clock went back an hour (summer time ends): 10:00:00 comes twice.
    std::vector<ReadingRecord> records = {Reading("2024-10-27 10:00:00", 1.0f),
                                          Reading("2024-10-27 10:30:00", 2.0f),
                                          Reading("2024-10-27 10:00:00", 3.0f)};
    for (int i = 0; i < 100; ++i) records.push_back(Reading("2024-10-27 10:00:00", 10.0f + i));
    ASSERT_EQ(db.Connect(path), 0);
    ASSERT_EQ(db.ClearTables(), 0);
    ASSERT_EQ(db.OpenForAppend(), 0);
    const auto outcome = db.AppendRecords(records, [](size_t index, const std::string& message) {
        ADD_FAILURE() << index << ": " << message;
    });
    ASSERT_EQ(outcome.stored, records.size());
    // A later session appends behind what is there.
    ASSERT_EQ(db.Connect(path), 0);
    ASSERT_EQ(db.OpenForAppend(), 0);
    ASSERT_EQ(db.AppendRecord(Reading("2024-10-27 10:00:00", 500.0f)), 0);
    ASSERT_EQ(db.CloseCursor(), 0);

    std::vector<float> atTen;
    ASSERT_EQ(db.SelectRange("2024-10-27 9:59:59", "2024-10-27 10:00:00", "Temperature"), 0);
    for (; !db.AtEnd(); db.NextRow()) atTen.push_back(db.FieldValue("Temperature").ToFloat());
    ASSERT_EQ(atTen.size(), 103u);
    EXPECT_EQ(atTen[0], 1.0f);
    EXPECT_EQ(atTen[1], 3.0f);
    EXPECT_EQ(atTen[2], 10.0f);
    EXPECT_EQ(atTen[101], 109.0f);
    EXPECT_EQ(atTen[102], 500.0f);
}

TEST_F(RecordDatabaseTest, AnEarlierLayoutIsUpgradedWithItsRows) {
    ASSERT_EQ(
        test::ExecuteOn(path,
                        "PRAGMA journal_mode=WAL;"
                        "CREATE TABLE Records (Time TEXT NOT NULL, Temperature REAL,"
                        " Humidity INTEGER, Dewpoint REAL, Heatindex REAL);"
                        "CREATE INDEX RecordsByTime ON Records(Time);"
                        "CREATE TABLE Param (Name TEXT, Value TEXT);"
                        "INSERT INTO Records VALUES ('2024-03-05 10:00:00', 2.5, 40, 1.0, 3.0),"
                        " ('2024-03-05 09:00:00', 1.5, 41, 1.0, 3.0),"
                        " ('2024-03-05 10:00:00', 3.5, 42, 65535, 3.0)",
                        true),
        "");
    ASSERT_EQ(db.Connect(path), 0) << db.LastError();
    EXPECT_EQ(Times("2024-03-05 0:00:00", "2024-03-06 0:00:00", "Temperature"),
              (std::vector<std::string>{"2024-03-05 09:00:00", "2024-03-05 10:00:00",
                                        "2024-03-05 10:00:00"}));
    EXPECT_EQ(Count("2024-03-05 0:00:00", "2024-03-06 0:00:00", "Dewpoint"), 2);
    EXPECT_EQ(test::DumpRecords(path)[2],
              "2024-03-05 10:00:00|real:3.5|integer:42|real:65535.0|real:3.0");
    // Appending after the upgrade goes on behind the rows of that second.
    ASSERT_EQ(db.OpenForAppend(), 0);
    ASSERT_EQ(db.AppendRecord(Reading("2024-03-05 10:00:00", 4.5f)), 0);
    EXPECT_EQ(test::DumpRecords(path).back(),
              "2024-03-05 10:00:00|real:4.5|integer:50|real:10.0|real:20.0");
}

TEST_F(RecordDatabaseTest, FieldsReadBackAsWritten) {
    Import({Reading("2024-03-05 14:07:09", 23.4f, 45, -3.5f, 24.1f)});
    RecordDatabase graph;
    ASSERT_EQ(graph.Connect(path), 0);
    ASSERT_EQ(graph.SelectRange("2024-03-05 14:07:08", "2024-03-05 14:07:09", "TEMPERATURE"), 0);
    ASSERT_FALSE(graph.AtEnd());
    EXPECT_EQ(graph.FieldValue("time").ToText(), "2024-03-05 14:07:09");
    EXPECT_EQ(graph.FieldValue("Temperature").ToFloat(), 23.4f);
    EXPECT_EQ(graph.FieldValue("Humidity").storage(), StoredValue::Storage(int64_t{45}));
    EXPECT_EQ(graph.FieldValue("DewPoint").ToFloat(), -3.5f);
    EXPECT_EQ(graph.FieldValue("Heatindex").ToFloat(), 24.1f);
    EXPECT_TRUE(graph.FieldValue("NoSuchColumn").IsNull());
    // Stored as the decimal it was read from, readable in any SQLite tool.
    EXPECT_EQ(
        test::DumpRecords(path),
        std::vector<std::string>{"2024-03-05 14:07:09|real:23.4|integer:45|real:-3.5|real:24.1"});
    EXPECT_EQ(graph.NextRow(), 0);
    EXPECT_TRUE(graph.AtEnd());
    EXPECT_TRUE(graph.FieldValue("Time").IsNull());
}

TEST_F(RecordDatabaseTest, TimesThatAreNoDateAreStoredAsTheirOleDates) {
    Import({Reading("2024-03-05 14:07:09", 1.0f),
            {0.0, 2.0f, 1, 1.0f, 1.0f},
            {-1.0, 3.0f, 1, 1.0f, 1.0f}});
    EXPECT_EQ(Times("1899-12-29 0:00:00", "1899-12-30 0:00:00", "Temperature"),
              std::vector<std::string>{"1899-12-30 00:00:00"});
    EXPECT_EQ(Times("1899-12-28 0:00:00", "1899-12-29 0:00:00", "Temperature"),
              std::vector<std::string>{"1899-12-29 00:00:00"});
    // A time no calendar holds cannot be stored.
    ASSERT_EQ(db.Connect(path), 0);
    ASSERT_EQ(db.OpenForAppend(), 0);
    EXPECT_EQ(db.AppendRecord({1e12, 1.0f, 1, 1.0f, 1.0f}), 2);
    EXPECT_FALSE(db.LastError().empty());
}

TEST_F(RecordDatabaseTest, ColumnNamesAndRangeTextsAreCheckedBeforeAnyQuery) {
    Import({Reading("2024-03-05 10:00:00", 20.0f)});
    ASSERT_EQ(db.Connect(path), 0);
    const std::string start = "2024-03-05 0:00:00", end = "2024-03-06 0:00:00";
    EXPECT_EQ(db.CountRange(start, end, "Temperature<>0 OR 1=1; DROP TABLE Records; --"), 1);
    EXPECT_NE(db.LastError().find("No such column"), std::string::npos);
    EXPECT_EQ(db.SelectRange(start, end, "Time"), 1);
    EXPECT_EQ(db.CountRange("2024-13-05 0:00:00", end, "Temperature"), 1);
    EXPECT_NE(db.LastError().find("2024-13-05"), std::string::npos);
    EXPECT_EQ(db.SelectRange(start, "' OR ''='", "Temperature"), 1);
    EXPECT_EQ(Count(start, end, "Temperature"), 1);
}

TEST_F(RecordDatabaseTest, ClearTablesEmptiesBothTables) {
    ASSERT_EQ(db.Connect(path), 0);
    EXPECT_EQ(db.ClearTables(), 0) << db.LastError();  // already empty
    Import({Reading("2024-03-05 10:00:00", 20.0f)});
    ASSERT_EQ(test::ExecuteOn(path, "INSERT INTO Param VALUES ('a', 'b')"), "");
    ASSERT_EQ(test::CountRows(path, "Param"), 1);
    ASSERT_EQ(db.Connect(path), 0);
    EXPECT_EQ(db.ClearTables(), 0) << db.LastError();
    EXPECT_EQ(test::CountRows(path, "Records"), 0);
    EXPECT_EQ(test::CountRows(path, "Param"), 0);
}

TEST_F(RecordDatabaseTest, ConnectFailuresAreReportedAndNothingIsReplaced) {
    EXPECT_EQ(db.Connect(dir.File("missing/7500.db")), -1);
    EXPECT_FALSE(db.LastError().empty());
    EXPECT_EQ(db.ClearTables(), 1);
    EXPECT_EQ(db.LastError(), "The record database is not open");
    EXPECT_EQ(db.CountRange("2024-03-05 0:00:00", "2024-03-06 0:00:00", "Temperature"), 1);
    EXPECT_EQ(db.OpenForAppend(), 1);
    EXPECT_EQ(db.AppendRecord({}), 2);
    EXPECT_TRUE(db.AtEnd());

    const std::string foreign = dir.File("foreign.db");
    std::ofstream(foreign, std::ios::binary) << std::string(4096, 'x');
    EXPECT_EQ(db.Connect(foreign), -1);
    EXPECT_NE(db.LastError().find("not a database"), std::string::npos) << db.LastError();
    std::ifstream in(foreign, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), std::string(4096, 'x'));

    // A database without the Records table is not one of ours either.
    const std::string other = dir.File("other.db");
    ASSERT_EQ(test::ExecuteOn(other, "CREATE TABLE Other (x)", true), "");
    EXPECT_EQ(db.Connect(other), -1);
    EXPECT_NE(db.LastError().find("Records"), std::string::npos) << db.LastError();
}

TEST(RecordDatabaseLifetime, DestroyingAnUnusedOrFailedObjectIsQuiet) {
    { RecordDatabase unused; }
    RecordDatabase failed;
    EXPECT_EQ(failed.Connect("/nonexistent-folder/7500.db"), -1);
}

TEST_F(RecordDatabaseTest, BatchAppendStoresExactlyWhatSingleAppendsStore) {
    std::vector<ReadingRecord> records;
    std::mt19937 random(3);
    for (int i = 0; i < 300; ++i) {  // four full batches and a partial one
        ReadingRecord record = Reading("2024-03-05 10:00:00", 0.0f);
        record.time += (static_cast<int>(random() % 5000) - 100) / 1440.0;
        record.temperature =
            i % 17 == 0 ? NO_DATA : static_cast<float>(random() % 900) / 10.0f - 40.0f;
        record.humidity = i % 23 == 0 ? NO_DATA_INT : static_cast<int32_t>(random() % 101);
        record.dewpoint = static_cast<float>(random() % 1000) / 7.0f;
        record.heatindex = i % 5 == 0 ? NO_DATA : 1e-3f * static_cast<float>(i);
        if (i == 50) record.time = 0.0;
        if (i == 51) record.time = -1.0;
        records.push_back(record);
    }
    Import(records);
    const auto single = test::DumpRecords(path, true);

    const std::string other = dir.File("batch.db");
    RecordDatabase batch;
    ASSERT_EQ(batch.Connect(other), 0);
    ASSERT_EQ(batch.OpenForAppend(), 0);
    const auto outcome = batch.AppendRecords(records, [](size_t index, const std::string& message) {
        ADD_FAILURE() << index << ": " << message;
    });
    EXPECT_EQ(outcome.stored, records.size());
    EXPECT_FALSE(outcome.stopped);
    ASSERT_EQ(single.size(), records.size());
    EXPECT_EQ(test::DumpRecords(other, true), single);
}

TEST_F(RecordDatabaseTest, ARowThatCannotBeStoredIsReportedAndSkipped) {
    ASSERT_EQ(db.Connect(path), 0);
    ASSERT_EQ(
        test::ExecuteOn(path,
                        "CREATE TRIGGER refuse BEFORE INSERT ON Records WHEN NEW.Humidity = 13 "
                        "BEGIN SELECT RAISE(ABORT, 'refused'); END"),
        "");
    ASSERT_EQ(db.Connect(path), 0);
    ASSERT_EQ(db.OpenForAppend(), 0);
    EXPECT_EQ(db.AppendRecord(Reading("2024-03-05 10:00:00", 1.0f, 13)), 2);
    EXPECT_EQ(db.LastError(), "refused");
    EXPECT_EQ(db.AppendRecord(Reading("2024-03-05 10:00:00", 1.0f, 14)), 0);

    std::vector<ReadingRecord> records;
    for (int i = 0; i < 200; ++i) records.push_back(Reading("2024-03-05 11:00:00", 2.0f, i % 50));
    std::vector<size_t> failed;
    const auto outcome = db.AppendRecords(records, [&](size_t index, const std::string& message) {
        failed.push_back(index);
        EXPECT_EQ(message, "refused");
    });
    EXPECT_EQ(failed, (std::vector<size_t>{13, 63, 113, 163}));
    EXPECT_EQ(outcome.stored, 196u);
    EXPECT_FALSE(outcome.stopped);
    EXPECT_EQ(test::DumpRecords(path).size(), 197u);
}

TEST_F(RecordDatabaseTest, ARolledBackTransactionKeepsThePreviousRows) {
    Import({Reading("2024-03-05 10:00:00", 20.0f), Reading("2024-03-05 10:05:00", 21.0f)});
    const auto previous = test::DumpRecords(path);

    ASSERT_EQ(db.Connect(path), 0);
    ASSERT_EQ(db.BeginTransaction(), 0);
    ASSERT_EQ(db.ClearTables(), 0);
    ASSERT_EQ(db.Connect(path), 0);  // the import's second Connect keeps the transaction
    ASSERT_EQ(db.OpenForAppend(), 0);
    ASSERT_EQ(db.AppendRecord(Reading("2024-03-06 10:00:00", 30.0f)), 0);
    EXPECT_TRUE(db.InTransaction());
    db.RollbackTransaction();
    EXPECT_EQ(test::DumpRecords(path), previous);

    // A failure that undoes the transaction itself stops the appending.
    ASSERT_EQ(test::ExecuteOn(path,
                              "CREATE TRIGGER undo BEFORE INSERT ON Records WHEN NEW.Humidity = 99 "
                              "BEGIN SELECT RAISE(ROLLBACK, 'disk gone'); END"),
              "");
    ASSERT_EQ(db.Connect(path), 0);
    ASSERT_EQ(db.BeginTransaction(), 0);
    ASSERT_EQ(db.ClearTables(), 0);
    ASSERT_EQ(db.OpenForAppend(), 0);
    std::vector<ReadingRecord> records(150, Reading("2024-03-07 10:00:00", 1.0f, 1));
    records[100].humidity = 99;
    size_t reported = 0;
    const auto outcome = db.AppendRecords(records, [&](size_t, const std::string&) { ++reported; });
    EXPECT_TRUE(outcome.stopped);
    EXPECT_NE(outcome.stopMessage.find("disk gone"), std::string::npos) << outcome.stopMessage;
    EXPECT_FALSE(db.InTransaction());
    EXPECT_EQ(db.CommitTransaction(), 1);
    EXPECT_EQ(test::DumpRecords(path), previous);
}

TEST_F(RecordDatabaseTest, ReadSeriesGivesEachColumnTheRowsOfItsOwnQuery) {
    std::vector<ReadingRecord> records;
    std::mt19937 random(11);
    for (int i = 0; i < 500; ++i) {
        ReadingRecord record = Reading("2024-03-05 00:00:00", 0.0f);
        record.time += static_cast<double>(random() % 2000) / 1440.0;
        record.temperature =
            random() % 7 == 0 ? NO_DATA : static_cast<float>(random() % 400) / 10.0f;
        record.humidity = random() % 5 == 0 ? NO_DATA_INT : static_cast<int32_t>(random() % 100);
        record.dewpoint = random() % 3 == 0 ? NO_DATA : static_cast<float>(random() % 200) / 10.0f;
        record.heatindex = random() % 4 == 0 ? NO_DATA : static_cast<float>(random() % 450) / 10.0f;
        records.push_back(record);
    }
    Import(records);

    const std::string start = "2024-03-05 3:00:00", end = "2024-03-06 2:30:00";
    const std::vector<std::string> columns = {"Temperature", "DewPoint", "Heatindex", "Humidity"};
    std::vector<RecordSeries> series;
    ASSERT_EQ(db.Connect(path), 0);
    ASSERT_EQ(db.ReadSeries(start, end, columns, series), 0) << db.LastError();
    ASSERT_EQ(series.size(), columns.size());
    for (size_t i = 0; i < columns.size(); ++i) {
        RecordDatabase graph;
        ASSERT_EQ(graph.Connect(path), 0);
        ASSERT_EQ(graph.CountRange(start, end, columns[i]), 0);
        const auto count = graph.FieldValue("Count").ToInteger();
        EXPECT_GT(count, 0);
        ASSERT_EQ(series[i].times.size(), static_cast<size_t>(count)) << columns[i];
        ASSERT_EQ(series[i].values.size(), static_cast<size_t>(count));
        ASSERT_EQ(graph.Connect(path), 0);
        ASSERT_EQ(graph.SelectRange(start, end, columns[i]), 0);
        for (size_t row = 0; !graph.AtEnd(); ++row, graph.NextRow()) {
            const auto time = ParseIsoText(graph.FieldValue("Time").ToText());
            ASSERT_TRUE(time);
            EXPECT_EQ(series[i].times[row], OleDateFromCivil(*time));
            EXPECT_EQ(series[i].values[row],
                      static_cast<double>(graph.FieldValue(columns[i]).ToFloat()));
        }
    }
    EXPECT_EQ(series[1].column, "Dewpoint");
    EXPECT_EQ(db.ReadSeries(start, end, {"Temperature", "Pressure"}, series), 1);
}

}  // namespace
}  // namespace corvalin
