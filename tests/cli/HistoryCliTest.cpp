#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "CliRunner.h"
#include "support/TempDir.h"

namespace corvalin::cli {
namespace {

struct CliResult {
    int status;
    std::string out;
    std::string err;
};

const char* const CHANNEL_LOG =
    "Time,Temperature(C),Humidity(%),DewPoint(C),HeatIndex(C)\r\n"
    "2024-03-05 09:00:00,20.5,40,6.5,20.1\r\n"
    "2024-03-05 10:00:00,21.5,--,--,--\r\n"
    "2024-03-05 11:00:00,-3.5,45,--.-,-4.0\r\n";

// Runs import and records in-process on a data folder of their own; no station.
class HistoryCliTest : public ::testing::Test {
protected:
    CliResult Cli(std::vector<std::string> args) {
        args.insert(args.begin(), {"--data-dir", dataDir});
        std::ostringstream out, err;
        std::istringstream in;
        Console console{out, err, in, false, nullptr};
        const int status = RunCli(args, console);
        return {status, out.str(), err.str()};
    }
    std::string Write(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    test::TempDir dir;
    std::string dataDir = dir.File("data");
};

TEST_F(HistoryCliTest, ImportAnyLogFileThenListItsRecords) {
    const CliResult imported =
        Cli({"import", "--file", Write(dir.File("CH1_0305.CSV"), CHANNEL_LOG)});
    EXPECT_EQ(imported.status, 0) << imported.err;
    EXPECT_EQ(imported.out, "Imported 3 readings (°C) from the channel file CH1_0305.CSV\n");

    const CliResult all =
        Cli({"records", "--from", "2024-03-05 9:00:00", "--to", "2024-03-05 11:00:00"});
    EXPECT_EQ(all.status, 0) << all.err;
    EXPECT_EQ(all.out,
              "Time,Temperature,Humidity,Dewpoint,Heatindex\n"
              "2024-03-05 10:00:00,21.5,65535,65535,65535\n"
              "2024-03-05 11:00:00,-3.5,45,65535,-4\n");

    const CliResult dewPoint =
        Cli({"records", "--from", "2024-03-05 0:00:00", "--to", "2024-03-06 0:00:00", "--column",
             "DewPoint", "--format", "json"});
    EXPECT_EQ(dewPoint.status, 0) << dewPoint.err;
    const auto rows = nlohmann::json::parse(dewPoint.out);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0]["Time"], "2024-03-05 09:00:00");
    EXPECT_EQ(rows[0]["Dewpoint"], 6.5);
    EXPECT_EQ(rows[0]["Humidity"], 40);
}

TEST_F(HistoryCliTest, ImportByNameTakesTheLocalCopyInTheDataFolder) {
    std::filesystem::create_directories(dataDir);
    Write(dataDir + "/IN_0305.CSV",
          "Time,Temperature(F),Humidity(%)\n2024-03-05 09:00:00,70.2,40\n");
    const CliResult imported = Cli({"--json", "import", "IN_0305.CSV"});
    EXPECT_EQ(imported.status, 0) << imported.err;
    const auto report = nlohmann::json::parse(imported.out);
    EXPECT_EQ(report["indoor"], true);
    EXPECT_EQ(report["unit"], "(°F)");
    EXPECT_EQ(report["columns"], nlohmann::json({"Time", "Temperature(°F)", "Humidity(%)"}));
    EXPECT_EQ(report["rowsStored"], 1);

    const CliResult missing = Cli({"import", "CH9.CSV"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "Open Error2\n");
    EXPECT_EQ(missing.out, "");

    const CliResult outside = Cli({"import", "../CH1.CSV"});
    EXPECT_EQ(outside.status, 1);
    EXPECT_FALSE(outside.err.empty());
    // The failed imports left the records of the good one.
    const CliResult records =
        Cli({"records", "--from", "2024-03-05 0:00:00", "--to", "2024-03-06 0:00:00"});
    EXPECT_EQ(records.out,
              "Time,Temperature,Humidity,Dewpoint,Heatindex\n"
              "2024-03-05 09:00:00,70.2,40,65535,65535\n");
}

TEST_F(HistoryCliTest, WrongUsageExitsTwo) {
    const std::string log = Write(dir.File("CH1.CSV"), CHANNEL_LOG);
    EXPECT_EQ(Cli({"import"}).status, 2);
    EXPECT_EQ(Cli({"import", "CH1.CSV", "--file", log}).status, 2);
    EXPECT_EQ(Cli({"import", "--file", log, "--date-order", "sideways"}).status, 2);
    const CliResult badTime =
        Cli({"records", "--from", "2024-13-05 0:00:00", "--to", "2024-03-06 0:00:00"});
    EXPECT_EQ(badTime.status, 2);
    EXPECT_NE(badTime.err.find("2024-13-05"), std::string::npos) << badTime.err;
    EXPECT_EQ(Cli({"records", "--from", "2024-03-05 0:00:00"}).status, 2);
    EXPECT_EQ(Cli({"records", "--from", "2024-03-05 0:00:00", "--to", "2024-03-06 0:00:00",
                   "--column", "Pressure"})
                  .status,
              2);
}

TEST_F(HistoryCliTest, RecordsOfAnEmptyRangeOrWithoutADatabase) {
    const CliResult none =
        Cli({"records", "--from", "2024-03-05 0:00:00", "--to", "2024-03-06 0:00:00"});
    EXPECT_EQ(none.status, 1);
    EXPECT_FALSE(none.err.empty());

    ASSERT_EQ(Cli({"import", "--file", Write(dir.File("CH1.CSV"), CHANNEL_LOG)}).status, 0);
    const CliResult empty =
        Cli({"records", "--from", "2024-03-05 10:00:00", "--to", "2024-03-05 10:00:00"});
    EXPECT_EQ(empty.status, 0);
    EXPECT_EQ(empty.out, "Time,Temperature,Humidity,Dewpoint,Heatindex\n");
    const CliResult emptyJson =
        Cli({"--json", "records", "--from", "2024-03-05 10:00:00", "--to", "2024-03-05 10:00:00"});
    EXPECT_EQ(nlohmann::json::parse(emptyJson.out), nlohmann::json::array());
}

}  // namespace
}  // namespace corvalin::cli
