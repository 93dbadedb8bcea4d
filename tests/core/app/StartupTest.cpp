// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>

#include "app/DataFolder.h"
#include "app/SingleInstance.h"
#include "support/Files.h"
#include "support/TempDir.h"

namespace corvalin {
namespace {

using test::ReadAll;

namespace fs = std::filesystem;

TEST(SingleInstance, SecondCopyIsToldAndTheLockGoesWithTheFirst) {
    test::TempDir dir;
    {
        SingleInstance first(dir.path());
        EXPECT_EQ(first.state(), SingleInstance::State::First);
        SingleInstance second(dir.path());
        EXPECT_EQ(second.state(), SingleInstance::State::AnotherIsRunning);
    }
    EXPECT_EQ(SingleInstance(dir.path()).state(), SingleInstance::State::First);
    EXPECT_EQ(SingleInstance(dir.File("missing/folder")).state(), SingleInstance::State::Unknown);
}

TEST(DataFolder, FreshFolderGetsDatabaseAndWritableIniAndExistingFilesStay) {
    test::TempDir dir;
    const std::string program = dir.File("bin"), data = dir.File("share/KV7500");
    fs::create_directories(program);
    test::WriteAll(program + "/Main.ini", "[Main]\n");
    fs::permissions(program + "/Main.ini", fs::perms::owner_read);
    EXPECT_TRUE(PrepareDataFolder(data, program).problems.empty());
    EXPECT_EQ(ReadAll(data + "/Main.ini"), "[Main]\n");
    EXPECT_NE(fs::status(data + "/Main.ini").permissions() & fs::perms::owner_write,
              fs::perms::none);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2((data + "/7500.db").c_str(), &db, SQLITE_OPEN_READONLY, nullptr),
              SQLITE_OK);
    const char* sql =
        "SELECT Time, Temperature, Humidity, Dewpoint, Heatindex FROM Records; "
        "SELECT * FROM Param;";
    EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);

    // Existing files keep their bytes, even without a template.
    test::WriteAll(data + "/7500.db", "earlier records");
    test::WriteAll(data + "/Main.ini", "edited");
    EXPECT_TRUE(PrepareDataFolder(data, dir.File("no-program-folder")).problems.empty());
    EXPECT_EQ(ReadAll(data + "/7500.db"), "earlier records");
    EXPECT_EQ(ReadAll(data + "/Main.ini"), "edited");

    // A missing template is reported and start-up goes on.
    const DataFolderReport report = PrepareDataFolder(dir.File("d"), dir.File("nothing"));
    ASSERT_EQ(report.problems.size(), 1u);
    EXPECT_NE(report.problems[0].find("Main.ini"), std::string::npos);
    EXPECT_TRUE(fs::exists(dir.File("d/7500.db")));
}

}  // namespace
}  // namespace corvalin
