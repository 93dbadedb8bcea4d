// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "SimTestSupport.h"
#include "protocol/CardFrames.h"

namespace corvalin {
namespace {

namespace fs = std::filesystem;
using test::END_MARKER;
using Reports = std::vector<Report>;

class SimCardTest : public test::SimTest {};

TEST_F(SimCardTest, ANewCardHoldsALogPerSensorAndAnIndoorLogInTheStationsUnit) {
    Station(Options(false, {}, {{2, true, 23.4, 45}, {3, false, 0, 0}}));
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(Card()))
        names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"CH1.CSV", "CH2.CSV", "CH4.CSV", "CH5.CSV",
                                               "CH6.CSV", "CH7.CSV", "INDOOR.CSV"}));
    for (const std::string& name : names) {
        const bool indoor = name == "INDOOR.CSV";
        std::istringstream lines(test::ReadAll(Card() + "/" + name));
        std::string line;
        std::getline(lines, line);
        EXPECT_EQ(line, indoor ? "Time,Temperature(C),Humidity(%)\r"
                               : "Time,Temperature(C),Humidity(%),DewPoint(C),HeatIndex(C)\r");
        int count = 0;
        bool missing = false;
        for (; std::getline(lines, line); ++count)
            missing = missing || line.find("--") != std::string::npos;
        EXPECT_EQ(count, 3 * 24 * 12 + 1) << name << ": three days at five minutes";
        EXPECT_TRUE(missing) << name;
    }
    // A fixed sensor logs its exact values; the dew point follows Magnus.
    EXPECT_NE(test::ReadAll(Card() + "/CH2.CSV").find(",23.4,45,10.8,23.4\r\n"), std::string::npos);

    // A station set to °F (unit byte 7 of the settings) logs in °F.
    test::WriteAll(dir_.File("state.json"),
                   R"({"settings": "0018000000000100FFFFFF00000000000000000000000000000000"})");
    SimOptions options = Options();
    options.cardDir = dir_.File("card F");
    options.stateFile = dir_.File("state.json");
    options.sensors = {{2, true, 23.4, 45}};
    Station(options);
    const std::string text = test::ReadAll(dir_.File("card F/CH2.CSV"));
    EXPECT_EQ(text.rfind("Time,Temperature(F),Humidity(%),DewPoint(F),HeatIndex(F)\r\n", 0), 0u);
    EXPECT_NE(text.find(",74.1,45,51.4,74.1\r\n"), std::string::npos);
}

// Reading, serving and deleting the files is the card client's to test; these
// are the requests that get the end marker alone, and deletes that would leave the card.
TEST_F(SimCardTest, ListsSortedAndNeverServesNorDeletesOutsideTheCard) {
    fs::create_directories(Card() + "/SUB");
    for (const char* name : {"B.CSV", "A.CSV", "SUB/X.CSV"})
        test::WriteAll(Card() + "/" + name, "1");
    test::WriteAll(dir_.File("OUTSIDE.CSV"), "secret");
    Station(Options(false, {{FaultSpec::Kind::ListName, 0, std::string(70, 'N')}}));
    const Reports list = test::Ask(*station_, test::Frame(CMD_FILE_LIST));
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(ParseFileListLine(list[0]).name, "A.CSV");
    EXPECT_EQ(ParseFileListLine(list[1]).name, "B.CSV");
    // A name too long for an entry is clipped so that its size still fits.
    EXPECT_EQ(ParseFileListLine(list[2]).name, std::string(58, 'N'));
    using Range = std::tuple<const char*, uint32_t, uint32_t>;
    for (auto [name, start, end] :
         {Range{"A.CSV", 1, 9}, Range{"A.CSV", 1, 0}, Range{"MISSING.CSV", 0, 100},
          Range{"../OUTSIDE.CSV", 0, 100}}) {
        EXPECT_EQ(test::Ask(*station_, MakeFileGetFrame(name, start, end)), Reports{END_MARKER})
            << name << " " << start;
    }
    for (const char* name : {"../OUTSIDE.CSV", "SUB/X.CSV", "SUB\\X.CSV", "..", "", "SUB"}) {
        test::Ask(*station_, MakeDeleteFileFrame(name));
    }
    EXPECT_TRUE(fs::exists(dir_.File("OUTSIDE.CSV")) && fs::exists(Card() + "/A.CSV"));
    EXPECT_TRUE(fs::exists(Card() + "/SUB/X.CSV") && fs::is_directory(Card() + "/SUB"));
}

}  // namespace
}  // namespace corvalin
