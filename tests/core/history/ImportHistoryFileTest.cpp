// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <tuple>

#include "core/store/RecordTestSupport.h"
#include "history/ImportHistoryFile.h"
#include "store/RecordSchema.h"
#include "support/Files.h"
#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"

namespace corvalin {
namespace {

namespace fs = std::filesystem;
using Texts = std::vector<std::string>;

const std::string GOLDEN = std::string(CORVALIN_TEST_DATA) + "/import/";

// A log of `lines` readings, some of them missing, some with odd times.
std::string ChannelLog(int lines, int humidityBase = 40) {
    std::string text = "Time,Temperature(C),Humidity(%),DewPoint(C),HeatIndex(C)\r\n";
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

class ImportHistoryFileTest : public ::testing::Test {
protected:
    ImportResult Import(const std::string& name, const std::string& text,
                        const ImportProgress& progress = {}, const ImportOptions& options = {}) {
        test::WriteAll(dir.File(name), text);
        return ImportHistoryFile(dir.File(name), name, database, progress, options);
    }
    std::vector<std::string> Stored() const { return test::DumpRecords(database); }
    // Imports a first log and gives what it stored.
    std::vector<std::string> Earlier(int lines = 300) {
        EXPECT_TRUE(Import("CH1.CSV", ChannelLog(lines)).stored);
        return Stored();
    }

    test::TempDir dir;
    std::string database = dir.File("7500.db");
};

// Each golden log replaces what the one before it stored.
TEST_F(ImportHistoryFileTest, GoldenLogsGiveTheirTablesAndRecords) {
    const Texts channel = {"Time", "Temperature(°C)", "Humidity(%)", "Dewpoint(°C)",
                           "Heatindex(°C)"};
    const Texts unitless = {"Time", "Temperature", "Humidity(%)", "Dewpoint", "Heatindex"};
    // clang-format off
    const std::vector<std::tuple<const char*, DateOrder, bool, const char*, Texts>> rows = {
        {"CH1_0305", DateOrder::MonthFirst, false, "(°C)", channel},
        {"IN_0305", DateOrder::DayFirst, true, "(°F)", {"Time", "Temperature(°F)", "Humidity(%)"}},
        {"EMPTY", DateOrder::MonthFirst, false, "", unitless},
    };
    // clang-format on
    for (const auto& [base, order, indoor, unit, titles] : rows) {
        const std::string name = std::string(base) + ".CSV";
        const ImportResult result =
            ImportHistoryFile(GOLDEN + name, name, database, {}, {order, {}});
        EXPECT_TRUE(result.fileRead && result.stored) << name;
        EXPECT_TRUE(result.errors.empty()) << name << ": " << result.errors.front();
        EXPECT_EQ(result.indoorFile, indoor) << name;
        EXPECT_EQ(result.unitText, unit) << name;
        Texts shown;
        for (const HistoryColumn& column : result.Columns()) shown.push_back(column.title);
        EXPECT_EQ(shown, titles) << name;
        std::string stored;
        for (const std::string& record : Stored()) stored += record + "\n";
        EXPECT_EQ(stored, test::ReadAll(GOLDEN + base + ".rows")) << name;
        EXPECT_EQ(result.table.RowCount(), Stored().size()) << name;
    }
}

TEST_F(ImportHistoryFileTest, StoresEveryLineInStepsWithProgressAndTheSameEveryTime) {
    test::TempDir temp;  // for the staging file
    const ScopedEnvironment staging("TMPDIR", temp.path());
    std::vector<std::string> stagingNames;
    uint64_t lastRead = 0, lastStored = 0, total = 0;
    bool ordered = true;
    const std::string log = ChannelLog(17000);  // more lines than one staging step
    const ImportResult result =
        Import("CH2.CSV", log, [&](ImportPhase phase, uint64_t done, uint64_t all) {
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
    ASSERT_TRUE(result.stored);
    EXPECT_TRUE(ordered);
    EXPECT_EQ((std::vector{total, lastRead, lastStored, result.rowsStored}),
              std::vector<uint64_t>(4, result.table.RowCount()));
    ASSERT_FALSE(stagingNames.empty());
    EXPECT_EQ(stagingNames.front().rfind("KV75", 0), 0u) << stagingNames.front();
    EXPECT_TRUE(std::filesystem::is_empty(temp.path()));

    // Imported again, the same rows with the same keys.
    const std::vector<std::string> stored = test::DumpRecords(database, true);
    ASSERT_TRUE(Import("CH2.CSV", log).stored);
    EXPECT_EQ(test::DumpRecords(database, true), stored);
}

TEST_F(ImportHistoryFileTest, AFailureHalfWayKeepsThePreviousImport) {
    const auto previous = Earlier();
    ASSERT_EQ(test::Sql(database,
                        "CREATE TRIGGER fail BEFORE INSERT ON Records "
                        "WHEN NEW.Humidity = 177 AND NEW.Time > '2024-03-20' "
                        "BEGIN SELECT RAISE(ROLLBACK, 'disk full'); END"),
              test::Rows{});
    // The trigger fires some 27000 lines in, long after the deletion.
    const ImportResult result = Import("CH2.CSV", ChannelLog(40000, 140));
    EXPECT_TRUE(result.fileRead && !result.stored && result.rowsStored == 0);
    ASSERT_FALSE(result.errors.empty());
    EXPECT_NE(result.errors.front().find("disk full"), std::string::npos) << result.errors.front();
    EXPECT_EQ(result.errors.back(), "The record database keeps its previous records.");
    EXPECT_EQ(Stored(), previous);
    EXPECT_EQ(result.table.RowCount(), 40000u + 160u);  // the table still shows the file
}

TEST_F(ImportHistoryFileTest, AStoppedImportRollsBackAndAbandonedStagingFilesGo) {
    const auto previous = Earlier();
    // A private folder: another run of this test beside it must not touch the file.
    const ScopedEnvironment staging("TMPDIR", dir.path());
    // A staging file of a killed import, an hour old: no process holds it.
    const std::string abandoned = dir.File("KV75zz9Qx1");
    test::WriteAll(abandoned, "x");
    fs::last_write_time(abandoned, fs::file_time_type::clock::now() - std::chrono::hours(1));

    int steps = 0;
    ImportOptions options;
    options.stop = [&] { return ++steps > 1; };
    const ImportResult result = Import("CH2.CSV", ChannelLog(40000), {}, options);
    EXPECT_TRUE(result.stopped && !result.stored);
    EXPECT_EQ(Stored(), previous);
    EXPECT_FALSE(fs::exists(abandoned));
}

TEST_F(ImportHistoryFileTest, ALineThatCannotBeStoredIsReportedAndSkipped) {
    ASSERT_TRUE(EnsureRecordDatabase(database));
    ASSERT_EQ(test::Sql(database,
                        "CREATE TRIGGER refuse BEFORE INSERT ON Records WHEN NEW.Humidity = 45 "
                        "BEGIN SELECT RAISE(ABORT, 'refused'); END"),
              test::Rows{});
    // Every 50th line, from line 7 on: the first ten are listed, the rest counted.
    const ImportResult result = Import("CH1.CSV", ChannelLog(5000, 40));
    EXPECT_TRUE(result.stored);
    EXPECT_EQ(std::pair(result.rowsStored, result.rowsSkipped), std::pair(Stored().size(), 100ul));
    EXPECT_EQ(result.rowsStored + result.rowsSkipped, result.table.RowCount());
    ASSERT_EQ(result.errors.size(), 11u);
    EXPECT_EQ(result.errors.front(), "Line 7 could not be stored: refused");
    EXPECT_EQ(result.errors.back(), "90 more lines could not be stored.");
}

TEST_F(ImportHistoryFileTest, WhatCannotBeReadOrStoredChangesNothing) {
    const auto previous = Earlier(10);
    for (const std::string& path : {dir.File("missing.CSV"), dir.path()}) {
        const ImportResult result = ImportHistoryFile(path, "CH1.CSV", database);
        EXPECT_FALSE(result.fileRead || result.stored) << path;
        EXPECT_EQ(result.errors, std::vector<std::string>{"Open Error2"}) << path;
    }
    EXPECT_EQ(Stored(), previous);

    // Without a database the table is still shown.
    const ImportResult result =
        ImportHistoryFile(dir.File("CH1.CSV"), "CH1.CSV", dir.File("no-such-folder/7500.db"));
    EXPECT_TRUE(result.fileRead && !result.stored);
    EXPECT_EQ(result.table.RowCount(), 10u);
    ASSERT_EQ(result.errors.size(), 1u);
    EXPECT_NE(result.errors[0].find("7500.db"), std::string::npos) << result.errors[0];
}

// Text that is no log: refused untouched when a reading is required, as
// the design imports it otherwise (every line a row of time 0.0).
TEST_F(ImportHistoryFileTest, AFileWithoutAReadingIsRefusedWhenOneIsRequired) {
    const auto previous = Earlier(10);
    ImportOptions required;
    required.requireReading = true;
    std::string prose;
    for (int i = 0; i < 1000; ++i) prose += "Line " + std::to_string(i) + ", of prose, 1, 2\n";
    for (const std::string& text :
         {prose, std::string("Time,Temperature(C)\n2024-13-05 10:00:00,20.0,40,1,2\n")}) {
        SCOPED_TRACE(text.substr(0, 40));
        const ImportResult result = Import("any.txt", text, {}, required);
        EXPECT_TRUE(result.fileRead && result.noReading && !result.stored);
        ASSERT_EQ(result.errors.size(), 2u);
        EXPECT_EQ(result.errors[1], "The record database keeps its previous records.");
        EXPECT_EQ(Stored(), previous);
    }
    // Not required, lines without a time are stored (see the tests above).
    // One reading after a thousand lines of prose is enough, and every line is stored.
    const ImportResult some = Import(
        "any.txt", "Time,Temperature(C)\n" + prose + "03/05/2024 10:00,20.0\n", {}, required);
    EXPECT_TRUE(some.stored && !some.noReading) << some.errors.front();
    EXPECT_EQ(some.rowsStored, 1001u);
    EXPECT_EQ(some.table.RowCount(), 1001u);
}

}  // namespace
}  // namespace corvalin
