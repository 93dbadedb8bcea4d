// SPDX-License-Identifier: GPL-3.0-or-later
#include <filesystem>

#include "CliFixture.h"
#include "support/Files.h"

namespace corvalin::cli {
namespace {

const char* const CHANNEL_LOG =
    "Time,Temperature(C),Humidity(%),DewPoint(C),HeatIndex(C)\r\n"
    "2024-03-05 09:00:00,20.5,40,6.5,20.1\r\n"
    "2024-03-05 10:00:00,21.5,--,--,--\r\n"
    "2024-03-05 11:00:00,-3.5,45,--.-,-4.0\r\n";
const char* const HEADER = "Time,Temperature,Humidity,Dewpoint,Heatindex\n";

std::vector<std::string> Records(const char* from, const char* to,
                                 std::vector<std::string> more = {}) {
    more.insert(more.begin(), {"records", "--from", from, "--to", to});
    return more;
}

// Which files hold no reading, and what an import keeps, are the import's to
// tell; the tool says it and exits 1.
TEST_F(CliTest, ImportAnyLogFileThenListItsRecords) {
    // No database yet: nothing to list.
    EXPECT_EQ(Cli(Records("2024-03-05 0:00:00", "2024-03-06 0:00:00")).status, EXIT_FAILED);
    test::WriteAll(dir.File("CH1_0305.CSV"), CHANNEL_LOG);
    EXPECT_EQ(Done({"import", "--file", dir.File("CH1_0305.CSV")}).out,
              "Imported 3 readings (°C) from the channel file CH1_0305.CSV\n");

    EXPECT_EQ(Done(Records("2024-03-05 9:00:00", "2024-03-05 11:00:00")).out,
              std::string(HEADER) +
                  "2024-03-05 10:00:00,21.5,,,\n"
                  "2024-03-05 11:00:00,-3.5,45,,-4\n");

    const CliRun dewPoint = Cli(Records("2024-03-05 0:00:00", "2024-03-06 0:00:00",
                                        {"--column", "DewPoint", "--format", "json"}));
    EXPECT_EQ(nlohmann::json::parse(dewPoint.out),
              nlohmann::json::parse(R"([{"time": "2024-03-05 09:00:00", "temperature": 20.5,
        "humidity": 40, "dewPoint": 6.5, "heatIndex": 20.1}])"));

    test::WriteAll(dir.File("notes.txt"), "Shopping list\nmilk, bread\n3 eggs\n");
    const CliRun refused = Cli({"import", "--file", dir.File("notes.txt")});
    EXPECT_EQ(refused.status, EXIT_FAILED);
    EXPECT_EQ(refused.out, "");
    EXPECT_EQ(refused.said,
              "No line of the file is a reading (a date and time, then the values): it is no "
              "log of the station. Nothing was imported.\n"
              "The record database keeps its previous records.\n");
}

TEST_F(CliTest, ImportByNameTakesOnlyTheLocalCopyInTheDataFolder) {
    std::filesystem::create_directories(data);
    test::WriteAll(data + "/IN_0305.CSV",
                   "Time,Temperature(F),Humidity(%)\n2024-03-05 09:00:00,70.2,40\n");
    test::WriteAll(dir.File("CH1.CSV"), CHANNEL_LOG);  // beside the data folder, not in it
    const CliRun imported = Done({"--json", "import", "IN_0305.CSV"});
    auto expected =
        nlohmann::json::parse(R"j({"columns": ["Time", "Temperature(°F)", "Humidity(%)"],
        "errors": [], "file": "IN_0305.CSV", "indoor": true, "lines": 1, "read": true,
        "rowsSkipped": 0, "rowsStored": 1, "stored": true, "unit": "(°F)"})j");
    expected["localCopy"] = data + "/IN_0305.CSV";
    EXPECT_EQ(nlohmann::json::parse(imported.out), expected);

    ExpectSaid(Cli({"import", "../CH1.CSV"}), EXIT_FAILED, "../CH1.CSV");

    // The refused import left the records of the good one.
    EXPECT_EQ(Cli(Records("2024-03-05 0:00:00", "2024-03-06 0:00:00")).out,
              std::string(HEADER) + "2024-03-05 09:00:00,70.2,40,,\n");
}

}  // namespace
}  // namespace corvalin::cli
