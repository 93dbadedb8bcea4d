#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "core/store/RecordTestSupport.h"
#include "history/ImportHistoryFile.h"
#include "history/ImportReading.h"
#include "store/RecordDatabase.h"
#include "store/RecordSchema.h"
#include "support/TempDir.h"

namespace corvalin {
namespace {

const char* const CHANNEL_HEADER = "Time,Temperature(C),Humidity(%),DewPoint(C),HeatIndex(C)\r\n";

class ImportHistoryFileTest : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const std::string& text) {
        const std::string path = dir.File(name);
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    ImportResult Import(const std::string& name, const std::string& text) {
        return ImportHistoryFile(Write(name, text), name, database);
    }
    std::vector<std::string> Stored() const { return test::DumpRecords(database); }

    test::TempDir dir;
    std::string database = dir.File("7500.db");
};

// A log of `lines` readings, some of them missing, some with odd times.
std::string ChannelLog(int lines, int humidityBase = 40) {
    std::string text = CHANNEL_HEADER;
    for (int i = 0; i < lines; ++i) {
        char line[128];
        std::snprintf(line, sizeof line, "2024-03-%02d %02d:%02d:00,%s,%d,%.1f,%.1f\r\n",
                      1 + i / 1440, i / 60 % 24, i % 60,
                      i % 97 == 5 ? "--" : std::to_string(i % 300 / 10.0 - 5).c_str(),
                      humidityBase + i % 50, i % 200 / 10.0, i % 350 / 10.0);
        text += line;
        if (i % 250 == 100) text += "not a time,1.0,2,3.0,4.0\r\n";
    }
    return text;
}

TEST_F(ImportHistoryFileTest, AChannelFileFillsTheTableAndTheDatabase) {
    const ImportResult result =
        Import("CH1_0305.CSV", std::string(CHANNEL_HEADER) +
                                   "2024-03-05 14:07:09,23.4,45,10.8,24.1\r\n"
                                   "2024-03-05 14:12:09,--,--,--.-,--\r\n"
                                   "garbage,-3.5,46,1.0,2.0\r\n"
                                   "2024-02-30 10:00:00,1.5,47\r\n");
    EXPECT_TRUE(result.fileRead);
    EXPECT_TRUE(result.stored);
    EXPECT_TRUE(result.errors.empty()) << result.errors.front();
    EXPECT_FALSE(result.indoorFile);
    EXPECT_EQ(result.unitText, "(°C)");
    EXPECT_EQ(result.Columns().size(), 5u);
    EXPECT_EQ(result.Columns()[3].title, "Dewpoint(°C)");
    ASSERT_EQ(result.table.RowCount(), 4u);
    EXPECT_EQ(result.table.Cell(1, 3), "--.-");
    EXPECT_EQ(result.table.Cell(2, 0), "garbage");
    EXPECT_EQ(result.rowsStored, 4u);
    EXPECT_EQ(Stored(),
              (std::vector<std::string>{
                  "1899-12-29 00:00:00|real:1.5|integer:47|real:65535.0|real:65535.0",
                  "1899-12-30 00:00:00|real:-3.5|integer:46|real:1.0|real:2.0",
                  "2024-03-05 14:07:09|real:23.4|integer:45|real:10.8|real:24.1",
                  "2024-03-05 14:12:09|real:65535.0|integer:65535|real:65535.0|real:65535.0"}));
}

TEST_F(ImportHistoryFileTest, AnIndoorFileHasThreeColumnsAndNoDewPointOrHeatIndex) {
    const ImportResult result = Import("IN_0305.CSV",
                                       "Time,Temperature(F),Humidity(%)\n"
                                       "2024-03-05 14:07:09,70.2,45,10.8,24.1\n");
    EXPECT_TRUE(result.indoorFile);
    EXPECT_EQ(result.unitText, "(°F)");
    EXPECT_EQ(result.Columns().size(), 3u);
    EXPECT_EQ(result.Columns()[1].title, "Temperature(°F)");
    EXPECT_EQ(result.table.Cell(0, 2), "45,10.8,24.1");
    EXPECT_EQ(Stored(), std::vector<std::string>{
                            "2024-03-05 14:07:09|real:70.2|integer:45|real:65535.0|real:65535.0"});
}

TEST_F(ImportHistoryFileTest, StoresWhatTheCallsOneRecordAtATimeStore) {
    const std::string log = ChannelLog(3000);
    const ImportResult result = Import("CH2.CSV", log);
    ASSERT_TRUE(result.stored);

    // The plain order of calls, one staged record after the other.
    const std::string plain = dir.File("plain.db");
    RecordDatabase db;
    ASSERT_EQ(db.Connect(plain), 0);
    ASSERT_EQ(db.ClearTables(), 0);
    ASSERT_EQ(db.Connect(plain), 0);
    ASSERT_EQ(db.OpenForAppend(), 0);
    for (size_t row = 0; row < result.table.RowCount(); ++row) {
        ASSERT_EQ(db.AppendRecord(ReadingFromLine(result.table, row, DateOrder::MonthFirst)), 0);
    }
    ASSERT_EQ(db.CloseCursor(), 0);
    EXPECT_EQ(result.rowsStored, result.table.RowCount());
    EXPECT_EQ(test::DumpRecords(database, true), test::DumpRecords(plain, true));
}

TEST_F(ImportHistoryFileTest, ImportingTwiceGivesTheSameContents) {
    const std::string log = ChannelLog(500);
    ASSERT_TRUE(Import("CH3.CSV", log).stored);
    const auto first = test::DumpRecords(database, true);
    ASSERT_TRUE(Import("CH3.CSV", log).stored);
    EXPECT_EQ(test::DumpRecords(database, true), first);
    EXPECT_EQ(first.size(), 502u);
}

TEST_F(ImportHistoryFileTest, AFailureHalfWayKeepsThePreviousImport) {
    ASSERT_TRUE(Import("CH1.CSV", ChannelLog(300)).stored);
    const auto previous = Stored();
    ASSERT_EQ(test::ExecuteOn(database,
                              "CREATE TRIGGER fail BEFORE INSERT ON Records "
                              "WHEN NEW.Humidity = 177 AND NEW.Time > '2024-03-20' "
                              "BEGIN SELECT RAISE(ROLLBACK, 'disk full'); END"),
              "");

    // The trigger fires some 27000 lines in, long after the deletion.
    const ImportResult result = Import("CH2.CSV", ChannelLog(40000, 140));
    EXPECT_TRUE(result.fileRead);
    EXPECT_FALSE(result.stored);
    EXPECT_EQ(result.rowsStored, 0u);
    ASSERT_FALSE(result.errors.empty());
    EXPECT_NE(result.errors.front().find("disk full"), std::string::npos) << result.errors.front();
    EXPECT_EQ(result.errors.back(), "The record database keeps its previous records.");
    EXPECT_EQ(Stored(), previous);
    // The table still shows the file.
    EXPECT_EQ(result.table.RowCount(), 40000u + 160u);
}

TEST_F(ImportHistoryFileTest, ALineThatCannotBeStoredIsReportedAndSkipped) {
    ASSERT_TRUE(EnsureRecordDatabase(database));
    ASSERT_EQ(
        test::ExecuteOn(database,
                        "CREATE TRIGGER refuse BEFORE INSERT ON Records WHEN NEW.Humidity = 45 "
                        "BEGIN SELECT RAISE(ABORT, 'refused'); END"),
        "");
    const ImportResult result = Import("CH1.CSV", std::string(CHANNEL_HEADER) +
                                                      "2024-03-05 14:07:09,23.4,44,10.8,24.1\r\n"
                                                      "2024-03-05 14:12:09,23.5,45,10.8,24.1\r\n"
                                                      "2024-03-05 14:17:09,23.6,46,10.8,24.1\r\n");
    EXPECT_TRUE(result.stored);
    EXPECT_EQ(result.rowsStored, 2u);
    EXPECT_EQ(result.rowsSkipped, 1u);
    EXPECT_EQ(result.errors, std::vector<std::string>{"Line 3 could not be stored: refused"});
    EXPECT_EQ(Stored().size(), 2u);

    // Many such lines: the first few are listed, the rest counted.
    const ImportResult many = Import("CH1.CSV", ChannelLog(5000, 45));  // every 50th line
    EXPECT_TRUE(many.stored);
    EXPECT_EQ(many.rowsSkipped, 100u);
    ASSERT_EQ(many.errors.size(), 11u);
    EXPECT_EQ(many.errors.back(), "90 more lines could not be stored.");
}

TEST_F(ImportHistoryFileTest, AFileThatCannotBeReadChangesNothing) {
    ASSERT_TRUE(Import("CH1.CSV", ChannelLog(10)).stored);
    const auto previous = Stored();
    const ImportResult result = ImportHistoryFile(dir.File("missing.CSV"), "missing.CSV", database);
    EXPECT_FALSE(result.fileRead);
    EXPECT_FALSE(result.stored);
    EXPECT_EQ(result.errors, std::vector<std::string>{"Open Error2"});
    EXPECT_EQ(ImportHistoryFile(dir.path(), "CH1.CSV", database).errors,
              std::vector<std::string>{"Open Error2"});
    EXPECT_EQ(Stored(), previous);
}

TEST_F(ImportHistoryFileTest, AnEmptyFileEmptiesTheDatabase) {
    ASSERT_TRUE(Import("CH1.CSV", ChannelLog(10)).stored);
    const ImportResult result = Import("CH1.CSV", "");
    EXPECT_TRUE(result.stored);
    EXPECT_EQ(result.unitText, "");
    EXPECT_EQ(result.Columns()[1].title, "Temperature");
    EXPECT_EQ(result.table.RowCount(), 0u);
    EXPECT_TRUE(Stored().empty());
}

TEST_F(ImportHistoryFileTest, WithoutADatabaseTheTableIsStillShown) {
    const ImportResult result = ImportHistoryFile(Write("CH1.CSV", ChannelLog(10)), "CH1.CSV",
                                                  dir.File("no-such-folder/7500.db"));
    EXPECT_TRUE(result.fileRead);
    EXPECT_FALSE(result.stored);
    EXPECT_EQ(result.table.RowCount(), 10u);
    ASSERT_EQ(result.errors.size(), 1u);
    EXPECT_NE(result.errors[0].find("7500.db"), std::string::npos) << result.errors[0];
}

TEST_F(ImportHistoryFileTest, ProgressAdvancesAndTheStagingFileIsRemoved) {
    test::TempDir temp;
    const char* saved = std::getenv("TMPDIR");
    const std::string previous = saved != nullptr ? saved : "";
    setenv("TMPDIR", temp.path().c_str(), 1);

    std::vector<std::string> stagingNames;
    uint64_t lastRead = 0, lastStored = 0, total = 0;
    bool ordered = true;
    const ImportResult result = ImportHistoryFile(
        Write("CH1.CSV", ChannelLog(40000)), "CH1.CSV", database,
        [&](ImportPhase phase, uint64_t done, uint64_t all) {
            total = all;
            uint64_t& last = phase == ImportPhase::Reading ? lastRead : lastStored;
            // Each phase only advances, and nothing is stored before it was read.
            ordered = ordered && done > last && done <= all &&
                      (phase == ImportPhase::Reading || done <= lastRead);
            last = done;
            for (const auto& entry : std::filesystem::directory_iterator(temp.path())) {
                stagingNames.push_back(entry.path().filename().string());
            }
        });
    if (saved != nullptr) {
        setenv("TMPDIR", previous.c_str(), 1);
    } else {
        unsetenv("TMPDIR");
    }

    EXPECT_TRUE(result.stored);
    EXPECT_TRUE(ordered);
    EXPECT_EQ(total, result.table.RowCount());
    EXPECT_EQ(lastRead, total);
    EXPECT_EQ(lastStored, total);
    ASSERT_FALSE(stagingNames.empty());
    EXPECT_EQ(stagingNames.front().rfind("KV75", 0), 0u) << stagingNames.front();
    EXPECT_TRUE(std::filesystem::is_empty(temp.path()));
}

}  // namespace
}  // namespace corvalin
