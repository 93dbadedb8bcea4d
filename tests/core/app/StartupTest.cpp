#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <iterator>

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
    SingleInstance again(dir.path());
    EXPECT_EQ(again.state(), SingleInstance::State::First);
    SingleInstance nowhere(dir.File("missing/folder"));
    EXPECT_EQ(nowhere.state(), SingleInstance::State::Unknown);
}

TEST(DataFolder, FreshFolderGetsDatabaseAndWritableIni) {
    test::TempDir dir;
    const std::string program = dir.File("bin");
    fs::create_directories(program);
    std::ofstream(program + "/Main.ini") << "[Main]\n";
    fs::permissions(program + "/Main.ini", fs::perms::owner_read);

    const std::string data = dir.File("share/KV7500");
    DataFolderReport report = PrepareDataFolder(data, program);
    EXPECT_TRUE(report.problems.empty());
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
}

TEST(DataFolder, ExistingFilesKeepTheirBytes) {
    test::TempDir dir;
    const std::string data = dir.File("KV7500");
    fs::create_directories(data);
    std::ofstream(data + "/7500.db", std::ios::binary) << "earlier records";
    std::ofstream(data + "/Main.ini") << "edited";

    DataFolderReport report = PrepareDataFolder(data, dir.File("no-program-folder"));
    EXPECT_TRUE(report.problems.empty());
    EXPECT_EQ(ReadAll(data + "/7500.db"), "earlier records");
    EXPECT_EQ(ReadAll(data + "/Main.ini"), "edited");
}

TEST(DataFolder, MissingTemplateIsReportedAndStartUpGoesOn) {
    test::TempDir dir;
    DataFolderReport report = PrepareDataFolder(dir.File("d"), dir.File("nothing"));
    ASSERT_EQ(report.problems.size(), 1u);
    EXPECT_NE(report.problems[0].find("Main.ini"), std::string::npos);
    EXPECT_TRUE(fs::exists(dir.File("d/7500.db")));
}

}  // namespace
}  // namespace corvalin
